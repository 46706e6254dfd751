#include "PlusFixture.h"

#include "plus/frmTimerIn.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

using namespace quillet;
using namespace quillet::fixture;

namespace {

// The runs of ink in rows [top, bottom) of a caption, as horizontal spans in the dialog's
// coordinates; ink closer than 5 pixels counts as one run.
QList<QPair<int, int>> inkRuns(QWidget *caption, int top, int bottom)
{
    const QImage img = caption->grab().toImage();
    const QRgb background = img.pixel(img.width() - 1, 0);
    QList<QPair<int, int>> runs;
    for (int x = 0; x < img.width(); ++x) {
        bool ink = false;
        for (int y = qMax(top, 0); y < qMin(bottom, img.height()) && !ink; ++y)
            ink = img.pixel(x, y) != background;
        if (!ink)
            continue;
        const int at = caption->x() + x;
        if (!runs.isEmpty() && at - runs.last().second < 5)
            runs.last().second = at;
        else
            runs.append({at, at});
    }
    return runs;
}

}  // namespace

class TestTimerIn : public QObject {
    Q_OBJECT
private slots:
    void init();
    void unsetRecordOpensAtFirstEntriesAndStoresThem();
    void unsetCycleIsKeptUntilOneIsPicked();
    void fieldsFollowTheCycle();
    void dailyStillStoresTheHiddenDate();
    void anyDayOfAnyMonthIsStored();
    void bytesOffTheListsAreKept();
    void captionsStandOverTheirBoxes();
    void labelLimits();
    void reviewChangesNothing();
    void cancelAndFrameCloseCancel();
    void keyButtonSetsTheKeyThroughTheSelector();

private:
    std::unique_ptr<Globals> g;
    ScriptedUiServices ui;

    void openRecord(std::initializer_list<int> bytes, const QString &label, int editResult)
    {
        int i = 0;
        for (int b : bytes)
            g->TimerRecord[i++] = static_cast<Byte>(b);
        g->KeyLabel = label;
        g->EditResult = editResult;
        g->PlusKind = 0;
    }
};

void TestTimerIn::init()
{
    g = makeDocument();
    ui.clear();
}

void TestTimerIn::unsetRecordOpensAtFirstEntriesAndStoresThem()
{
    openRecord({0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, QStringLiteral("WAKE"), 1);
    frmTimerIn dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Setup"));
    QCOMPARE(dlg.ComboMonth->currentText(), QStringLiteral("01"));
    QCOMPARE(dlg.ComboDay->currentText(), QStringLiteral("01"));
    QCOMPARE(dlg.ComboHour->currentText(), QStringLiteral("00"));
    QCOMPARE(dlg.ComboMinute->currentText(), QStringLiteral("00"));
    QCOMPARE(dlg.ComboMonth->count(), 12);
    QCOMPARE(dlg.ComboDay->count(), 31);
    QCOMPARE(dlg.ComboHour->itemText(23), QStringLiteral("23"));
    QCOMPARE(dlg.ComboMinute->itemText(59), QStringLiteral("59"));
    QVERIFY(checked(dlg, "OptCycle_0"));

    click(dlg, "ComYES");
    QVERIFY(!dlg.isVisible());
    QCOMPARE(g->TimerRecord[1], Byte(1));
    QCOMPARE(g->TimerRecord[2], Byte(1));
    QCOMPARE(g->TimerRecord[3], Byte(0));
    QCOMPARE(g->TimerRecord[4], Byte(0));
    QCOMPARE(g->TimerRecord[5], Byte(0xFF));   // the key bytes are the selector's
    QCOMPARE(g->KeyLabel, QStringLiteral("WAKE"));
    QCOMPARE(g->EditResult, 1);
}

void TestTimerIn::unsetCycleIsKeptUntilOneIsPicked()
{
    openRecord({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, QStringLiteral("T"), 1);
    {
        frmTimerIn dlg(*g, ui);
        dlg.show();
        for (int i = 0; i < 12; ++i)
            QVERIFY(!checked(dlg, QStringLiteral("OptCycle_%1").arg(i)));
        for (QWidget *w : std::initializer_list<QWidget *>{dlg.ComboMonth, dlg.ComboDay, dlg.ComboHour,
                                                           dlg.ComboMinute, dlg.LabelDate, dlg.LabelDate1,
                                                           dlg.LabelTime, dlg.LabelTime1})
            QVERIFY(!w->isVisible());
        click(dlg, "ComYES");
        QCOMPARE(g->TimerRecord[0], Byte(0xFF));
        QCOMPARE(g->TimerRecord[1], Byte(1));
    }
    {
        frmTimerIn dlg(*g, ui);
        dlg.show();
        click(dlg, "OptCycle_3");
        QVERIFY(dlg.ComboHour->isVisible());
        click(dlg, "ComYES");
        QCOMPARE(g->TimerRecord[0], Byte(3));
    }
}

void TestTimerIn::fieldsFollowTheCycle()
{
    openRecord({1, 6, 15, 7, 30, 0, 0, 0, 0, 0}, QStringLiteral("T"), 1);
    frmTimerIn dlg(*g, ui);
    dlg.show();
    QVERIFY(checked(dlg, "OptCycle_1"));
    QCOMPARE(dlg.ComboMonth->currentText(), QStringLiteral("06"));
    QCOMPARE(dlg.ComboDay->currentText(), QStringLiteral("15"));
    QCOMPARE(dlg.ComboHour->currentText(), QStringLiteral("07"));
    QCOMPARE(dlg.ComboMinute->currentText(), QStringLiteral("30"));
    QVERIFY(dlg.LabelDate->isVisible() && dlg.ComboDay->isVisible() && dlg.ComboMinute->isVisible());
    QCOMPARE(dlg.LabelDate->text(), QStringLiteral("Setup Date                      -"));
    QCOMPARE(dlg.LabelTime->text(), QStringLiteral("Setup Time                      :"));
    QCOMPARE(dlg.LabelDate1->text(), QStringLiteral("Month       Day"));
    QCOMPARE(dlg.LabelTime1->text(), QStringLiteral("Hour       Minute"));

    const char *captions[12] = {"DAILY",    "SPECIFIC", "SUNDAY",        "MONDAY",         "TUESDAY",
                                "WEDNESDAY", "THURSDAY", "FRIDAY",        "SATURDAY",       "MONDAY-FRIDAY",
                                "MONDAY-SATURDAY", "DISABLE"};
    for (int i = 0; i < 12; ++i)
        QCOMPARE(dlg.OptCycle[i]->text(), QString::fromLatin1(captions[i]));

    for (int i : {0, 2, 9, 10}) {
        click(dlg, QStringLiteral("OptCycle_%1").arg(i));
        QVERIFY(!dlg.ComboMonth->isVisible() && !dlg.LabelDate1->isVisible());
        QVERIFY(dlg.ComboHour->isVisible() && dlg.LabelTime->isVisible());
        QVERIFY(dlg.ComKEY->isEnabled());
    }
    click(dlg, "OptCycle_11");
    QVERIFY(!dlg.ComKEY->isEnabled());
    QVERIFY(!dlg.ComboHour->isVisible() && !dlg.ComboMinute->isVisible() && !dlg.LabelTime1->isVisible());
    QVERIFY(!dlg.ComboMonth->isVisible());
    click(dlg, "OptCycle_1");
    QVERIFY(dlg.ComKEY->isEnabled() && dlg.ComboMonth->isVisible() && dlg.ComboMinute->isVisible());
}

void TestTimerIn::dailyStillStoresTheHiddenDate()
{
    openRecord({1, 5, 20, 0, 0, 0, 0, 0, 0, 0}, QStringLiteral("T"), 1);
    frmTimerIn dlg(*g, ui);
    dlg.show();
    choose(dlg, "ComboMonth", "08");
    click(dlg, "OptCycle_0");
    choose(dlg, "ComboHour", "22");
    choose(dlg, "ComboMinute", "45");
    click(dlg, "ComYES");
    QCOMPARE(g->TimerRecord[0], Byte(0));
    QCOMPARE(g->TimerRecord[1], Byte(8));
    QCOMPARE(g->TimerRecord[2], Byte(20));
    QCOMPARE(g->TimerRecord[3], Byte(22));
    QCOMPARE(g->TimerRecord[4], Byte(45));
}

void TestTimerIn::anyDayOfAnyMonthIsStored()
{
    openRecord({1, 1, 1, 0, 0, 0, 0, 0, 0, 0}, QStringLiteral("T"), 1);
    frmTimerIn dlg(*g, ui);
    dlg.show();
    choose(dlg, "ComboMonth", "02");
    choose(dlg, "ComboDay", "31");
    click(dlg, "ComYES");
    QVERIFY(ui.shown.isEmpty());
    QCOMPARE(g->TimerRecord[1], Byte(2));
    QCOMPARE(g->TimerRecord[2], Byte(31));
}

void TestTimerIn::bytesOffTheListsAreKept()
{
    // Month 0, day 40, hour 24, minute 200: no entry chosen, and OK keeps them; a pick
    // replaces only its own byte.
    openRecord({1, 0, 40, 24, 200, 0, 0, 0, 0, 0}, QStringLiteral("T"), 1);
    frmTimerIn dlg(*g, ui);
    dlg.show();
    for (QComboBox *combo : {dlg.ComboMonth, dlg.ComboDay, dlg.ComboHour, dlg.ComboMinute})
        QCOMPARE(combo->currentIndex(), -1);
    choose(dlg, "ComboDay", "05");
    click(dlg, "ComYES");
    QCOMPARE(g->TimerRecord[1], Byte(0));
    QCOMPARE(g->TimerRecord[2], Byte(5));
    QCOMPARE(g->TimerRecord[3], Byte(24));
    QCOMPARE(g->TimerRecord[4], Byte(200));
}

void TestTimerIn::captionsStandOverTheirBoxes()
{
    openRecord({1, 6, 15, 7, 30, 0, 0, 0, 0, 0}, QStringLiteral("T"), 1);
    const QFont wide(QStringLiteral("Liberation Mono"), 11);
    for (const QFont &font : {QApplication::font(), wide}) {
        frmTimerIn dlg(*g, ui);
        dlg.setFont(font);
        dlg.show();
        QCOMPARE(dlg.LabelDate->text(), QStringLiteral("Setup Date                      -"));
        QCOMPARE(dlg.LabelTime1->text(), QStringLiteral("Hour       Minute"));
        const struct {
            QLabel *heading, *words;
            QComboBox *first, *second;
        } rows[2] = {{dlg.LabelDate, dlg.LabelDate1, dlg.ComboMonth, dlg.ComboDay},
                     {dlg.LabelTime, dlg.LabelTime1, dlg.ComboHour, dlg.ComboMinute}};
        for (const auto &row : rows) {
            const QRect a = row.first->geometry();
            const QRect b = row.second->geometry();
            // The separator, level with the boxes, stands in the gap between them.
            const auto separator = inkRuns(row.heading, a.top() - row.heading->y(), a.bottom() - row.heading->y());
            QCOMPARE(separator.size(), 1);
            QVERIFY(separator[0].first > a.right() && separator[0].second < b.left());
            // Each word is centred over its box.
            const auto words = inkRuns(row.words, 0, row.words->height());
            QCOMPARE(words.size(), 2);
            for (int i = 0; i < 2; ++i) {
                const QRect box = i == 0 ? a : b;
                QVERIFY2(words[i].first >= box.left() && words[i].second <= box.right(), qPrintable(row.words->text()));
                QVERIFY(qAbs((words[i].first + words[i].second) / 2 - box.center().x()) <= 2);
            }
        }
    }
}

void TestTimerIn::labelLimits()
{
    openRecord({3, 1, 1, 7, 30, 0, 0, 0, 0, 0}, QString(), 1);
    frmTimerIn dlg(*g, ui);
    dlg.show();
    choose(dlg, "ComboHour", "09");
    click(dlg, "ComYES");
    QCOMPARE(ui.lastText(), QStringLiteral("Please key in data."));
    QCOMPARE(ui.shown.last().title, QStringLiteral("Warning"));
    QCOMPARE(ui.shown.last().icon, MsgIcon::Warning);
    QVERIFY(dlg.isVisible());
    QCOMPARE(g->TimerRecord[3], Byte(9));   // the working copy is already rewritten

    dlg.Text_IN->setText(QString(21, QLatin1Char('x')));
    click(dlg, "ComYES");
    QCOMPARE(ui.lastText(), QStringLiteral("Max.: 20 words"));
    QVERIFY(dlg.isVisible());

    // The byte 255 ends a stored name: a label holding it would come back cut short.
    dlg.Text_IN->setText(QStringLiteral("Wake \u00FF up"));
    click(dlg, "ComYES");
    QVERIFY(ui.lastText().contains(QStringLiteral("no code")));
    QVERIFY(dlg.isVisible());

    dlg.Text_IN->setText(QString(20, QLatin1Char('x')));
    click(dlg, "ComYES");
    QCOMPARE(ui.shown.size(), 3);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(g->KeyLabel, QString(20, QLatin1Char('x')));
}

void TestTimerIn::reviewChangesNothing()
{
    openRecord({3, 1, 1, 7, 30, 0, 0, 0, 0, 0}, QStringLiteral("MORNING"), 0);
    frmTimerIn dlg(*g, ui);
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("ReView"));
    QCOMPARE(dlg.Text_IN->text(), QStringLiteral("MORNING"));
    // Every field is reached by Tab and read, but keys change none of them.
    QVERIFY(dlg.Text_IN->isReadOnly());
    for (QWidget *field : std::initializer_list<QWidget *>{dlg.OptCycle[0], dlg.OptCycle[3], dlg.ComboMinute}) {
        QVERIFY(field->isEnabled());
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Down, Qt::Key_Up})
            QTest::keyClick(field, key);
    }
    QVERIFY(dlg.OptCycle[3]->isChecked());
    QCOMPARE(dlg.ComboMinute->currentText(), QStringLiteral("30"));
    QVERIFY(dlg.ComKEY->isEnabled());

    // The selector opens for display only: OK cannot be reached there.
    bool okEnabled = true;
    ui.onDialog([&](QDialog &sel) { okEnabled = child<QWidget>(sel, "ComYES")->isEnabled(); });
    click(dlg, "ComKEY");
    QCOMPARE(ui.dialogsShown, QStringList{QStringLiteral("frmSelectKey")});
    QVERIFY(!okEnabled);

    click(dlg, "ComYES");
    QCOMPARE(g->EditResult, 0);
}

void TestTimerIn::cancelAndFrameCloseCancel()
{
    for (bool frame : {false, true}) {
        openRecord({3, 1, 1, 7, 30, 0, 0, 0, 0, 0}, QStringLiteral("MORNING"), 1);
        g->DialogResult = 0;
        frmTimerIn dlg(*g, ui);
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

void TestTimerIn::keyButtonSetsTheKeyThroughTheSelector()
{
    // Every Monday at 07:30, key 12 of the DVD player.
    openRecord({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, QStringLiteral("RECORD"), 1);
    frmTimerIn dlg(*g, ui);
    dlg.show();
    click(dlg, "OptCycle_3");
    choose(dlg, "ComboHour", "07");
    choose(dlg, "ComboMinute", "30");
    ui.onDialog([](QDialog &sel) {
        choose(sel, "ComboBANK", "DVD");
        click(sel, "PicKEY_12");
        click(sel, "ComYES");
    });
    click(dlg, "ComKEY");
    QCOMPARE(ui.dialogsShown, QStringList{QStringLiteral("frmSelectKey")});
    click(dlg, "ComYES");
    const Bytes<10> expected{3, 1, 1, 7, 30, 2, 12, 1, 0, 222};
    QCOMPARE(g->TimerRecord, expected);
}

QTEST_MAIN(TestTimerIn)
#include "tst_timerin.moc"
