#include "editors/frmEditMENU.h"

#include "app/UiServices.h"
#include "core/Backups.h"
#include "core/Globals.h"
#include "core/TextCodec.h"
#include "editors/frmMenuIn.h"

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
    openLayout();
}

bool frmEditMENU::showNameDialog()
{
    frmMenuIn dialog(g_, ui_, this);
    ui_.showModal(dialog);
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

bool frmEditMENU::askNewLabel(int)
{
    g_.EditResult = 1;
    g_.KeyLabel.clear();
    g_.ChosenAttribution = 0;
    // Asked again, with what the user gave, until the name is free or the user cancels.
    // Every button counts, the new one too: its blank text refuses a blank name.
    while (showNameDialog()) {
        if (!nameTaken(g_.KeyLabel, -1))
            return true;
        warn(NameTaken);
    }
    return false;
}

void frmEditMENU::storeNewLabel(int button, int page, int record)
{
    writeLabelText(buf_.labelBytes(page, record), g_.KeyLabel);
    setKeyText(button, g_.KeyLabel);
    faces().drawText(*PicKEY[static_cast<size_t>(button)], g_.KeyLabel);
    attributionChange(button);
}

void frmEditMENU::relabelKey(int button)
{
    Byte *record = buf_.recordOfKey(button);
    if (!record)
        return;
    g_.EditResult = 1;
    g_.KeyLabel = trimmedRight(keyText(button));
    g_.ChosenAttribution = g_.MenuKindBuf[static_cast<size_t>(button)];
    if (!showNameDialog())
        return;
    if (trimmedBoth(keyText(button)) != trimmedBoth(g_.KeyLabel) && nameTaken(g_.KeyLabel, button)) {
        warn(NameTaken);
        return;
    }
    writeLabelText(record + 2, g_.KeyLabel);
    setKeyText(button, g_.KeyLabel);
    faces().drawText(*PicKEY[static_cast<size_t>(button)], g_.KeyLabel);
    attributionChange(button);
}

void frmEditMENU::attributionChange(int button)
{
    auto &kind = g_.MenuKindBuf[static_cast<size_t>(button)];
    if (g_.ChosenAttribution == kind)
        return;
    const int slot = backupSlotForKind(g_.ChosenAttribution);
    if (slot >= 0)
        ReadBackupSlot(g_.Image, g_, slot);
    WriteDeviceWorkset(g_.Image, g_, button);
    kind = static_cast<Byte>(g_.ChosenAttribution);
}

void frmEditMENU::keyDeleted(int button)
{
    g_.MenuKindBuf[static_cast<size_t>(button)] = Empty;
    faces().ClrBlinkDraw(*PicKEY[static_cast<size_t>(button)]);
}

}  // namespace quillet
