#include "PlusFixture.h"

#include "plus/PlusRecords.h"
#include "plus/frmMacroIn.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSet>

using namespace quillet;
using namespace quillet::fixture;

namespace {

// Step k of a test macro: a made-up but recognisable pair of bytes.
Byte headOf(int k) { return static_cast<Byte>(0x10 + k); }
Byte keyOf(int k) { return static_cast<Byte>(100 + k); }

// A macro of `count` steps, with the bytes after the steps set to a pattern that no
// step operation may touch.
Bytes<66> macroOf(int count)
{
    Bytes<66> rec;
    rec.fill(Empty);
    for (int k = 1; k <= count; ++k) {
        rec[2 * k - 2] = headOf(k);
        rec[2 * k - 1] = keyOf(k);
    }
    for (int i = 50; i < 66; ++i)
        rec[i] = static_cast<Byte>(i);
    return rec;
}

// What the selector writes for key 0 of "VCR" (bank 1) with the delay at `delayText`.
ScriptedUiServices::DialogScript pickVcrPower(const QString &delayText = QStringLiteral("0.5 Second"))
{
    return [delayText](QDialog &sel) {
        choose(sel, "ComboBANK", "VCR");
        choose(sel, "ComboDELAY", delayText);
        click(sel, "PicKEY_0");
        click(sel, "ComYES");
    };
}
void cancelSelector(QDialog &sel) { click(sel, "ComNO"); }

}  // namespace

class TestMacroIn : public QObject {
    Q_OBJECT
private slots:
    void init();
    void openingCountsSteps();
    void onlyTheFirstByteMakesAStep();
    void deleteMovesLaterStepsDown();
    void insertMovesStepsUpAndCancelRestores();
    void newAppendsUpToTwentyFive();
    void setupRewritesOrKeepsAStep();
    void labelLimits();
    void reviewChangesNothing();
    void cancelAndFrameCloseCancel();
    void aGapDoesNotHideLaterSteps();
    void undoAllAndRedoAll();

private:
    std::unique_ptr<Globals> g;
    ScriptedUiServices ui;

    void prepare(const Bytes<66> &rec, int editResult = 1, const QString &label = QStringLiteral("MOVIE"))
    {
        g->MacroRecord = rec;
        g->EditResult = editResult;
        g->KeyLabel = label;
        g->PlusKind = 1;
    }
    static QList<int> visibleSteps(frmMacroIn &dlg)
    {
        QList<int> out;
        for (int n = 1; n <= 25; ++n)
            if (dlg.ComSTEP[n]->isVisible())
                out << n;
        return out;
    }
    static QList<int> range(int from, int to)
    {
        QList<int> out;
        for (int n = from; n <= to; ++n)
            out << n;
        return out;
    }
};

void TestMacroIn::init()
{
    g = makeDocument();
    ui.clear();
}

void TestMacroIn::openingCountsSteps()
{
    prepare(macroOf(0));
    {
        frmMacroIn dlg(*g, ui);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Setup"));
        QVERIFY(dlg.OptEDIT->isChecked());
        QCOMPARE(dlg.Label5->text(), QStringLiteral("Select the step that you want to setup."));
        QCOMPARE(dlg.Text_IN->text(), QStringLiteral("MOVIE"));
        QVERIFY(visibleSteps(dlg).isEmpty());
        QVERIFY(dlg.LabelNO->isVisible());
        QCOMPARE(dlg.LabelNO->text(), QStringLiteral("No Step"));
        QVERIFY(!dlg.LabelMAX->isVisible());
    }
    prepare(macroOf(25));
    {
        frmMacroIn dlg(*g, ui);
        dlg.show();
        QCOMPARE(visibleSteps(dlg), range(1, 25));
        QCOMPARE(dlg.ComSTEP[25]->text(), QStringLiteral("Step 25"));
        QVERIFY(dlg.LabelMAX->isVisible());
        QCOMPARE(dlg.LabelMAX->text(), QStringLiteral("Max. Step"));
        QVERIFY(!dlg.LabelNO->isVisible());
        QCOMPARE(dlg.stepCount(), 25);
    }
    // Seven to a row.
    prepare(macroOf(25));
    frmMacroIn dlg(*g, ui);
    QCOMPARE(dlg.ComSTEP[8]->x(), dlg.ComSTEP[1]->x());
    QVERIFY(dlg.ComSTEP[8]->y() > dlg.ComSTEP[7]->y());
    QCOMPARE(dlg.ComSTEP[22]->y(), dlg.ComSTEP[25]->y());
}

void TestMacroIn::onlyTheFirstByteMakesAStep()
{
    Bytes<66> rec = macroOf(0);
    rec[0] = 0x12;   // step 1: a first byte and an empty key byte
    rec[3] = 0x05;   // step 2: a key byte but an empty first byte
    prepare(rec);
    frmMacroIn dlg(*g, ui);
    dlg.show();
    QCOMPARE(visibleSteps(dlg), QList<int>{1});
    QCOMPARE(dlg.stepCount(), 1);
}

void TestMacroIn::deleteMovesLaterStepsDown()
{
    prepare(macroOf(5));
    frmMacroIn dlg(*g, ui);
    dlg.show();
    click(dlg, "OptDEL");
    QCOMPARE(dlg.Label5->text(), QStringLiteral("Select the step that you want to delete."));

    // Refusing the question changes nothing.
    ui.answer(answer::Cancel);
    click(dlg, "ComSTEP_2");
    QCOMPARE(ui.lastText(), QStringLiteral("Warning delete key?"));
    QCOMPARE(ui.shown.last().buttons, MsgButtons::OKCancel);
    QCOMPARE(g->MacroRecord, macroOf(5));

    ui.answer(answer::OK);
    click(dlg, "ComSTEP_2");
    Bytes<66> expected = macroOf(5);
    for (int k = 2; k <= 4; ++k) {
        expected[2 * k - 2] = headOf(k + 1);
        expected[2 * k - 1] = keyOf(k + 1);
    }
    expected[8] = expected[9] = Empty;
    QCOMPARE(g->MacroRecord, expected);
    QCOMPARE(visibleSteps(dlg), range(1, 4));

    // The last step goes alone.
    ui.answer(answer::OK);
    click(dlg, "ComSTEP_4");
    expected[6] = expected[7] = Empty;
    QCOMPARE(g->MacroRecord, expected);

    for (int n = 3; n >= 1; --n) {
        ui.answer(answer::OK);
        click(dlg, QStringLiteral("ComSTEP_%1").arg(n));
    }
    QCOMPARE(g->MacroRecord, macroOf(0));
    QVERIFY(dlg.LabelNO->isVisible());
    QVERIFY(visibleSteps(dlg).isEmpty());
}

void TestMacroIn::insertMovesStepsUpAndCancelRestores()
{
    prepare(macroOf(4));
    frmMacroIn dlg(*g, ui);
    dlg.show();
    click(dlg, "OptINS");
    QCOMPARE(dlg.Label5->text(), QStringLiteral("Select the step that you want to insert."));

    // Cancelled in the selector, through its button or its frame, before the first and
    // before the last step: the steps are as they were.
    for (const QString &step : {QStringLiteral("ComSTEP_1"), QStringLiteral("ComSTEP_4")}) {
        ui.onDialog(cancelSelector);
        click(dlg, step);
        QCOMPARE(g->MacroRecord, macroOf(4));
        ui.onDialog([](QDialog &) {});   // left open: closed through its frame
        click(dlg, step);
        QCOMPARE(g->MacroRecord, macroOf(4));
        QCOMPARE(g->StepNo, 0);
        QCOMPARE(visibleSteps(dlg), range(1, 4));
    }

    ui.onDialog(pickVcrPower(QStringLiteral("2 Second")));
    click(dlg, "ComSTEP_1");
    Bytes<66> expected = macroOf(4);
    for (int k = 1; k <= 4; ++k) {
        expected[2 * k] = headOf(k);
        expected[2 * k + 1] = keyOf(k);
    }
    expected[0] = 0x12;   // bank 1, delay code 2
    expected[1] = 0;      // key 0
    QCOMPARE(g->MacroRecord, expected);
    QCOMPARE(visibleSteps(dlg), range(1, 5));
    QCOMPARE(dlg.stepCount(), 5);
}

void TestMacroIn::newAppendsUpToTwentyFive()
{
    prepare(macroOf(23));
    frmMacroIn dlg(*g, ui);
    dlg.show();

    ui.onDialog(cancelSelector);
    click(dlg, "OptNEW");
    QCOMPARE(g->MacroRecord, macroOf(23));
    QCOMPARE(visibleSteps(dlg), range(1, 23));
    QVERIFY(dlg.OptEDIT->isChecked() && !dlg.OptNEW->isChecked());
    QCOMPARE(dlg.Label5->text(), QStringLiteral("Select the step that you want to setup."));

    ui.onDialog(pickVcrPower(QStringLiteral("15 Second")));
    click(dlg, "OptNEW");
    QCOMPARE(g->MacroRecord[46], Byte(0x1F));
    QCOMPARE(g->MacroRecord[47], Byte(0));
    QVERIFY(!dlg.LabelMAX->isVisible());

    ui.onDialog(pickVcrPower());
    click(dlg, "OptNEW");
    QCOMPARE(visibleSteps(dlg), range(1, 25));
    QVERIFY(dlg.LabelMAX->isVisible());
    const Bytes<66> full = g->MacroRecord;
    for (int i = 50; i < 66; ++i)
        QCOMPARE(full[i], Byte(i));

    click(dlg, "OptNEW");
    QCOMPARE(ui.lastText(), QStringLiteral("input maximum 25 step"));
    click(dlg, "OptINS");
    click(dlg, "ComSTEP_3");
    QCOMPARE(ui.shown.size(), 2);
    QCOMPARE(ui.lastText(), QStringLiteral("input maximum 25 step"));
    QCOMPARE(g->MacroRecord, full);
    QCOMPARE(ui.dialogsShown.size(), 3);   // no selector for the refused ones

    // Deleting from a full macro takes "Max. Step" away.
    click(dlg, "OptDEL");
    ui.answer(answer::OK);
    click(dlg, "ComSTEP_25");
    QVERIFY(!dlg.LabelMAX->isVisible());
}

void TestMacroIn::setupRewritesOrKeepsAStep()
{
    prepare(macroOf(3));
    frmMacroIn dlg(*g, ui);
    dlg.show();
    int shownStep = 0;
    ui.onDialog([&](QDialog &sel) {
        shownStep = g->StepNo;
        cancelSelector(sel);
    });
    click(dlg, "ComSTEP_2");
    QCOMPARE(shownStep, 2);
    QCOMPARE(g->MacroRecord, macroOf(3));

    ui.onDialog(pickVcrPower(QStringLiteral("7 Second")));
    click(dlg, "ComSTEP_2");
    Bytes<66> expected = macroOf(3);
    expected[2] = 0x17;
    expected[3] = 0;
    QCOMPARE(g->MacroRecord, expected);
    QCOMPARE(visibleSteps(dlg), range(1, 3));
}

void TestMacroIn::labelLimits()
{
    prepare(macroOf(1), 1, QString());
    frmMacroIn dlg(*g, ui);
    dlg.show();
    click(dlg, "ComYES");
    QCOMPARE(ui.lastText(), QStringLiteral("Please key in data."));
    QCOMPARE(ui.shown.last().title, QStringLiteral("Warning"));
    dlg.Text_IN->setText(QString(21, QLatin1Char('m')));
    click(dlg, "ComYES");
    QCOMPARE(ui.lastText(), QStringLiteral("Max.: 20 words"));
    QVERIFY(dlg.isVisible());
    // A name the remote cannot hold would come back changed: refused, not saved as "?".
    dlg.Text_IN->setText(QStringLiteral("Film \u263A"));
    click(dlg, "ComYES");
    QVERIFY(ui.lastText().contains(QStringLiteral("no code")));
    QVERIFY(dlg.isVisible());
    dlg.Text_IN->setText(QString(20, QLatin1Char('m')));
    click(dlg, "ComYES");
    QVERIFY(!dlg.isVisible());
    QCOMPARE(g->KeyLabel, QString(20, QLatin1Char('m')));
    QCOMPARE(g->EditResult, 1);
}

void TestMacroIn::reviewChangesNothing()
{
    prepare(macroOf(3), 0);
    frmMacroIn dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("ReView"));
    QCOMPARE(dlg.Label5->text(), QStringLiteral("Please click the step you want to review its content."));
    for (QWidget *w : std::initializer_list<QWidget *>{dlg.Text_IN, dlg.OptNEW, dlg.OptINS, dlg.OptDEL, dlg.OptEDIT})
        QVERIFY(!w->isEnabled());

    bool selectorOk = true;
    ui.onDialog([&](QDialog &sel) {
        selectorOk = child<QWidget>(sel, "ComYES")->isEnabled();
        QVERIFY(!child<QWidget>(sel, "ComboBANK")->isEnabled());
    });
    click(dlg, "ComSTEP_3");
    QCOMPARE(ui.dialogsShown, QStringList{QStringLiteral("frmSelectKey")});
    QVERIFY(!selectorOk);
    QCOMPARE(g->MacroRecord, macroOf(3));
    click(dlg, "ComYES");
    QCOMPARE(g->EditResult, 0);
}

void TestMacroIn::cancelAndFrameCloseCancel()
{
    for (bool frame : {false, true}) {
        prepare(macroOf(2));
        g->DialogResult = 0;
        frmMacroIn dlg(*g, ui);
        dlg.show();
        if (frame)
            dlg.close();
        else
            click(dlg, "ComNO");
        QVERIFY(!dlg.isVisible());
        QCOMPARE(g->EditResult, 0);
        QVERIFY(g->KeyLabel.isEmpty());
        QCOMPARE(g->DialogResult, 2);
    }
}

void TestMacroIn::aGapDoesNotHideLaterSteps()
{
    Bytes<66> rec = macroOf(4);
    rec[4] = rec[5] = Empty;   // step 3 empty, step 4 still set
    prepare(rec);
    frmMacroIn dlg(*g, ui);
    dlg.show();
    QCOMPARE(visibleSteps(dlg), range(1, 4));
    ui.onDialog(pickVcrPower());
    click(dlg, "OptNEW");
    QCOMPARE(g->MacroRecord[6], headOf(4));   // step 4 survives the new step
    QCOMPARE(g->MacroRecord[7], keyOf(4));
    QCOMPARE(g->MacroRecord[8], Byte(0x10));
    QCOMPARE(visibleSteps(dlg), range(1, 5));
}

void TestMacroIn::undoAllAndRedoAll()
{
    // Random New, Insert, Delete and Setup clicks, the selector confirming a random key
    // or cancelled; then Undo until it is disabled, and Redo likewise.
    QRandomGenerator rng(515);
    QSet<QString> kinds;
    for (int round = 0; round < 20; ++round) {
        const int initial = rng.bounded(26);
        prepare(macroOf(initial));
        ui.clear();
        frmMacroIn dlg(*g, ui);
        dlg.show();
        dlg.openKeySelector = [&] {
            if (rng.bounded(5) == 0) {
                g->StepNo = 0;
                return;
            }
            g->MacroRecord[firstStepByte(g->StepNo)] = static_cast<Byte>(rng.bounded(0xF0));
            g->MacroRecord[firstStepByte(g->StepNo) + 1] = static_cast<Byte>(rng.bounded(42));
        };
        const Bytes<66> start = g->MacroRecord;
        for (int i = 0; i < 40; ++i) {
            const int action = rng.bounded(4);
            if (action == 0) {
                click(dlg, "OptNEW");
                continue;
            }
            click(dlg, action == 1 ? "OptINS" : action == 2 ? "OptDEL" : "OptEDIT");
            if (dlg.stepCount() == 0)
                continue;
            ui.answer(rng.bounded(3) ? answer::OK : ScriptedUiServices::Escape);   // whatever box comes
            click(dlg, QStringLiteral("ComSTEP_%1").arg(1 + rng.bounded(dlg.stepCount())));
        }
        const Bytes<66> end = g->MacroRecord;
        const int endCount = dlg.stepCount();
        const int made = dlg.undoStack().count();
        for (int i = 0; i < made; ++i)
            kinds.insert(dlg.undoStack().text(i));

        for (int i = 0; i < made; ++i)
            click(dlg, "cmdUndo");
        QVERIFY(!dlg.cmdUndo->isEnabled());
        QVERIFY2(g->MacroRecord == start, qPrintable(QStringLiteral("round %1: undo all").arg(round)));
        QCOMPARE(visibleSteps(dlg), range(1, initial));
        QCOMPARE(dlg.LabelNO->isVisible(), initial == 0);
        for (int i = 0; i < made; ++i)
            click(dlg, "cmdRedo");
        QVERIFY(!dlg.cmdRedo->isEnabled());
        QVERIFY2(g->MacroRecord == end, qPrintable(QStringLiteral("round %1: redo all").arg(round)));
        QCOMPARE(visibleSteps(dlg), range(1, endCount));
        QCOMPARE(dlg.LabelMAX->isVisible(), endCount == 25);
    }
    QCOMPARE(kinds, (QSet<QString>{"Insert", "Delete", "Setup"}));
}

QTEST_MAIN(TestMacroIn)
#include "tst_macroin.moc"
