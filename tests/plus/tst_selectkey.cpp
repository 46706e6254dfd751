#include "PlusFixture.h"

#include <QApplication>

#include "core/TextCodec.h"
#include "plus/PlusRecords.h"
#include "plus/frmSelectKey.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

using namespace quillet;
using namespace quillet::fixture;

class TestSelectKey : public QObject {
    Q_OBJECT
private slots:
    void init();
    void timerDeviceKeyWritesItsPosition();
    void timerHotMacroKeyWritesItsCells();
    void timerReopensOnItsStoredKey();
    void timerWithoutKeyOpensOnFirstDevice();
    void storedBankWithoutNameShowsFirstDevice();
    void macroStepWritesBankDelayAndKey();
    void macroStepOpensOnItsStoredKey();
    void emptyStepOpensOnBankZero();
    void deviceListEntriesAreBoundToBanks();
    void okNeedsAKeySinceTheLastChange();
    void reviewOnlyShows();
    void cancelAndFrameCloseClearStepNo();
    void pagesAndKeysSitWhereTheEditorPutsThem();
    void pressedKeyIsDrawnSunken();
    void missingPicturesAreToldAndTheDialogStillWorks();
    void chosenWithoutAMouse();

private:
    std::unique_ptr<Globals> g;
    ScriptedUiServices ui;

    void forTimer(int bank, int key = 255, int page = 255, int loc1 = 255, int loc2 = 255, int editResult = 1)
    {
        g->PlusKind = 0;
        g->EditResult = editResult;
        g->TimerRecord = Bytes<10>{3, 1, 1, 7, 30, static_cast<Byte>(bank), static_cast<Byte>(key),
                                   static_cast<Byte>(page), static_cast<Byte>(loc1), static_cast<Byte>(loc2)};
    }
    void forStep(int n, Byte head, Byte key, int editResult = 1)
    {
        g->PlusKind = 1;
        g->EditResult = editResult;
        g->StepNo = n;
        g->MacroRecord.fill(0x77);
        g->MacroRecord[2 * n - 2] = head;
        g->MacroRecord[2 * n - 1] = key;
    }
};

void TestSelectKey::init()
{
    g = makeDocument();
    ui.clear();
}

void TestSelectKey::timerDeviceKeyWritesItsPosition()
{
    forTimer(255);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    choose(dlg, "ComboBANK", "DVD");
    click(dlg, "PicKEY_12");
    QCOMPARE(dlg.pressedKey(), 12);
    click(dlg, "ComYES");
    QVERIFY(!dlg.isVisible());
    const Bytes<10> expected{3, 1, 1, 7, 30, 2, 12, 1, 0, 222};
    QCOMPARE(g->TimerRecord, expected);
}

void TestSelectKey::timerHotMacroKeyWritesItsCells()
{
    forTimer(255);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    click(dlg, "OptMACRO");
    QVERIFY(!dlg.ComboBANK->isEnabled());
    for (auto *key : dlg.OptKEY)
        QVERIFY(!key->isEnabled());
    for (int k = 0; k < 35; ++k)
        QCOMPARE(dlg.PicKEY[k]->isVisible(), k < 12);
    QCOMPARE(dlg.PicKEY[6]->geometry(), QRect(136, 120, 120, 40));
    QVERIFY(!dlg.ComYES->isEnabled());

    click(dlg, "PicKEY_6");
    QCOMPARE(dlg.pressedKey(), 6);
    click(dlg, "ComYES");
    const Bytes<10> expected{3, 1, 1, 7, 30, 10, 6, 1, 4, 85};
    QCOMPARE(g->TimerRecord, expected);

    // Every hot-macro key k gives column k div 4 and cells 2(k mod 4), 80 + 2(k mod 4) + 1.
    for (int k = 0; k < 12; ++k) {
        forTimer(255);
        frmSelectKey again(*g, ui);
        again.show();
        click(again, "OptMACRO");
        click(again, QStringLiteral("PicKEY_%1").arg(k));
        click(again, "ComYES");
        QCOMPARE(int(g->TimerRecord[7]), k / 4);
        QCOMPARE(int(g->TimerRecord[8]), 2 * (k % 4));
        QCOMPARE(int(g->TimerRecord[9]), 80 + 2 * (k % 4) + 1);
    }
}

void TestSelectKey::timerReopensOnItsStoredKey()
{
    forTimer(10, 6, 1, 4, 85);
    {
        frmSelectKey dlg(*g, ui);
        dlg.show();
        QVERIFY(dlg.OptMACRO->isChecked());
        QCOMPARE(dlg.pressedKey(), 6);
        QVERIFY(!dlg.ComYES->isEnabled());
        QVERIFY(!dlg.ComboDELAY->isVisible() && !dlg.LabelDELAY->isVisible());
        QVERIFY(dlg.FrameMODE->isVisible());
    }
    forTimer(2, 12, 1, 0, 222);
    {
        frmSelectKey dlg(*g, ui);
        dlg.show();
        QVERIFY(dlg.OptMENU->isChecked());
        QCOMPARE(dlg.ComboBANK->currentText(), QStringLiteral("DVD"));
        QCOMPARE(dlg.pressedKey(), 12);
        QVERIFY(!dlg.ComYES->isEnabled());
    }
    forTimer(1, 38, 0, 0, 0);
    {
        frmSelectKey dlg(*g, ui);
        dlg.show();
        QCOMPARE(dlg.ComboBANK->currentText(), QStringLiteral("VCR"));
        QVERIFY(dlg.OptKEY[3]->isChecked());
        QCOMPARE(dlg.pressedKey(), -1);
        QVERIFY(!dlg.ComYES->isEnabled());
    }
}

void TestSelectKey::timerWithoutKeyOpensOnFirstDevice()
{
    forTimer(255);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Select the key"));
    QVERIFY(dlg.OptMENU->isChecked());
    QCOMPARE(dlg.OptMENU->text(), QStringLiteral("DEVICE"));
    QCOMPARE(dlg.OptMACRO->text(), QStringLiteral("MACRO"));
    QCOMPARE(dlg.ComboBANK->currentText(), QStringLiteral("TV"));
    QCOMPARE(dlg.SelBank, 0);
    QVERIFY(dlg.PicKEY[0]->isVisible());
    QCOMPARE(dlg.pressedKey(), -1);
    QVERIFY(dlg.ComboBANK->isEnabled());
    for (auto *key : dlg.OptKEY)
        QVERIFY(key->isEnabled());

    // Back from the hot-macro keys to the devices: the first device again, its keys only.
    click(dlg, "OptMACRO");
    click(dlg, "OptMENU");
    QCOMPARE(dlg.ComboBANK->currentText(), QStringLiteral("TV"));
    QVERIFY(dlg.PicKEY[0]->isVisible() && !dlg.PicKEY[1]->isVisible());
    QVERIFY(dlg.ComboBANK->isEnabled() && dlg.OptKEY[0]->isEnabled());
}

void TestSelectKey::storedBankWithoutNameShowsFirstDevice()
{
    forTimer(6, 0, 0, 0, 0);
    frmSelectKey timerDlg(*g, ui);
    timerDlg.show();
    QCOMPARE(timerDlg.ComboBANK->currentText(), QStringLiteral("TV"));
    QCOMPARE(timerDlg.SelBank, 0);
    QCOMPARE(timerDlg.pressedKey(), -1);   // key 0 of bank 6 is not key 0 of the TV

    forStep(1, 0x70, 0);
    frmSelectKey stepDlg(*g, ui);
    stepDlg.show();
    QCOMPARE(stepDlg.ComboBANK->currentText(), QStringLiteral("TV"));
    click(stepDlg, "PicKEY_0");
    click(stepDlg, "ComYES");
    QCOMPARE(g->MacroRecord[0], Byte(0x00));
}

void TestSelectKey::macroStepWritesBankDelayAndKey()
{
    forStep(4, Empty, Empty);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    QVERIFY(!dlg.FrameMODE->isVisible());
    QVERIFY(dlg.ComboDELAY->isVisible());
    QCOMPARE(dlg.LabelDELAY->text(), QStringLiteral("DELAY"));
    QStringList delays;
    for (int i = 0; i < dlg.ComboDELAY->count(); ++i)
        delays << dlg.ComboDELAY->itemText(i);
    QCOMPARE(delays, (QStringList{"0.5 Second", "1 Second", "2 Second", "3 Second", "5 Second", "7 Second",
                                  "10 Second", "15 Second"}));

    choose(dlg, "ComboBANK", "VCR");
    choose(dlg, "ComboDELAY", "10 Second");
    click(dlg, "OptKEY_2");
    click(dlg, "ComYES");
    Bytes<66> expected;
    expected.fill(0x77);
    expected[6] = 0x1A;
    expected[7] = 37;
    QCOMPARE(g->MacroRecord, expected);
    QCOMPARE(g->StepNo, 4);

    // Each delay keeps its own code, including the gaps in the list.
    const int codes[8] = {0, 1, 2, 3, 5, 7, 10, 15};
    for (int i = 0; i < 8; ++i) {
        forStep(25, Empty, Empty);
        frmSelectKey again(*g, ui);
        again.show();
        again.ComboDELAY->setCurrentIndex(i);
        click(again, "PicKEY_0");
        click(again, "ComYES");
        QCOMPARE(int(g->MacroRecord[48]), codes[i]);
        QCOMPARE(int(g->MacroRecord[49]), 0);
        QCOMPARE(int(g->MacroRecord[50]), 0x77);
    }
}

void TestSelectKey::macroStepOpensOnItsStoredKey()
{
    forStep(2, 0x35, 0x07);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.ComboBANK->currentText(), QStringLiteral("AMP"));
    QCOMPARE(dlg.ComboDELAY->currentText(), QStringLiteral("5 Second"));
    QCOMPARE(dlg.pressedKey(), 7);
    QVERIFY(!dlg.ComYES->isEnabled());

    // A delay code off the list shows the first delay; a stored rubber key is selected.
    forStep(2, 0x14, 40);
    frmSelectKey other(*g, ui);
    other.show();
    QCOMPARE(other.ComboBANK->currentText(), QStringLiteral("VCR"));
    QCOMPARE(other.ComboDELAY->currentText(), QStringLiteral("0.5 Second"));
    QVERIFY(other.OptKEY[5]->isChecked());
}

void TestSelectKey::emptyStepOpensOnBankZero()
{
    forStep(1, Empty, Empty);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.ComboBANK->currentText(), QStringLiteral("TV"));
    QCOMPARE(dlg.ComboDELAY->currentText(), QStringLiteral("0.5 Second"));
    QCOMPARE(dlg.pressedKey(), -1);
    for (auto *key : dlg.OptKEY)
        QVERIFY(!key->isChecked());
}

void TestSelectKey::deviceListEntriesAreBoundToBanks()
{
    clearMenu(*g);
    nameBank(*g, 0, QStringLiteral("  TV "), 0, 0);
    nameBank(*g, 2, QStringLiteral("TV"), 0, 1);   // same name, other bank
    forTimer(255);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.ComboBANK->count(), 2);
    QCOMPARE(dlg.ComboBANK->itemText(0), QStringLiteral("TV"));
    choose(dlg, "ComboBANK", QStringLiteral("TV"));   // the first TV is shown: no change
    QCOMPARE(dlg.SelBank, 0);
    chooseEntry(dlg.ComboBANK, 1);
    QCOMPARE(dlg.SelBank, 2);
    QVERIFY(dlg.PicKEY[12]->isVisible());
    click(dlg, "PicKEY_12");
    click(dlg, "ComYES");
    QCOMPARE(g->TimerRecord[5], Byte(2));

    // No device named at all: an empty list, and the dialog still opens, but no bank's
    // keys are shown or chosen, not even through a rubber key.
    clearMenu(*g);
    for (int kind : {0, 1}) {
        if (kind == 0)
            forTimer(255);
        else
            forStep(1, 0x20, 0);
        frmSelectKey empty(*g, ui);
        empty.show();
        QCOMPARE(empty.ComboBANK->count(), 0);
        QCOMPARE(empty.ComboBANK->currentIndex(), -1);
        for (auto *key : empty.OptKEY) {
            QVERIFY(!key->isEnabled());
            QTest::mouseClick(key, Qt::LeftButton);
        }
        for (auto *key : empty.PicKEY)
            QVERIFY(key->isHidden());
        QVERIFY(!empty.ComYES->isEnabled());
    }
}

void TestSelectKey::okNeedsAKeySinceTheLastChange()
{
    forTimer(255);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    click(dlg, "OptKEY_1");
    QVERIFY(dlg.ComYES->isEnabled());
    choose(dlg, "ComboBANK", "DVD");
    QVERIFY(!dlg.ComYES->isEnabled());
    QVERIFY(!dlg.OptKEY[1]->isChecked());

    // Choosing the shown device again starts over too.
    click(dlg, "PicKEY_12");
    choose(dlg, "ComboBANK", "DVD");
    QVERIFY(!dlg.ComYES->isEnabled());
    QCOMPARE(dlg.pressedKey(), -1);
    click(dlg, "OptKEY_2");
    choose(dlg, "ComboBANK", "DVD");
    QVERIFY(!dlg.ComYES->isEnabled());
    QVERIFY(!dlg.OptKEY[2]->isChecked());

    click(dlg, "PicKEY_12");
    QVERIFY(dlg.ComYES->isEnabled());
    // A rubber key takes the pressed look away but keeps the key's page and position.
    click(dlg, "OptKEY_6");
    QCOMPARE(dlg.pressedKey(), -1);
    click(dlg, "ComYES");
    const Bytes<10> expected{3, 1, 1, 7, 30, 2, 41, 1, 0, 222};
    QCOMPARE(g->TimerRecord, expected);

    forTimer(255);
    frmSelectKey modes(*g, ui);
    modes.show();
    click(modes, "PicKEY_0");
    click(modes, "OptMACRO");
    QVERIFY(!modes.ComYES->isEnabled());
    click(modes, "PicKEY_0");
    click(modes, "OptMENU");
    QVERIFY(!modes.ComYES->isEnabled());
}

void TestSelectKey::reviewOnlyShows()
{
    forStep(3, 0x35, 0x07, 0);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.pressedKey(), 7);
    QVERIFY(!dlg.ComYES->isEnabled() && !dlg.ComboBANK->isEnabled() && !dlg.ComboDELAY->isEnabled());
    for (auto *key : dlg.PicKEY)
        QVERIFY(!key->isEnabled());
    for (auto *key : dlg.OptKEY)
        QVERIFY(!key->isEnabled());
    QTest::mouseClick(dlg.PicKEY[7], Qt::LeftButton);
    QVERIFY(!dlg.ComYES->isEnabled());

    forTimer(10, 2, 0, 4, 85, 0);
    frmSelectKey timerDlg(*g, ui);
    timerDlg.show();
    QVERIFY(!timerDlg.OptMACRO->isEnabled() && !timerDlg.OptMENU->isEnabled());
    QCOMPARE(timerDlg.pressedKey(), 2);
    click(timerDlg, "ComNO");
    QCOMPARE(g->StepNo, 0);
}

void TestSelectKey::cancelAndFrameCloseClearStepNo()
{
    for (bool frame : {false, true}) {
        forStep(5, 0x35, 0x07);
        g->DialogResult = 0;
        frmSelectKey dlg(*g, ui);
        dlg.show();
        click(dlg, "PicKEY_7");
        if (frame)
            dlg.close();
        else
            click(dlg, "ComNO");
        QVERIFY(!dlg.isVisible());
        QCOMPARE(g->StepNo, 0);
        QCOMPARE(g->DialogResult, 2);
        QCOMPARE(g->MacroRecord[8], Byte(0x35));
        QCOMPARE(g->MacroRecord[9], Byte(0x07));
    }
}

void TestSelectKey::pagesAndKeysSitWhereTheEditorPutsThem()
{
    // Key 7 of the AMP: page 2, cells (0,0) to (5,1).
    forTimer(3);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.PicKEY[7]->geometry(), QRect(264, 40, 120, 40));
    QCOMPARE(dlg.PicPAGE1[2]->geometry().topLeft(), QPoint(264, 40));
}

void TestSelectKey::pressedKeyIsDrawnSunken()
{
    forTimer(2, 12, 1, 0, 222);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    auto sunken = [&](int key) {
        const QImage &face = dlg.PicKEY[key]->face();
        return face.pixel(0, 0) == FaceShadow.rgb() && face.pixel(face.width() - 1, face.height() - 1) == FaceLight.rgb();
    };
    auto raised = [&](int key) {
        const QImage &face = dlg.PicKEY[key]->face();
        return face.pixel(0, 0) == FaceLight.rgb() && face.pixel(face.width() - 1, face.height() - 1) == FaceShadow.rgb();
    };
    QVERIFY(sunken(12));
    QVERIFY(raised(5));
    QCOMPARE(dlg.keyText()[12], fixedField(QStringLiteral("PLAY")));
    QCOMPARE(dlg.keyText()[5], fixedField(QStringLiteral("A")));

    click(dlg, "PicKEY_5");
    QVERIFY(sunken(5));
    QVERIFY(raised(12));   // only one key looks pressed
    click(dlg, "OptKEY_0");
    QVERIFY(raised(5) && raised(12));

    click(dlg, "OptMACRO");
    QCOMPARE(dlg.keyText()[3], fixedField(QStringLiteral("MACRO 3")));
    click(dlg, "PicKEY_3");
    QVERIFY(sunken(3));
}

void TestSelectKey::missingPicturesAreToldAndTheDialogStillWorks()
{
    QTemporaryDir empty;
    g->AppDir = empty.path();
    forTimer(255);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    QCOMPARE(ui.shown.size(), 1);
    QVERIFY(ui.lastText().contains(QStringLiteral("NONE.jpg")));
    choose(dlg, "ComboBANK", "DVD");
    click(dlg, "PicKEY_12");
    click(dlg, "ComYES");
    QCOMPARE(g->TimerRecord[9], Byte(222));
}

void TestSelectKey::chosenWithoutAMouse()
{
    // The same key as timerDeviceKeyWritesItsPosition, by keys alone.
    forTimer(255);
    frmSelectKey dlg(*g, ui);
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    auto press = [](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
    };
    while (QApplication::focusWidget() != dlg.ComboBANK)
        press(Qt::Key_Tab);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    QCOMPARE(dlg.SelBank, 2);
    for (int i = 0; i < 5 && !qobject_cast<KeyBox *>(QApplication::focusWidget()); ++i)
        press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dlg.PicKEY[0]);
    press(Qt::Key_Right);   // key 5 on the next page, key 12 under it
    QCOMPARE(QApplication::focusWidget(), dlg.PicKEY[5]);
    press(Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), dlg.PicKEY[12]);
    press(Qt::Key_Return);
    QCOMPARE(dlg.pressedKey(), 12);
    QCOMPARE(QApplication::focusWidget(), dlg.PicKEY[12]);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), dlg.ComYES);
    press(Qt::Key_Space);
    QVERIFY(!dlg.isVisible());
    const Bytes<10> expected{3, 1, 1, 7, 30, 2, 12, 1, 0, 222};
    QCOMPARE(g->TimerRecord, expected);
}

QTEST_MAIN(TestSelectKey)
#include "tst_selectkey.moc"
