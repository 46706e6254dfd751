#include "editors/frmEditKey.h"

#include "core/RecordLayout.h"
#include "editors/EditorTestSupport.h"

#include <QGuiApplication>
#include <QLabel>

#include <cstring>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

const QString MovePrompt =
    QStringLiteral("Press and hold the left key of your Mouse to click and drag the key you want to move.");
const QString NewStep1 = QStringLiteral("Step1: Setup the upper left corner of the new key.");

QByteArray textLabel(const QString &text)
{
    QByteArray b = encodeText(text);
    b.append(QByteArray(20 - b.size(), char(0xFF)));
    return b;
}

}  // namespace

class TestEditKey : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void opensEmptyInMoveModeWithItsLayout();
    void firstKeyOnAnEmptyPage();
    void newRefusals();
    void keyNumbersFillGapsAndStopAt35();
    void dragImageFollowsThePointer();
    void dropRoundsAtElevenPixels();
    void dropOnItselfKeepsTheSlot();
    void dropOnAnotherPageMovesSlotAndRecord();
    void dropsThatDoNothing();
    void deleteClearsTheWholeRecord();
    void relabelTextAndIcon();
    void resizeSteps();
    void resizeRefusals();
    void secondCornerBelongsToThePageOfItsPress();
    void okCancelAndTheWindowFrame();
    void moveNeverOverwritesAnotherKeysLabel();
    void deleteFreesADuplicatedNumber();
    void threeDeletesComeBackWithCtrlZ();
    void escapeAbandonsAHalfMadeEdit();
    void movedAndResizedKeysWriteTheirLabelAsShown();
    void editsThatChangeNothingAreNoUndoStep();
    void saysWhatPointsAtALeftKey();

private:
    std::unique_ptr<frmEditKey> open();
    Byte *record(int page, int r) { return &g->DevLabelBuf[page][r * 22]; }

    std::unique_ptr<PictureDir> pictures;
    std::unique_ptr<Globals> g;
    ScriptedUiServices ui;
};

void TestEditKey::init()
{
    if (!pictures)
        pictures = std::make_unique<PictureDir>();
    g = std::make_unique<Globals>();
    g->AppDir = pictures->path();
    clearDevice(*g);
    ui.clear();
}

void TestEditKey::cleanup()
{
    QVERIFY(!QGuiApplication::overrideCursor());
}

std::unique_ptr<frmEditKey> TestEditKey::open()
{
    auto e = std::make_unique<frmEditKey>(*g, ui);
    e->show();
    return e;
}

void TestEditKey::opensEmptyInMoveModeWithItsLayout()
{
    auto e = open();
    QCOMPARE(e->objectName(), QStringLiteral("frmEditKey"));
    QCOMPARE(e->windowTitle(), QStringLiteral("Edit Device"));
    QCOMPARE(e->size(), QSize(520, 360));
    QVERIFY(ui.shown.isEmpty());   // every picture was there
    for (int k = 0; k < 35; ++k)
        QVERIFY(child<KeyBox>(*e, QStringLiteral("PicKEY_%1").arg(k))->isHidden());
    QVERIFY(!e->findChild<KeyBox *>(QStringLiteral("PicKEY_35")));
    QCOMPARE(child<QWidget>(*e, QStringLiteral("PicPAGE1_2"))->geometry(), QRect(264, 40, 121, 161));
    QCOMPARE(child<QLabel>(*e, QStringLiteral("LabelPAGE_3"))->text(), QStringLiteral("PAGE 4"));
    QCOMPARE(child<QLabel>(*e, QStringLiteral("LabelPAGE_3"))->geometry(), QRect(400, 8, 105, 25));
    QCOMPARE(child<QWidget>(*e, QStringLiteral("OptNEW"))->geometry(), QRect(88, 224, 73, 65));
    QCOMPARE(child<QWidget>(*e, QStringLiteral("OptDEL"))->geometry(), QRect(328, 224, 73, 65));
    QCOMPARE(child<QPushButton>(*e, QStringLiteral("ComNO"))->geometry(), QRect(424, 264, 81, 33));
    QCOMPARE(child<QPushButton>(*e, QStringLiteral("ComYES"))->text(), QStringLiteral("OK"));
    QCOMPARE(child<QLabel>(*e, QStringLiteral("Label5"))->geometry(), QRect(8, 304, 505, 49));
    QCOMPARE(child<QRadioButton>(*e, QStringLiteral("OptMODIFY"))->text(), QStringLiteral("Resize"));
    QVERIFY(child<QRadioButton>(*e, QStringLiteral("OptMOVE"))->isChecked());
    QCOMPARE(e->Label5->text(), MovePrompt);
    QVERIFY(e->PicPOINT1->isHidden() && e->PicPOINT2->isHidden());

    // The prompt follows the mode buttons.
    QTest::mouseClick(e->OptMODIFY, Qt::LeftButton, {}, QPoint(10, 30));
    QCOMPARE(e->Label5->text(), QStringLiteral("Step1:Select the key that you want to resize."));
    QTest::mouseClick(e->OptEDIT, Qt::LeftButton, {}, QPoint(10, 30));
    QCOMPARE(e->Label5->text(), QStringLiteral("Select the key that you want to relabel."));
    QTest::mouseClick(e->OptDEL, Qt::LeftButton, {}, QPoint(10, 30));
    QCOMPARE(e->Label5->text(), QStringLiteral("Select the key that you want to delete."));
    QTest::mouseClick(e->OptNEW, Qt::LeftButton, {}, QPoint(10, 30));
    QCOMPARE(e->Label5->text(), NewStep1);
    QCOMPARE(e->mode(), GridEditor::Mode::New);
}

void TestEditKey::firstKeyOnAnEmptyPage()
{
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    clickCell(*e, 0, 0, 0);
    QCOMPARE(e->newStep(), 1);
    QCOMPARE(e->Label5->text(), QStringLiteral("Step2: Setup the lower right corner of the new key."));
    QVERIFY(!e->PicPOINT1->isHidden());
    QCOMPARE(e->PicPOINT1->pos(), QPoint(12, 44));

    ui.onDialog([](QDialog &d) {
        // A new key starts in text mode with nothing typed.
        QCOMPARE(d.objectName(), QStringLiteral("frmKeyIn"));
        QVERIFY(d.findChild<QRadioButton *>(QStringLiteral("OptTEXT"))->isChecked());
        QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->text(), QString());
        typeAndOk(QStringLiteral("TV"))(d);
    });
    clickCell(*e, 0, 1, 1);

    QCOMPARE(int(g->DevSlotBuf[0][0]), 0);
    QCOMPARE(int(g->DevRectBuf[0][0]), 0);
    QCOMPARE(int(g->DevRectBuf[0][1]), 17);
    QCOMPARE(int(g->DevLocBuf[0]), 0);
    QCOMPARE(labelBytesOf(record(0, 0)), textLabel(QStringLiteral("TV")));
    QCOMPARE(int(record(0, 0)[2]), 84);
    QCOMPARE(int(record(0, 0)[3]), 86);
    QCOMPARE(e->PicKEY[0]->geometry(), QRect(8, 40, 40, 40));
    QVERIFY(!e->PicKEY[0]->isHidden());
    QCOMPARE(e->keyText(0), fixedField(QStringLiteral("TV")));
    QCOMPARE(e->newStep(), 0);
    QCOMPARE(e->Label5->text(), NewStep1);
    QVERIFY(e->PicPOINT1->isHidden() && e->PicPOINT2->isHidden());
    QVERIFY(e->cellMap().at(0, 1, 1) && !e->cellMap().at(0, 2, 1));

    // An icon key: only byte 2 of the record is written.
    record(0, 1)[0] = 0x12;
    record(0, 1)[5] = 0x77;
    ui.onDialog(pickIconAndOk(140));
    newKey(*e, 0, 2, 0, 4, 2);
    QCOMPARE(int(g->DevSlotBuf[0][1]), 1);
    QCOMPARE(int(g->DevLocBuf[1]), 1);
    QCOMPARE(int(record(0, 1)[2]), 140);
    QCOMPARE(int(record(0, 1)[0]), 0x12);
    QCOMPARE(int(record(0, 1)[5]), 0x77);
    QCOMPARE(e->PicKEY[1]->geometry(), QRect(48, 40, 60, 60));
    QCOMPARE(e->keyText(1), fixedField(QString()));
    QCOMPARE(QColor(e->PicKEY[1]->face().pixel(30, 30)).rgb(), andColour(blankColour(), iconColour(1, 12)));

    // A 20-character label fills the record with no 255 byte.
    ui.onDialog(typeAndOk(QStringLiteral("ABCDEFGHIJKLMNOPQRST")));
    newKey(*e, 3, 4, 6, 5, 7);
    QCOMPARE(int(g->DevSlotBuf[3][0]), 2);
    QCOMPARE(int(g->DevLocBuf[2]), 0x30);
    QCOMPARE(labelBytesOf(record(3, 0)), QByteArray("ABCDEFGHIJKLMNOPQRST"));
    QCOMPARE(e->PicKEY[2]->geometry(), QRect(8 + 384 + 80, 40 + 120, 40, 40));
    QVERIFY(ui.shown.isEmpty());
}

void TestEditKey::newRefusals()
{
    putKey(*g, 0, 1, 0, 0, 2, 2, 3, 3, QStringLiteral("X"));
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    const auto before = std::make_unique<DeviceWorkset>(static_cast<DeviceWorkset &>(*g));
    auto unchanged = [&] {
        return std::memcmp(before.get(), static_cast<DeviceWorkset *>(g.get()), sizeof(DeviceWorkset)) == 0;
    };

    // Same column, same row, or the second corner left of or above the first.
    for (QRect corners : {QRect(QPoint(1, 1), QPoint(1, 3)), QRect(QPoint(1, 1), QPoint(3, 1)),
                          QRect(QPoint(3, 3), QPoint(1, 5)), QRect(QPoint(3, 3), QPoint(5, 1))}) {
        ui.shown.clear();
        newKey(*e, 0, corners.left(), corners.top(), corners.right(), corners.bottom());
        QCOMPARE(ui.shown.size(), 1);
        QCOMPARE(ui.shown[0].text, QStringLiteral("The Min. square for button is 2*2"));
        QCOMPARE(ui.shown[0].title, QStringLiteral("Warning"));
        QCOMPARE(ui.shown[0].icon, MsgIcon::Warning);
        QCOMPARE(e->newStep(), 0);
        QCOMPARE(e->Label5->text(), NewStep1);
        QVERIFY(e->PicPOINT1->isHidden());
    }
    ui.shown.clear();

    // Touching another key's cell, corners on two pages, a cancelled label: silently nothing.
    newKey(*e, 1, 0, 0, 2, 2);
    clickCell(*e, 0, 0, 0);
    clickCell(*e, 1, 2, 2);
    ui.onDialog(pressCancel());
    newKey(*e, 2, 0, 0, 1, 1);
    QVERIFY(ui.shown.isEmpty());
    QCOMPARE(ui.dialogsShown, QStringList{QStringLiteral("frmKeyIn")});
    QCOMPARE(g->EditResult, 0);
    QVERIFY(unchanged());
    QCOMPARE(e->Label5->text(), NewStep1);

    // Presses on keys do nothing in New mode.
    clickKey(*e, 0);
    QCOMPARE(e->newStep(), 0);
}

void TestEditKey::keyNumbersFillGapsAndStopAt35()
{
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("A"));
    putKey(*g, 1, 0, 1, 1, 2, 0, 3, 1, QStringLiteral("B"));
    putKey(*g, 3, 0, 2, 2, 4, 0, 5, 1, QStringLiteral("D"));
    {
        auto e = open();
        e->selectMode(GridEditor::Mode::New);
        ui.onDialog(typeAndOk(QStringLiteral("C")));
        newKey(*e, 0, 0, 2, 1, 3);
        QCOMPARE(int(g->DevSlotBuf[0][3]), 2);
        QCOMPARE(int(g->DevLocBuf[2]), 3);
        QVERIFY(!e->PicKEY[2]->isHidden());
    }

    // 35 keys in use, page 3 empty: the 36th is refused all the same.
    clearDevice(*g);
    ui.clear();
    for (int k = 0; k < 35; ++k) {
        const int page = k / 12, slot = k % 12;
        putKey(*g, k, page, slot, slot, 2 * (slot % 3), 2 * (slot / 3), 2 * (slot % 3) + 1, 2 * (slot / 3) + 1,
               QStringLiteral("K%1").arg(k));
    }
    auto e = open();
    for (int k = 0; k < 35; ++k)
        QVERIFY(!e->PicKEY[k]->isHidden());
    e->selectMode(GridEditor::Mode::New);
    newKey(*e, 3, 0, 0, 1, 1);
    QCOMPARE(ui.lastText(), QStringLiteral("maximum 35 key"));
    QVERIFY(ui.dialogsShown.isEmpty());
    QCOMPARE(int(g->DevSlotBuf[3][0]), 255);
}

void TestEditKey::dragImageFollowsThePointer()
{
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("A"));
    putKey(*g, 1, 0, 1, 1, 3, 3, 4, 4, QStringLiteral("B"));
    auto e = open();
    QTest::mousePress(e->PicKEY[0], Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(e->dragging());
    QVERIFY(QGuiApplication::overrideCursor());
    QTest::mouseMove(e->PicPAGE1[2], QPoint(50, 50));
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    QTest::mouseMove(e->PicKEY[1], QPoint(10, 10));   // another key: forbidden
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BitmapCursor);
    QTest::mouseMove(e.get(), QPoint(300, 212));     // the window: forbidden
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BitmapCursor);
    QTest::mouseMove(e->PicKEY[0], QPoint(20, 20));   // itself: allowed
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    QTest::mouseRelease(e->PicKEY[0], Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(!e->dragging());
    QVERIFY(!QGuiApplication::overrideCursor());

    // Presses on keys in other modes start no drag.
    e->selectMode(GridEditor::Mode::Relabel);
    QTest::mousePress(e->PicKEY[0], Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!e->dragging());
    QTest::mouseRelease(e->PicKEY[0], Qt::LeftButton, {}, QPoint(50, 5));   // released off the key: no click
    QVERIFY(ui.dialogsShown.isEmpty());
}

void TestEditKey::dropRoundsAtElevenPixels()
{
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("A"));
    auto e = open();
    // Grabbed at (5, 5); dropped with the key's upper-left 30 or 31 pixels right and 60 down.
    dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[0], QPoint(5 + 30, 5 + 60));
    QCOMPARE(int(g->DevRectBuf[0][0]), cellCode(1, 3));
    QCOMPARE(e->PicKEY[0]->geometry(), QRect(8 + 20, 40 + 60, 40, 40));
    dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[0], QPoint(5 + 31, 5 + 100));
    QCOMPARE(int(g->DevRectBuf[0][0]), cellCode(2, 5));
    QCOMPARE(int(g->DevRectBuf[0][1]), cellCode(3, 6));
    QCOMPARE(e->PicKEY[0]->geometry(), QRect(8 + 40, 40 + 100, 40, 40));
    QVERIFY(e->cellMap().at(0, 3, 6) && !e->cellMap().at(0, 0, 0) && !e->cellMap().at(0, 1, 3));
    // A little left of the page edge still lands in column 0.
    dragKey(*e, 0, QPoint(15, 5), e->PicPAGE1[0], QPoint(2, 5));
    QCOMPARE(int(g->DevRectBuf[0][0]), cellCode(0, 0));
}

void TestEditKey::dropOnItselfKeepsTheSlot()
{
    putKey(*g, 4, 1, 3, 3, 2, 2, 3, 3, QStringLiteral("SELF"));
    record(1, 3)[0] = 0x41;
    auto e = open();
    // Dragged 25 pixels right and dropped on its own area: one cell.
    dragKey(*e, 4, QPoint(5, 5), e->PicKEY[4], QPoint(30, 5));
    QCOMPARE(int(g->DevSlotBuf[1][3]), 4);
    QCOMPARE(int(g->DevRectBuf[1][6]), cellCode(3, 2));
    QCOMPARE(int(g->DevRectBuf[1][7]), cellCode(4, 3));
    QCOMPARE(int(g->DevLocBuf[4]), 0x13);
    QCOMPARE(labelBytesOf(record(1, 3)), textLabel(QStringLiteral("SELF")));
    QCOMPARE(e->PicKEY[4]->geometry(), QRect(136 + 60, 80, 40, 40));
    // Backwards past half a cell: -11 rounds to one cell up.
    dragKey(*e, 4, QPoint(30, 30), e->PicKEY[4], QPoint(30, 19));
    QCOMPARE(int(g->DevRectBuf[1][6]), cellCode(3, 1));
    dragKey(*e, 4, QPoint(30, 30), e->PicKEY[4], QPoint(30, 20));   // -10: stays
    QCOMPARE(int(g->DevRectBuf[1][6]), cellCode(3, 1));
}

void TestEditKey::dropOnAnotherPageMovesSlotAndRecord()
{
    putKey(*g, 5, 0, 2, 2, 0, 0, 1, 1, QStringLiteral("TV"));
    putKey(*g, 6, 2, 0, 0, 4, 6, 5, 7, QStringLiteral("OTHER"));
    record(0, 2)[0] = 0x11;
    record(0, 2)[1] = 0x22;
    auto e = open();
    dragKey(*e, 5, QPoint(5, 5), e->PicPAGE1[2], QPoint(25, 45));
    // Old slot, corners and label bytes cleared; the two leading bytes stay.
    QCOMPARE(int(g->DevSlotBuf[0][2]), 255);
    QCOMPARE(int(g->DevRectBuf[0][4]), 255);
    QCOMPARE(int(g->DevRectBuf[0][5]), 255);
    QCOMPARE(labelBytesOf(record(0, 2)), QByteArray(20, char(0xFF)));
    QCOMPARE(int(record(0, 2)[0]), 0x11);
    QCOMPARE(int(record(0, 2)[1]), 0x22);
    // Lowest free slot of page 2 is 1; the label goes to record 1 there.
    QCOMPARE(int(g->DevSlotBuf[2][1]), 5);
    QCOMPARE(int(g->DevRectBuf[2][2]), cellCode(1, 2));
    QCOMPARE(int(g->DevRectBuf[2][3]), cellCode(2, 3));
    QCOMPARE(int(g->DevLocBuf[5]), 0x21);
    QCOMPARE(labelBytesOf(record(2, 1)), textLabel(QStringLiteral("TV")));
    QCOMPARE(e->PicKEY[5]->geometry(), QRect(264 + 20, 80, 40, 40));
    QVERIFY(!e->cellMap().at(0, 0, 0));
    QVERIFY(e->cellMap().at(2, 2, 3));

    // An icon key keeps its icon across pages.
    putKey(*g, 7, 1, 0, 0, 0, 0, 1, 1, QString(), 9);
    e->WORK_SET_KEY_DATA();
    dragKey(*e, 7, QPoint(5, 5), e->PicPAGE1[3], QPoint(5, 5));
    QCOMPARE(int(g->DevSlotBuf[3][0]), 7);
    QCOMPARE(int(record(3, 0)[2]), 9);
    QCOMPARE(int(g->DevLocBuf[7]), 0x30);
}

void TestEditKey::dropsThatDoNothing()
{
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("A"));
    putKey(*g, 1, 0, 1, 1, 3, 3, 4, 4, QStringLiteral("B"));
    auto e = open();
    const auto before = std::make_unique<DeviceWorkset>(static_cast<DeviceWorkset &>(*g));
    auto unchanged = [&] {
        return std::memcmp(before.get(), static_cast<DeviceWorkset *>(g.get()), sizeof(DeviceWorkset)) == 0;
    };
    dragKey(*e, 0, QPoint(5, 5), e->PicKEY[1], QPoint(5, 5));       // on another key
    dragKey(*e, 0, QPoint(5, 5), e.get(), QPoint(300, 212));        // on the window
    dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[0], QPoint(110, 5));   // past the right edge
    dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[0], QPoint(45, 45));   // overlapping key 1
    dragKey(*e, 1, QPoint(1, 1), e->PicKEY[1], QPoint(39, 39));     // itself, two cells: off the grid
    QVERIFY(unchanged());
    QCOMPARE(e->PicKEY[0]->geometry(), QRect(8, 40, 40, 40));
    QVERIFY(e->cellMap().at(0, 0, 0) && e->cellMap().at(0, 4, 4));
}

void TestEditKey::deleteClearsTheWholeRecord()
{
    putKey(*g, 2, 1, 4, 4, 0, 0, 1, 1, QStringLiteral("DEL"));
    record(1, 4)[0] = 0x10;
    record(1, 4)[1] = 0x20;
    auto e = open();
    e->selectMode(GridEditor::Mode::Delete);
    ui.answer(answer::Cancel);
    clickKey(*e, 2);
    QCOMPARE(ui.lastText(), QStringLiteral("Warning delete key?"));
    QCOMPARE(ui.shown.last().buttons, MsgButtons::OKCancel);
    QCOMPARE(g->DialogResult, 2);
    QCOMPARE(int(g->DevSlotBuf[1][4]), 2);
    QVERIFY(!e->PicKEY[2]->isHidden());

    clickKey(*e, 2);   // answered OK
    QCOMPARE(g->DialogResult, 1);
    QCOMPARE(int(g->DevSlotBuf[1][4]), 255);
    QCOMPARE(int(g->DevRectBuf[1][8]), 255);
    QCOMPARE(int(g->DevRectBuf[1][9]), 255);
    QCOMPARE(int(g->DevLocBuf[2]), 255);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(record(1, 4)), 22), QByteArray(22, char(0xFF)));
    QVERIFY(e->PicKEY[2]->isHidden());
    QVERIFY(!e->cellMap().at(1, 0, 0));
    QCOMPARE(e->keyText(2), fixedField(QString()));

    // The number is free again.
    e->selectMode(GridEditor::Mode::New);
    ui.onDialog(typeAndOk(QStringLiteral("N")));
    newKey(*e, 0, 0, 0, 1, 1);
    QCOMPARE(int(g->DevSlotBuf[0][0]), 0);
    putKey(*g, 1, 0, 1, 1, 2, 0, 3, 1, QStringLiteral("one"));
    e->WORK_SET_KEY_DATA();
    ui.onDialog(typeAndOk(QStringLiteral("N2")));
    newKey(*e, 0, 0, 2, 1, 3);
    QCOMPARE(int(g->DevSlotBuf[0][2]), 2);
}

void TestEditKey::relabelTextAndIcon()
{
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QString(), 5);
    putKey(*g, 1, 0, 1, 1, 2, 0, 3, 1, QStringLiteral("OLD"));
    record(0, 0)[0] = 0x31;
    record(0, 0)[1] = 0x32;
    record(0, 1)[0] = 0x33;
    auto e = open();
    e->selectMode(GridEditor::Mode::Relabel);

    // An icon key opens the dialog in icon mode on its icon; to text keeps the leading bytes.
    ui.onDialog([](QDialog &d) {
        QVERIFY(d.findChild<QRadioButton *>(QStringLiteral("OptIMG"))->isChecked());
        QVERIFY(d.findChild<QToolButton *>(QStringLiteral("Option1_5"))->isChecked());
        QTest::mouseClick(d.findChild<QLineEdit *>(QStringLiteral("Text_IN")), Qt::LeftButton);
        typeAndOk(QStringLiteral("AB"))(d);
    });
    clickKey(*e, 0);
    QCOMPARE(g->EditResult, 1);
    QCOMPARE(labelBytesOf(record(0, 0)), textLabel(QStringLiteral("AB")));
    QCOMPARE(int(record(0, 0)[0]), 0x31);
    QCOMPARE(int(record(0, 0)[1]), 0x32);
    QCOMPARE(e->keyText(0), fixedField(QStringLiteral("AB")));

    // A text key opens in text mode with its text; to an icon clears the whole record.
    ui.onDialog([](QDialog &d) {
        QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->text(), QStringLiteral("OLD"));
        pickIconAndOk(130)(d);
    });
    clickKey(*e, 1);
    QCOMPARE(int(record(0, 1)[0]), 255);
    QCOMPARE(int(record(0, 1)[1]), 255);
    QCOMPARE(int(record(0, 1)[2]), 130);
    QCOMPARE(labelBytesOf(record(0, 1)).mid(1), QByteArray(19, char(0xFF)));
    QCOMPARE(e->keyText(1), fixedField(QString()));
    QCOMPARE(QColor(e->PicKEY[1]->face().pixel(20, 10)).rgb(), andColour(blankColour(), iconColour(1, 2)));

    // Cancel changes nothing; the key keeps slot, place and size throughout.
    ui.onDialog(pressCancel());
    clickKey(*e, 1);
    QCOMPARE(int(record(0, 1)[2]), 130);
    QCOMPARE(int(g->DevSlotBuf[0][1]), 1);
    QCOMPARE(e->PicKEY[1]->geometry(), QRect(48, 40, 40, 40));
}

void TestEditKey::resizeSteps()
{
    putKey(*g, 3, 0, 0, 0, 1, 1, 2, 2, QStringLiteral("RS"));
    record(0, 0)[0] = 0x44;
    auto e = open();
    e->selectMode(GridEditor::Mode::Resize);

    // To its own cells: allowed, its cells are freed first.
    clickKey(*e, 3);
    QCOMPARE(e->resizeStep(), 1);
    QVERIFY(e->PicKEY[3]->isHidden());
    QCOMPARE(e->Label5->text(), QStringLiteral("Step2:Setup the upper left corner of the Resize key. "));
    clickCell(*e, 0, 1, 1);
    QCOMPARE(e->Label5->text(), QStringLiteral("Step3: Setup the lower right corner of the Resize key."));
    QVERIFY(!e->PicPOINT1->isHidden());
    clickCell(*e, 0, 2, 2);
    QCOMPARE(e->resizeStep(), 0);
    QVERIFY(!e->PicKEY[3]->isHidden());
    QCOMPARE(int(g->DevRectBuf[0][0]), cellCode(1, 1));
    QCOMPARE(int(g->DevRectBuf[0][1]), cellCode(2, 2));
    QCOMPARE(e->Label5->text(), QStringLiteral("Step1: Select the key that you want to resize."));
    QVERIFY(e->PicPOINT1->isHidden() && e->PicPOINT2->isHidden());

    // Larger, onto another page: slot and record move there and the face is redrawn.
    clickKey(*e, 3);
    clickCell(*e, 1, 0, 4);
    clickCell(*e, 1, 5, 7);
    QCOMPARE(int(g->DevSlotBuf[0][0]), 255);
    QCOMPARE(int(g->DevSlotBuf[1][0]), 3);
    QCOMPARE(int(g->DevRectBuf[1][0]), cellCode(0, 4));
    QCOMPARE(int(g->DevRectBuf[1][1]), cellCode(5, 7));
    QCOMPARE(int(g->DevLocBuf[3]), 0x10);
    QCOMPARE(labelBytesOf(record(1, 0)), textLabel(QStringLiteral("RS")));
    QCOMPARE(int(record(0, 0)[0]), 0x44);
    QCOMPARE(labelBytesOf(record(0, 0)), QByteArray(20, char(0xFF)));
    QCOMPARE(e->PicKEY[3]->geometry(), QRect(136, 120, 120, 80));
    QCOMPARE(e->PicKEY[3]->face().size(), QSize(120, 80));
    QCOMPARE(QColor(e->PicKEY[3]->face().pixel(119, 79)).rgb(), FaceShadow.rgb());
    QVERIFY(e->cellMap().at(1, 5, 7) && !e->cellMap().at(0, 1, 1));
}

void TestEditKey::resizeRefusals()
{
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("A"));
    putKey(*g, 1, 0, 1, 1, 3, 3, 4, 4, QStringLiteral("B"));
    auto e = open();
    const auto before = std::make_unique<DeviceWorkset>(static_cast<DeviceWorkset &>(*g));
    auto unchanged = [&] {
        return std::memcmp(before.get(), static_cast<DeviceWorkset *>(g.get()), sizeof(DeviceWorkset)) == 0;
    };
    e->selectMode(GridEditor::Mode::Resize);
    auto attempt = [&](int p1, int c1, int r1, int p2, int c2, int r2) {
        clickKey(*e, 0);
        clickCell(*e, p1, c1, r1);
        clickCell(*e, p2, c2, r2);
        QCOMPARE(e->resizeStep(), 0);
        QVERIFY(!e->PicKEY[0]->isHidden());
        QCOMPARE(e->PicKEY[0]->geometry(), QRect(8, 40, 40, 40));
        QCOMPARE(e->Label5->text(), QStringLiteral("Step1: Select the key that you want to resize."));
    };
    attempt(0, 0, 0, 0, 0, 3);   // one column
    attempt(0, 2, 2, 0, 1, 1);   // inverted
    attempt(0, 0, 0, 1, 2, 2);   // two pages
    attempt(0, 0, 0, 0, 3, 3);   // onto key 1
    QVERIFY(unchanged());
    QVERIFY(ui.shown.isEmpty());
    QVERIFY(e->cellMap().at(0, 0, 0) && e->cellMap().at(0, 1, 1));

    // Leaving Resize mid-way shows the key again.
    clickKey(*e, 0);
    QVERIFY(e->PicKEY[0]->isHidden());
    e->selectMode(GridEditor::Mode::Move);
    QVERIFY(!e->PicKEY[0]->isHidden());
    QCOMPARE(e->resizeStep(), 1);
}

void TestEditKey::secondCornerBelongsToThePageOfItsPress()
{
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    ui.onDialog(typeAndOk(QStringLiteral("A")));
    // Pressed on the right page, released below it: the key is made.
    clickCell(*e, 0, 0, 0);
    QTest::mousePress(e->PicPAGE1[0], Qt::LeftButton, {}, QPoint(29, 29));
    QTest::mouseRelease(e->PicPAGE1[0], Qt::LeftButton, {}, QPoint(29, 175));
    QCOMPARE(int(g->DevSlotBuf[0][0]), 0);
    QCOMPARE(int(g->DevRectBuf[0][1]), cellCode(1, 1));

    // Pressed on page 2, released over page 1 where the first corner is: nothing.
    clickCell(*e, 0, 3, 3);
    QTest::mousePress(e->PicPAGE1[1], Qt::LeftButton, {}, QPoint(89, 89));
    QTest::mouseRelease(e->PicPAGE1[1], Qt::LeftButton, {}, QPoint(-39, 89));
    QCOMPARE(int(g->DevSlotBuf[0][1]), 255);
    QCOMPARE(int(g->DevSlotBuf[1][0]), 255);
    QCOMPARE(ui.dialogsShown.size(), 1);
    QCOMPARE(e->newStep(), 0);

    // Resize likewise takes the page of the press.
    e->selectMode(GridEditor::Mode::Resize);
    clickKey(*e, 0);
    clickCell(*e, 0, 2, 2);
    QTest::mousePress(e->PicPAGE1[0], Qt::LeftButton, {}, QPoint(69, 69));
    QTest::mouseRelease(e->PicPAGE1[0], Qt::LeftButton, {}, QPoint(130, 69));
    QCOMPARE(int(g->DevRectBuf[0][0]), cellCode(2, 2));
    QCOMPARE(int(g->DevRectBuf[0][1]), cellCode(3, 3));
    QCOMPARE(e->resizeStep(), 0);
}

void TestEditKey::okCancelAndTheWindowFrame()
{
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    ui.onDialog(typeAndOk(QStringLiteral("A")));
    newKey(*e, 0, 0, 0, 1, 1);
    QCOMPARE(g->EditResult, 1);   // left by the label dialog
    e->close();                   // the window frame
    QCOMPARE(g->EditResult, 0);
    QCOMPARE(g->DialogResult, 2);

    e = open();
    QTest::mouseClick(e->ComYES, Qt::LeftButton);
    QCOMPARE(g->EditResult, 255);
    QVERIFY(e->isHidden());

    e = open();
    QTest::mouseClick(e->ComNO, Qt::LeftButton);
    QCOMPARE(g->EditResult, 0);

    // The label dialog closed through its frame counts as its Cancel.
    clearDevice(*g);
    e = open();
    e->selectMode(GridEditor::Mode::New);
    ui.onDialog([](QDialog &d) { d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->setText(QStringLiteral("X")); });
    newKey(*e, 0, 0, 0, 1, 1);
    QCOMPARE(g->EditResult, 0);
    QCOMPARE(int(g->DevSlotBuf[0][0]), 255);
    QCOMPARE(ui.dialogsShown.last(), QStringLiteral("frmKeyIn"));
}

void TestEditKey::moveNeverOverwritesAnotherKeysLabel()
{
    // A damaged file: key 1 in slot 1 of page 2 keeps its label in record 0.
    putKey(*g, 1, 2, 1, 0, 4, 6, 5, 7, QStringLiteral("KEEP"));
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("MOVE"));
    auto e = open();
    dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[2], QPoint(5, 5));
    QCOMPARE(int(g->DevSlotBuf[2][0]), 0);
    QCOMPARE(labelBytesOf(record(2, 0)), textLabel(QStringLiteral("KEEP")));
    QCOMPARE(int(g->DevLocBuf[0]), 0x21);
    QCOMPARE(labelBytesOf(record(2, 1)), textLabel(QStringLiteral("MOVE")));
}

void TestEditKey::deleteFreesADuplicatedNumber()
{
    putKey(*g, 4, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("TWICE"));
    g->DevSlotBuf[3][7] = 4;   // a stray second slot naming key 4, with bad corners
    auto e = open();
    e->selectMode(GridEditor::Mode::Delete);
    clickKey(*e, 4);
    QCOMPARE(int(g->DevSlotBuf[0][0]), 255);
    QCOMPARE(int(g->DevSlotBuf[3][7]), 255);
}

void TestEditKey::threeDeletesComeBackWithCtrlZ()
{
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("TV"));
    putKey(*g, 1, 1, 3, 3, 2, 2, 5, 3, QString(), 7);
    putKey(*g, 2, 3, 0, 0, 0, 6, 5, 7, QStringLiteral("SETUP MENU"));
    const auto start = std::make_unique<DeviceWorkset>(*g);
    auto e = open();
    e->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e.get()));
    e->selectMode(GridEditor::Mode::Delete);
    for (int k : {0, 1, 2}) {
        ui.answer(answer::OK);
        clickKey(*e, k);
        QVERIFY(e->PicKEY[k]->isHidden());
    }
    QCOMPARE(int(g->DevLocBuf[2]), 255);
    QVERIFY(e->cmdUndo->isEnabled());
    QVERIFY(!e->cmdRedo->isEnabled());

    for (int i = 0; i < 3; ++i)
        QTest::keySequence(e.get(), QKeySequence::Undo);
    QVERIFY(std::memcmp(start.get(), static_cast<DeviceWorkset *>(g.get()), sizeof(DeviceWorkset)) == 0);
    for (int k : {0, 1, 2})
        QVERIFY(!e->PicKEY[k]->isHidden());
    QCOMPARE(e->PicKEY[1]->geometry(), QRect(8 + 128 + 40, 40 + 40, 80, 40));
    QCOMPARE(e->keyText(2), fixedField(QStringLiteral("SETUP MENU")));
    QVERIFY(!e->cmdUndo->isEnabled());
    QVERIFY(e->cmdRedo->isEnabled());

    // Redo deletes the first again; a new edit then drops what was left to redo.
    QTest::keySequence(e.get(), QKeySequence::Redo);
    QVERIFY(e->PicKEY[0]->isHidden());
    QCOMPARE(int(g->DevSlotBuf[0][0]), 255);
    ui.answer(answer::OK);
    clickKey(*e, 1);
    QVERIFY(!e->cmdRedo->isEnabled());
    QCOMPARE(e->undoStack().count(), 2);
}

void TestEditKey::escapeAbandonsAHalfMadeEdit()
{
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    clickCell(*e, 0, 0, 0);
    QCOMPARE(e->newStep(), 1);
    QVERIFY(e->PicPOINT1->isVisible());
    QTest::keyClick(e.get(), Qt::Key_Escape);
    QCOMPARE(e->newStep(), 0);
    QVERIFY(!e->PicPOINT1->isVisible());
    QCOMPARE(e->Label5->text(), NewStep1);
    QVERIFY(e->isVisible());
    QCOMPARE(e->undoStack().count(), 0);

    // With nothing under way, Escape cancels the editor as before.
    QTest::keyClick(e.get(), Qt::Key_Escape);
    QVERIFY(e->isHidden());
    QCOMPARE(g->EditResult, 0);
}

void TestEditKey::movedAndResizedKeysWriteTheirLabelAsShown()
{
    // A text with trailing blanks and an icon with stray bytes behind its number.
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("TV  "));
    record(0, 0)[0] = 0x11;
    record(0, 0)[1] = 0x22;
    putKey(*g, 1, 0, 3, 3, 2, 2, 3, 3, QString(), 9);
    std::memset(record(0, 3) + 3, 'A', 19);
    record(1, 0)[0] = 0x33;
    record(1, 0)[1] = 0x44;
    auto e = open();

    dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[1], QPoint(5, 5));
    QCOMPARE(labelBytesOf(record(1, 0)), textLabel(QStringLiteral("TV")));
    QCOMPARE(int(record(1, 0)[0]), 0x33);   // leading bytes stay where they were
    QCOMPARE(int(record(1, 0)[1]), 0x44);
    QCOMPARE(int(record(0, 0)[0]), 0x11);
    QCOMPARE(labelBytesOf(record(0, 0)), QByteArray(20, char(0xFF)));

    // Resized into the lowest free slot, 0: the icon number alone goes along.
    e->selectMode(GridEditor::Mode::Resize);
    clickKey(*e, 1);
    clickCell(*e, 0, 2, 2);
    clickCell(*e, 0, 4, 4);
    QCOMPARE(int(g->DevLocBuf[1]), 0x00);
    QByteArray icon(20, char(0xFF));
    icon[0] = 9;
    QCOMPARE(labelBytesOf(record(0, 0)), icon);
    QCOMPARE(int(record(0, 0)[0]), 0x11);
    QCOMPARE(labelBytesOf(record(0, 3)), QByteArray(20, char(0xFF)));
}

void TestEditKey::editsThatChangeNothingAreNoUndoStep()
{
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("TV"));
    auto e = open();
    clickKey(*e, 0);   // a click in Move mode drops the key where it was
    e->selectMode(GridEditor::Mode::Relabel);
    ui.onDialog(typeAndOk(QStringLiteral("TV")));
    clickKey(*e, 0);
    QCOMPARE(ui.dialogsShown.size(), 1);
    QCOMPARE(e->undoStack().count(), 0);
    ui.onDialog(typeAndOk(QStringLiteral("TV2")));
    clickKey(*e, 0);
    QCOMPARE(e->undoStack().count(), 1);
}

// The memory's timer WAKE UP and hot macro MOVIE press TV's key 1 (page 1, slot 1): the
// status line names them after an edit that leaves them pointing at nothing, and stops when
// the edit is undone.
void TestEditKey::saysWhatPointsAtALeftKey()
{
    MenuWorkset &menu = *g;
    for (auto *table : {&menu.MenuSlotBuf[0], &menu.MenuSlotBuf[1]})
        table->fill(Empty);
    menu.MenuLocBuf.fill(Empty);
    menu.MenuSlotBuf[0][0] = 0;
    menu.MenuRectBuf[0][1] = 0x11;
    menu.MenuLocBuf[0] = 0;
    writeLabelText(&menu.MenuLabelBuf[0][2], QStringLiteral("TV"));
    WriteMenuWorkset(g->Image, menu);
    for (auto &record : g->TimerBuf)
        record.fill(Empty);
    for (auto &record : g->MacroBuf)
        record.fill(Empty);
    g->TimerBuf[0] = {0, Empty, Empty, 7, 0, 0, 0, 0, 0, 0};
    g->TimerNames[0] = QStringLiteral("WAKE UP");
    g->MacroBuf[0][0] = stepHead(0, 1);
    g->MacroBuf[0][1] = 0;
    g->MacroNames[0] = QStringLiteral("MOVIE");
    WriteTimers(g->Image, *g);
    WriteMacros(g->Image, *g);
    g->LoadedKind = 1;
    g->SelectedBank = 0;
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("POWER"));
    auto e = open();
    e->selectMode(GridEditor::Mode::Delete);
    ui.answer(answer::OK);
    clickKey(*e, 0);
    QCOMPARE(e->lblStatus->toolTip(), QStringLiteral("Timer WAKE UP and hot macro MOVIE (step 1) press key 1, which no "
                                                     "longer exists."));
    QCOMPARE(ui.lastText(), QStringLiteral("Warning delete key?"));
    e->undo();
    QCOMPARE(e->lblStatus->toolTip(), QString());
    e->selectMode(GridEditor::Mode::Move);
    dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[2], QPoint(25, 45));
    QCOMPARE(e->lblStatus->toolTip(), QStringLiteral("Timer WAKE UP records key 1 where it stood before."));
}

QTEST_MAIN(TestEditKey)
#include "tst_editkey.moc"
