// Setup ▸ Check Memory: a finding opens the editor where it can be mended, one without an
// editor says why in the list's own window, and the list follows the document.

#include "PlusFixture.h"
#include "support/AppTestSupport.h"

#include "app/frmCheck.h"
#include "app/frmMain.h"
#include "core/AreaMap.h"
#include "core/RecordLayout.h"
#include "plus/Install.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

using namespace quillet;
using namespace quillet::fixture;

class TestCheckList : public QObject {
    Q_OBJECT
private slots:
    void aFindingOpensWhereItIsMended_data();
    void aFindingOpensWhereItIsMended();
    void theListFollowsTheDocument();
};

namespace {

// The fixture's document with hot macro 3 pressing key 9 of TV, which it lacks, in step 2,
// and timer 2 without a key; the Check Memory list open on it.
frmCheck *openList(testing::MainWindowFixture &f)
{
    f.open();
    copyPictures(f.appDir());
    Globals &g = *f.g;
    buildDocument(g);
    g.MacroBuf[2][0] = stepHead(0, 1);
    g.MacroBuf[2][1] = 0;
    g.MacroBuf[2][2] = stepHead(0, 1);
    g.MacroBuf[2][3] = 8;
    g.TimerBuf[1] = {0, Empty, Empty, 7, 30, Empty, Empty, Empty, Empty, Empty};
    WriteMacros(g.Image, g);
    WriteTimers(g.Image, g);
    installPlus(*f.w);
    f.w->refreshSequence();
    f.w->checks()->showList();
    return f.w->checks()->list();
}

int rowOf(frmCheck &list, const QString &place)
{
    for (int i = 0; i < list.List1->topLevelItemCount(); ++i)
        if (list.List1->topLevelItem(i)->text(1) == place)
            return i;
    return -1;
}

}  // namespace

void TestCheckList::aFindingOpensWhereItIsMended_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<QString>("focus");   // in the last dialog
    QTest::newRow("a macro step") << "hot macro 3 (MACRO 2), step 2" << QStringList{"frmEditPlus", "frmMacroIn"}
                                  << "ComSTEP_2";
    QTest::newRow("a timer") << "timer 2" << QStringList{"frmEditPlus", "frmTimerIn"} << "Text_IN";
}

void TestCheckList::aFindingOpensWhereItIsMended()
{
    QFETCH(QString, place);
    QFETCH(QStringList, dialogs);
    QFETCH(QString, focus);
    testing::MainWindowFixture f;
    frmCheck *list = openList(f);
    QVERIFY(list);
    const int row = rowOf(*list, place);
    QVERIFY2(row >= 0, qPrintable(place));
    QCOMPARE(list->List1->topLevelItem(0)->text(0), QStringLiteral("error"));   // errors first

    bool setup = false;
    QString focused;
    f.ui.onDialog([&](QDialog &) {
        f.ui.onDialog([&](QDialog &d) {
            setup = d.windowTitle() == QStringLiteral("Setup");
            focused = d.focusWidget() ? d.focusWidget()->objectName() : QString();
        });
        QCoreApplication::processEvents();   // the key's own dialog opens once the page shows
    });
    list->List1->setCurrentItem(list->List1->topLevelItem(row));
    QTest::keyClick(list->List1, Qt::Key_Return);
    QCOMPARE(f.ui.dialogsShown, dialogs);
    QVERIFY(setup);
    QCOMPARE(focused, focus);
    QVERIFY(list->isVisible());

    // Elsewhere in the window Enter closes it.
    QTest::keyClick(list->ComNO, Qt::Key_Return);
    QTRY_VERIFY(!f.w->checks()->list());
}

void TestCheckList::theListFollowsTheDocument()
{
    testing::MainWindowFixture f;
    frmCheck *list = openList(f);
    const int before = list->List1->topLevelItemCount();
    // Mend the step: key 1 of TV is there.
    f.g->MacroBuf[2][3] = 0;
    WriteMacros(f.g->Image, *f.g);
    f.w->refreshSequence();
    QCOMPARE(list->List1->topLevelItemCount(), before - 1);
    QCOMPARE(rowOf(*list, QStringLiteral("hot macro 3 (MACRO 2), step 2")), -1);

    // A backup slot has no editor: the list's window says so, not the status bar behind it.
    MemoryImage &image = f.g->Image;
    const ImageCursor c = ImageAddress(63360 + 2640 * 5);
    image.set(c.page, c.byte, area::FilledBackupMark);   // marked, yet holding no keys
    f.w->refreshSequence();
    const int backup = rowOf(*list, QStringLiteral("backup slot TV (OEM)"));
    QVERIFY(backup >= 0);
    list->openAt(list->List1->topLevelItem(backup)->data(0, Qt::UserRole).toInt());
    QVERIFY(list->lblNote->isVisible());
    QVERIFY2(list->lblNote->text().startsWith(QStringLiteral("backup slot TV (OEM) has no editor of its own")),
             qPrintable(list->lblNote->text()));
}

QTEST_MAIN(TestCheckList)
#include "tst_checklist.moc"
