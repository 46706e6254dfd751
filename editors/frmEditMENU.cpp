#include "editors/frmEditMENU.h"
#include "core/Counted.h"

#include "app/UiServices.h"
#include "core/Backups.h"
#include "core/Globals.h"
#include "core/LayoutModel.h"
#include "core/MemoryCheck.h"
#include "core/TextCodec.h"
#include "editors/frmMenuIn.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>

namespace quillet {

namespace {

const QString NameTaken = QStringLiteral("The device was set, please revise");

GridEditor::Shape menuEditorSpec()
{
    GridEditor::Shape s;
    s.name = QStringLiteral("frmEditMENU");
    s.title = QStringLiteral("Edit Main Menu");
    s.pageLeft = MenuPages.left;
    s.pageStride = MenuPages.stride;
    s.captionLeft = MenuPages.captionLeft;
    s.icons = false;
    s.maxKeysMessage = QStringLiteral("maximum 10 key");
    s.deleteQuestion = QStringLiteral("Warning delete button?");
    s.pageFullMessage = QStringLiteral("This menu page is full: a page holds at most 8 buttons.");
    auto &p = s.prompts;
    p.move = QStringLiteral("Press and hold the left key of your Mouse to click and drag the key you want to move.");
    p.newChosen = QStringLiteral("Step1: Setup the upper left corner of the new key.");
    p.newRefused = QStringLiteral("Step1: Setup the upper left corner of the new key. ");
    p.newStep2 = QStringLiteral("Step2: Setup the lower right corner of the new key.");
    p.resizeChosen = QStringLiteral("Step1: Select the key that you want to resize.");
    p.resizeStep2 = QStringLiteral("Step2:Setup the upper left corner of the Resize key.");
    p.resizeStep3 = QStringLiteral("Step3:Setup the lower right corner of the Resize key.");
    p.resizeDone = QStringLiteral("Step1: Select the key that you want to resize.");
    p.relabel = QStringLiteral("Select the key that you want to relabel.");
    p.remove = QStringLiteral("Select the key that you want to delete.");
    return s;
}

}  // namespace

frmEditMENU::frmEditMENU(Globals &g, UiServices &ui, QWidget *parent)
    : GridEditor(menuEditorSpec(), LayoutBuffers::menu(g), g, ui, parent)
{
    const QString missing = faces().missingMessage();
    if (!missing.isEmpty())
        g_.DialogResult = ui_.warn(parent, missing);
    setLayoutName(QStringLiteral("MENU"));   // as the main window lists it
    openLayout();
}

bool frmEditMENU::showNameDialog(LabelChoice &label)
{
    frmMenuIn dialog(g_, ui_, this);
    ui_.showModal(dialog);
    label.text = g_.KeyLabel;
    label.attribution = g_.ChosenAttribution;
    return g_.EditResult == 1;
}

bool frmEditMENU::nameTaken(const QString &name, int except) const
{
    const QString wanted = trimmedBoth(name);
    for (int b = 0; b < buf_.keys; ++b)
        if (b != except && trimmedBoth(keyText(b)) == wanted)
            return true;
    return false;
}

bool frmEditMENU::askNewLabel(int button, LabelChoice &label)
{
    g_.EditResult = 1;
    g_.KeyLabel.clear();
    g_.ChosenAttribution = 0;
    // Asked again, with what the user gave, until the name is free or the user cancels.
    // Every button counts, the new one too: its blank text refuses a blank name.
    while (showNameDialog(label)) {
        if (!nameTaken(label.text, -1)) {
            confirmKindChange(button, label);
            return true;
        }
        warn(NameTaken);
    }
    return false;
}

void frmEditMENU::storeNewLabel(int button, int page, int record, const LabelChoice &label)
{
    edits_.writeText(page, record, label.text);
    setKeyText(button, label.text);
    faces().drawText(*PicKEY[static_cast<size_t>(button)], label.text);
    attributionChange(button, label.attribution);
}

bool frmEditMENU::askRelabel(int button, LabelChoice &label)
{
    if (!buf_.recordOfKey(button))
        return false;
    g_.EditResult = 1;
    g_.KeyLabel = trimmedRight(keyText(button));
    g_.ChosenAttribution = g_.MenuKindBuf[static_cast<size_t>(button)];
    if (!showNameDialog(label))
        return false;
    if (trimmedBoth(keyText(button)) != trimmedBoth(label.text) && nameTaken(label.text, button)) {
        warn(NameTaken);
        return false;
    }
    confirmKindChange(button, label);
    return true;
}

void frmEditMENU::storeRelabel(int button, const LabelChoice &label)
{
    edits_.relabelText(button, label.text);
    setKeyText(button, label.text);
    faces().drawText(*PicKEY[static_cast<size_t>(button)], label.text);
    attributionChange(button, label.attribution);
}

void frmEditMENU::confirmKindChange(int button, LabelChoice &label)
{
    const int kind = g_.MenuKindBuf[static_cast<size_t>(button)];
    const int attribution = label.attribution;
    if (attribution == kind)
        return;
    // The default layout goes into the bank at once, and the editor's Cancel does not undo
    // it: keys the bank holds are only replaced with the user's OK.
    auto bank = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(g_.Image, *bank, button);
    const size_t keys = placedKeys(LayoutBuffers::device(*bank)).size();
    if (keys > 0) {
        const char *present = kindCaption(kind);
        const char *chosen = kindCaption(attribution);
        // Banks are counted from 1 wherever the user reads them, as on the command line.
        const QString owner = present ? QString::fromLatin1(present) : QStringLiteral("bank %1").arg(button + 1);
        const QString text = QStringLiteral("Loading the default layout of %1 replaces the %2 of %3. The editor's "
                                            "Cancel will not bring them back.")
                                 .arg(chosen ? QString::fromLatin1(chosen) : QString::number(attribution),
                                      counted(keys, QStringLiteral("key")), owner);
        g_.DialogResult = ui_.message(this, text, QStringLiteral("Warning"), MsgIcon::Warning,
                                      MsgButtons::OKCancelSafe);
        if (g_.DialogResult != answer::OK)
            label.attribution = kind;
    }
}

void frmEditMENU::attributionChange(int button, int attribution)
{
    auto &kind = g_.MenuKindBuf[static_cast<size_t>(button)];
    if (attribution == kind)
        return;
    const int slot = backupSlotForKind(attribution);
    if (slot >= 0)
        ReadBackupSlot(g_.Image, g_, slot);
    WriteDeviceWorkset(g_.Image, g_, button);
    kind = static_cast<Byte>(attribution);
}

void frmEditMENU::keyDeleted(int button)
{
    g_.MenuKindBuf[static_cast<size_t>(button)] = Empty;
    faces().ClrBlinkDraw(*PicKEY[static_cast<size_t>(button)]);
}

namespace {
static_assert(std::is_trivially_copyable_v<DeviceWorkset>);
constexpr size_t DeviceBytes = sizeof(DeviceWorkset);
}  // namespace

std::vector<Byte> frmEditMENU::saveExtra(int button) const
{
    // The kinds, the button's bank as the image holds it, and the device buffers a new
    // kind's stored layout passes through.
    std::vector<Byte> extra(g_.MenuKindBuf.begin(), g_.MenuKindBuf.end());
    auto bank = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(g_.Image, *bank, button);
    const auto *bankBytes = reinterpret_cast<const Byte *>(bank.get());
    extra.insert(extra.end(), bankBytes, bankBytes + DeviceBytes);
    const auto *workBytes = reinterpret_cast<const Byte *>(static_cast<const DeviceWorkset *>(&g_));
    extra.insert(extra.end(), workBytes, workBytes + DeviceBytes);
    return extra;
}

void frmEditMENU::restoreExtra(int button, const std::vector<Byte> &extra)
{
    const size_t kinds = g_.MenuKindBuf.size();
    if (extra.size() != kinds + 2 * DeviceBytes)
        return;
    std::copy_n(extra.begin(), kinds, g_.MenuKindBuf.begin());
    auto bank = std::make_unique<DeviceWorkset>();
    std::memcpy(bank.get(), extra.data() + kinds, DeviceBytes);
    WriteDeviceWorkset(g_.Image, *bank, button);
    std::memcpy(static_cast<DeviceWorkset *>(&g_), extra.data() + kinds + DeviceBytes, DeviceBytes);
}

QString frmEditMENU::pointsAtNothing() const
{
    // The timers and macros are the memory's; the menu is the editor's, not yet written back.
    return g_.LoadedKind == 1 ? pointersAfterMenuEdit(g_.Image, g_) : QString();
}

}  // namespace quillet
