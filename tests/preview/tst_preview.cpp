// "Try the Remote": a click path through the window, as a user takes it.

#include "plus/PlusFixture.h"
#include "core/DataFile.h"
#include "plus/Install.h"
#include "preview/Install.h"
#include "preview/frmPreview.h"
#include "render/Pages.h"
#include "support/AppTestSupport.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

using namespace quillet;
using namespace quillet::fixture;

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void clickPathThroughTheWindow();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void recordsAMacroByTapping();
    void marksADamagedKey();
    void everyFocusableControlIsNamed();
};

namespace {

// The document of the tests, the preview opened on it; hot macro 1 presses TV's POWER.
frmPreview *openPreview(testing::MainWindowFixture &fx)
{
    fx.open();
    copyPictures(fx.appDir());
    buildDocument(*fx.g);
    const Byte steps[] = {0x01, 0};
    std::copy(std::begin(steps), std::end(steps), fx.g->MacroBuf[0].begin());
    WriteMacros(fx.g->Image, *fx.g);
    installPreview(*fx.w);
    fx.w->refreshSequence();
    return showPreview(*fx.g, fx.ui, *fx.w);
}

QPoint cell(frmPreview *p, int column, int row)
{
    return p->picScreen->toWidget(QPoint(20 * column + 10, 20 * row + 10));
}

}  // namespace

void TestPreview::clickPathThroughTheWindow()
{
    testing::MainWindowFixture fx;
    fx.open();
    copyPictures(fx.appDir());
    Globals &g = *fx.g;
    buildDocument(g);
    // The four buttons two by two: TV, VCR above DVD, AMP, each 3 x 2 cells.
    const Byte corners[] = {0x00, 0x21, 0x30, 0x51, 0x02, 0x23, 0x32, 0x53};
    std::copy(std::begin(corners), std::end(corners), g.MenuRectBuf[0].begin());
    WriteMenuWorkset(g.Image, g);
    // TV's POWER, then a bank without a device, then DVD's PLAY (key 12, page 2).
    const Byte steps[] = {0x01, 0, 0x50, 3, 0x20, 12};
    std::copy(std::begin(steps), std::end(steps), g.MacroBuf[0].begin());
    // Macro 2 waits with delay code 13 after TV's POWER: its PLAY has no known time.
    const Byte unknownWait[] = {0x0D, 0, 0x20, 12};
    std::copy(std::begin(unknownWait), std::end(unknownWait), g.MacroBuf[1].begin());
    WriteMacros(g.Image, g);
    installPlus(*fx.w);
    installPreview(*fx.w);
    fx.w->refreshSequence();
    const QByteArray before = dataFileBytes(g.Image);

    TRIGGER(fx.w.get(), "mnuPreview");
    auto *p = fx.w->findChild<frmPreview *>(QStringLiteral("frmPreview"));
    QVERIFY(p && p->isVisible());
    QCOMPARE(p->lblScreen->text(), QStringLiteral("MENU · page 1"));
    auto at = [p](int column, int row) { return p->picScreen->toWidget(QPoint(20 * column + 10, 20 * row + 10)); };

    QTest::mouseClick(p->picScreen, Qt::LeftButton, {}, at(1, 2));
    QCOMPARE(p->lblScreen->text(), QStringLiteral("DVD · page 1"));
    click(*p, QStringLiteral("ComPAGE_1"));
    QCOMPARE(p->lblScreen->text(), QStringLiteral("DVD · page 2"));
    QTest::mouseClick(p->picScreen, Qt::LeftButton, {}, at(2, 3));
    QCOMPARE(p->txtLog->toPlainText(), QStringLiteral("DVD · page 2 · key 13 · PLAY"));

    p->txtLog->clear();
    chooseEntry(p->cboSpeed, 2);   // instant
    QTest::mouseClick(p->picMacros, Qt::LeftButton, {}, p->picMacros->toWidget(plusKeyRect(0).center()));
    QCOMPARE(p->txtLog->toPlainText().split(QLatin1Char('\n')),
             (QStringList{"Hot macro 1 (MACRO 0): 3 steps, 2.0 s",
                          "+0.0 s TV · key 1 · POWER",
                          "+1.0 s bank 6 · key 4 · sends nothing the remote knows (bank 6 has no device)",
                          "  note: hot macro 1 (MACRO 0), step 2 presses key 4 of bank 6, which has no device",
                          "+1.5 s DVD · key 13 · PLAY",
                          "+2.0 s end"}));
    QCOMPARE(p->lblScreen->text(), QStringLiteral("DVD · page 2"));

    p->txtLog->clear();
    p->play(1);
    const QStringList played = p->txtLog->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(played.size(), 4);   // the macro, POWER, the check's note on the step, the stop
    QVERIFY2(played.last().startsWith(QStringLiteral("Stopped after step 1: it waits with delay code 13")),
             qPrintable(played.last()));

    // At real speed the macro is still playing when the document changes: that ends it.
    chooseEntry(p->cboSpeed, 0);
    p->play(0);
    QVERIFY(p->playing());
    fx.w->UpdateCommands();
    QVERIFY(!p->playing());
    QVERIFY(p->txtLog->toPlainText().endsWith(QStringLiteral("\nStopped at step 1 of MACRO 0")));
    // Started from the keyboard, a macro leaves the focus on the hot-macro keys.
    p->tabPreview->setCurrentIndex(1);
    QTest::keyClick(p->picMacros, Qt::Key_Return);
    QCOMPARE(p->tabPreview->currentIndex(), 1);
    QCOMPARE(dataFileBytes(g.Image), before);
}

void TestPreview::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    for (const char *name : {"ComPAGE_0", "ComPAGE_1", "ComPAGE_2", "ComPAGE_3", "ComMENU", "ComSTOP", "ComRUBBER_0",
                             "ComRUBBER_1", "ComRUBBER_2", "ComRUBBER_3", "ComRUBBER_4", "ComRUBBER_5", "ComRUBBER_6",
                             "cmdRecord", "cmdSave", "cmdDiscard"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestPreview::enterPressesTheFocusedButton()
{
    QFETCH(QString, button);
    testing::MainWindowFixture fx;
    frmPreview *p = openPreview(fx);
    p->showBank(2);
    if (button == QLatin1String("ComSTOP")) {
        chooseEntry(p->cboSpeed, 0);
        p->play(0);
    } else if (button == QLatin1String("cmdSave") || button == QLatin1String("cmdDiscard")) {
        click(*p, QStringLiteral("cmdRecord"));
        click(*p, QStringLiteral("ComRUBBER_0"));
        click(*p, QStringLiteral("cmdRecord"));
    }
    auto *b = p->findChild<QPushButton *>(button);
    QVERIFY(b && b->isEnabled() && b->isVisible());
    QSignalSpy clicked(b, &QPushButton::clicked);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Return);
    QCOMPARE(clicked.count(), 1);
}

void TestPreview::recordsAMacroByTapping()
{
    testing::MainWindowFixture fx;
    frmPreview *p = openPreview(fx);
    Globals &g = *fx.g;
    // What lies past the steps belongs to no step, and a save keeps it.
    for (int i = 50; i < 66; ++i)
        g.MacroBuf[1][static_cast<size_t>(i)] = static_cast<Byte>(i);
    WriteMacros(g.Image, g);
    fx.w->UpdateCommands();
    std::int64_t now = 0;
    p->setClock([&now] { return now; });
    auto tap = [p](std::int64_t at, std::int64_t &clock, std::initializer_list<QVariant> presses) {
        clock = at;
        for (const QVariant &v : presses) {
            if (v.typeId() == QMetaType::QPoint)
                QTest::mouseClick(p->picScreen, Qt::LeftButton, {}, cell(p, v.toPoint().x(), v.toPoint().y()));
            else
                click(*p, v.toString());
        }
    };

    QCOMPARE(p->lblScreen->text(), QStringLiteral("MENU · page 1"));
    click(*p, QStringLiteral("cmdRecord"));
    tap(1000, now, {QPoint(0, 0)});                                  // TV's button: not a step
    tap(2000, now, {QPoint(0, 0)});                                  // TV POWER
    tap(2800, now, {"ComRUBBER_2"});                                 // TV PLAY, 0.8 s later
    tap(3000, now, {"ComMENU", QPoint(4, 0), "ComPAGE_1"});          // to DVD page 2
    tap(5500, now, {QPoint(2, 2)});                                  // DVD PLAY, 2.7 s later
    tap(5600, now, {"ComMENU", "ComRUBBER_0"});                      // refused: no device shown
    QVERIFY(p->txtLog->toPlainText().endsWith(
        QStringLiteral("Not recorded: MENU · page 1 · sends nothing the remote knows (no device is shown)")));
    tap(6000, now, {QPoint(4, 0), "ComRUBBER_6"});                   // DVD ENTER, 0.5 s later
    tap(22000, now, {"ComRUBBER_3"});                                // DVD STOP, 16 s later
    tap(26000, now, {"cmdRecord"});                                  // stops 4 s later
    QCOMPARE(p->lstRecording->count(), 5);
    QVERIFY(p->fraRecording->isVisible());

    chooseEntry(p->cboRecordMacro, 1);
    p->txtRecordName->setText(QStringLiteral("MOVIE"));
    fx.ui.answer(6);   // hot macro 2 has a name: replace it
    click(*p, QStringLiteral("cmdSave"));
    QCOMPARE(fx.ui.shown.size(), 1);
    QVERIFY(fx.ui.shown[0].text.startsWith(QStringLiteral("Hot macro 2 MACRO 1 is in use.")));

    MacroWorkset saved;
    ReadMacros(g.Image, saved);
    Bytes<66> expected;
    expected.fill(Empty);
    // Bank and delay code, then the key: 0.8 s waits 1 s, 2.7 s 3 s, 0.5 s 0.5 s, 16 s
    // the longest (15 s), 4 s 5 s.
    const Byte steps[] = {0x01, 0, 0x03, 37, 0x20, 12, 0x2F, 41, 0x25, 38};
    std::copy(std::begin(steps), std::end(steps), expected.begin());
    for (int i = 50; i < 66; ++i)
        expected[static_cast<size_t>(i)] = static_cast<Byte>(i);
    QCOMPARE(saved.MacroBuf[1], expected);
    QCOMPARE(saved.MacroNames[1].trimmed(), QStringLiteral("MOVIE"));
    QCOMPARE(g.Modified, 1);
    QVERIFY(!p->fraRecording->isVisible());
}

void TestPreview::marksADamagedKey()
{
    testing::MainWindowFixture fx;
    frmPreview *p = openPreview(fx);
    // A key of one cell on TV's first page: the remote draws it, the check calls it too small.
    DeviceWorkset tv;
    ReadDeviceWorkset(fx.g->Image, tv, 0);
    putKey(tv, 0, 1, 3, 3, 3, 3, 3, QStringLiteral("X"));
    WriteDeviceWorkset(fx.g->Image, tv, 0);
    fx.w->UpdateCommands();
    p->showBank(0);
    const QImage shown = p->picScreen->picture();
    QCOMPARE(shown.pixelColor(QPoint(20 * 3 + 16, 20 * 3 + 1)), QColor(200, 0, 0));
    QCOMPARE(shown.pixelColor(QPoint(36, 1)) == QColor(200, 0, 0), false);   // POWER is sound
    QTest::mouseClick(p->picScreen, Qt::LeftButton, {}, cell(p, 3, 3));
    QVERIFY2(p->txtLog->toPlainText().startsWith(QStringLiteral("X · is smaller than 2 × 2 cells")),
             qPrintable(p->txtLog->toPlainText()));
    QVERIFY(p->picScreen->accessibleName().contains(QStringLiteral(", damaged: is smaller than 2 × 2 cells")));
}

void TestPreview::everyFocusableControlIsNamed()
{
    testing::MainWindowFixture fx;
    frmPreview *p = openPreview(fx);
    p->showBank(2);
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(p);
    QVERIFY(window);
    QCOMPARE(window->role(), QAccessible::Window);
    for (int tab = 0; tab < p->tabPreview->count(); ++tab) {
        p->tabPreview->setCurrentIndex(tab);
        for (QWidget *w : p->findChildren<QWidget *>()) {
            if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
                continue;
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(a && !a->text(QAccessible::Name).isEmpty(),
                     qPrintable(QStringLiteral("%1 (%2) has no name").arg(w->objectName(), w->metaObject()->className())));
        }
    }
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
