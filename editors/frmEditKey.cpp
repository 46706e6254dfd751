#include "editors/frmEditKey.h"

#include "app/UiServices.h"
#include "core/Globals.h"
#include "core/MemoryCheck.h"
#include "core/TextCodec.h"
#include "editors/frmKeyIn.h"

#include <QFileInfo>

namespace quillet {

namespace {

GridEditor::Shape keyEditorSpec()
{
    GridEditor::Shape s;
    s.name = QStringLiteral("frmEditKey");
    s.title = QStringLiteral("Edit Device");
    s.pageLeft = DevicePages.left;
    s.pageStride = DevicePages.stride;
    s.captionLeft = DevicePages.captionLeft;
    s.icons = true;
    s.maxKeysMessage = QStringLiteral("maximum 35 key");
    s.deleteQuestion = QStringLiteral("Warning delete key?");
    auto &p = s.prompts;
    p.move = QStringLiteral("Press and hold the left key of your Mouse to click and drag the key you want to move.");
    p.newChosen = QStringLiteral("Step1: Setup the upper left corner of the new key.");
    p.newRefused = p.newChosen;
    p.newStep2 = QStringLiteral("Step2: Setup the lower right corner of the new key.");
    p.resizeChosen = QStringLiteral("Step1:Select the key that you want to resize.");
    p.resizeStep2 = QStringLiteral("Step2:Setup the upper left corner of the Resize key. ");
    p.resizeStep3 = QStringLiteral("Step3: Setup the lower right corner of the Resize key.");
    p.resizeDone = QStringLiteral("Step1: Select the key that you want to resize.");
    p.relabel = QStringLiteral("Select the key that you want to relabel.");
    p.remove = QStringLiteral("Select the key that you want to delete.");
    return s;
}

// The device as the main window lists it, or the model file it came from.
QString deviceName(const Globals &g)
{
    QString name;
    if (g.LoadedKind == 1 && g.SelectedBank >= 0 && g.SelectedBank < 10)
        name = trimmedBoth(g.DeviceNames[static_cast<size_t>(g.SelectedBank)]);
    else if (g.LoadedKind == 2)
        name = QFileInfo(g.CurrentFile).completeBaseName();
    return name.isEmpty() ? QStringLiteral("this device") : name;
}

}  // namespace

frmEditKey::frmEditKey(Globals &g, UiServices &ui, QWidget *parent)
    : GridEditor(keyEditorSpec(), LayoutBuffers::device(g), g, ui, parent)
{
    const QString missing = faces().missingMessage();
    if (!missing.isEmpty())
        g_.DialogResult = ui_.warn(parent, missing);
    setLayoutName(deviceName(g_));
    openLayout();
    // Right-click on a page: Copy, Cut, Paste there, Copy Page and Paste Page (the menu key
    // opens the same at the cell cursor).
    for (int p = 0; p < static_cast<int>(PicPAGE1.size()); ++p) {
        PicPAGE1[static_cast<size_t>(p)]->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(PicPAGE1[static_cast<size_t>(p)], &QWidget::customContextMenuRequested, this, [this, p](QPoint at) {
            const QPoint cell(std::clamp(at.x() / CellSize, 0, GridColumns - 1),
                              std::clamp(at.y() / CellSize, 0, GridRows - 1));
            showPageMenu(p, PicPAGE1[static_cast<size_t>(p)]->mapToGlobal(at), cell);
        });
    }
}

bool frmEditKey::showLabelDialog(LabelChoice &label)
{
    frmKeyIn dialog(g_, ui_, this);
    ui_.showModal(dialog);
    if (g_.EditResult != 1 && g_.EditResult != 2)
        return false;
    label.icon = g_.EditResult == 2;
    label.text = label.icon ? QString() : g_.KeyLabel;
    label.iconNumber = label.icon ? g_.KeyLabel.toInt() : 0;
    return true;
}

bool frmEditKey::askNewLabel(int, LabelChoice &label)
{
    g_.EditResult = 1;
    g_.KeyLabel.clear();
    return showLabelDialog(label);
}

void frmEditKey::storeNewLabel(int key, int page, int record, const LabelChoice &label)
{
    KeyBox &box = *PicKEY[static_cast<size_t>(key)];
    if (label.icon) {
        edits_.writeIcon(page, record, label.iconNumber);
        setKeyText(key, QString());
        faces().drawIcon(box, label.iconNumber);
    } else {
        edits_.writeText(page, record, label.text);
        setKeyText(key, label.text);
        faces().drawText(box, label.text);
    }
}

bool frmEditKey::askRelabel(int key, LabelChoice &label)
{
    const Byte *record = buf_.recordOfKey(key);
    if (!record)
        return false;
    const int first = record[2];
    if (isIconByte(first)) {
        g_.EditResult = 2;
        g_.KeyLabel = QString::number(first);
    } else {
        g_.EditResult = 1;
        g_.KeyLabel = trimmedRight(keyText(key));
    }
    return showLabelDialog(label);
}

void frmEditKey::storeRelabel(int key, const LabelChoice &label)
{
    KeyBox &box = *PicKEY[static_cast<size_t>(key)];
    if (label.icon) {
        edits_.relabelIcon(key, label.iconNumber);
        setKeyText(key, QString());
        faces().drawIcon(box, label.iconNumber);
    } else {
        edits_.relabelText(key, label.text);
        setKeyText(key, label.text);
        faces().drawText(box, label.text);
    }
}

QString frmEditKey::pointsAtNothing() const
{
    // The timers and macros are the memory's; the keys are the editor's, not yet written back.
    if (g_.LoadedKind != 1 || g_.SelectedBank < 0 || g_.SelectedBank >= 10)
        return {};
    return pointersAfterEdit(g_.Image, g_.SelectedBank, g_);
}

}  // namespace quillet
