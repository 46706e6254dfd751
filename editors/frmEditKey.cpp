#include "editors/frmEditKey.h"

#include "app/UiServices.h"
#include "core/Globals.h"
#include "core/TextCodec.h"
#include "editors/frmKeyIn.h"

#include <cstring>

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

}  // namespace

frmEditKey::frmEditKey(Globals &g, UiServices &ui, QWidget *parent)
    : GridEditor(keyEditorSpec(), LayoutBuffers::device(g), g, ui, parent)
{
    const QString missing = faces().missingMessage();
    if (!missing.isEmpty())
        g_.DialogResult = ui_.warn(parent, missing);
    openLayout();
}

void frmEditKey::showLabelDialog()
{
    frmKeyIn dialog(g_, ui_, this);
    ui_.showModal(dialog);
}

bool frmEditKey::askNewLabel(int)
{
    g_.EditResult = 1;
    g_.KeyLabel.clear();
    showLabelDialog();
    return g_.EditResult == 1 || g_.EditResult == 2;
}

void frmEditKey::storeNewLabel(int key, int page, int record)
{
    Byte *label = buf_.labelBytes(page, record);
    KeyBox &box = *PicKEY[static_cast<size_t>(key)];
    if (g_.EditResult == 1) {
        writeLabelText(label, g_.KeyLabel);
        setKeyText(key, g_.KeyLabel);
        faces().drawText(box, g_.KeyLabel);
    } else {
        // Only the icon number; the record's other bytes stay as they are.
        const int icon = g_.KeyLabel.toInt();
        label[0] = static_cast<Byte>(icon);
        setKeyText(key, QString());
        faces().drawIcon(box, icon);
    }
}

void frmEditKey::relabelKey(int key)
{
    Byte *record = buf_.recordOfKey(key);
    if (!record)
        return;
    const int first = record[2];
    if (isIconByte(first)) {
        g_.EditResult = 2;
        g_.KeyLabel = QString::number(first);
    } else {
        g_.EditResult = 1;
        g_.KeyLabel = trimmedRight(keyText(key));
    }
    showLabelDialog();
    KeyBox &box = *PicKEY[static_cast<size_t>(key)];
    if (g_.EditResult == 1) {
        writeLabelText(record + 2, g_.KeyLabel);
        setKeyText(key, g_.KeyLabel);
        faces().drawText(box, g_.KeyLabel);
    } else if (g_.EditResult == 2) {
        const int icon = g_.KeyLabel.toInt();
        std::memset(record, Empty, LabelRecordSize);
        record[2] = static_cast<Byte>(icon);
        setKeyText(key, QString());
        faces().drawIcon(box, icon);
    }
}

}  // namespace quillet
