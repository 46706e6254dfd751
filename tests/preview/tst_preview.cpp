// "Try the Remote": a click path through the window, as a user takes it.

#include "plus/PlusFixture.h"
#include "core/DataFile.h"
#include "plus/Install.h"
#include "preview/Install.h"
#include "preview/frmPreview.h"
#include "render/Pages.h"
#include "support/AppTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

using namespace quillet;
using namespace quillet::fixture;

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void clickPathThroughTheWindow();
};

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
    QCOMPARE(dataFileBytes(g.Image), before);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
