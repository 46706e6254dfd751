// An edit made with the editors' own commands is found by the comparison exactly, and
// nothing else is: each row runs one command of the main window the way a user would.

#include "PlusFixture.h"
#include "support/AppTestSupport.h"

#include "core/ImageCompare.h"
#include "editors/Install.h"
#include "editors/frmEditKey.h"
#include "editors/frmEditMENU.h"
#include "plus/Install.h"

#include <QLineEdit>

#include <functional>
#include <memory>

using namespace quillet;
using namespace quillet::fixture;

namespace {

using Edit = std::function<void(testing::MainWindowFixture &)>;

// "Edit Device" on the TV (the first device the selection lists), the script in its editor.
void editTv(testing::MainWindowFixture &f, const std::function<void(frmEditKey &)> &script)
{
    f.ui.onDialog([](QDialog &select) { click(select, "ComYES"); });
    f.ui.onDialog([script](QDialog &d) {
        script(static_cast<frmEditKey &>(d));
        click(d, "ComYES");
    });
    TRIGGER(f.w.get(), "mnuKeyEdit");
}

// A key of the "Timer" or "Hot Macro" page set up with the script in its dialog.
void setUpKey(testing::MainWindowFixture &f, const char *command, const char *key,
              const ScriptedUiServices::DialogScript &script)
{
    f.ui.onDialog([&f, key, script](QDialog &page) {
        click(page, "OptEDIT");
        f.ui.onDialog(script);
        click(page, key);
        click(page, "ComYES");
    });
    TRIGGER(f.w.get(), command);
}

}  // namespace

class TestCompareEdits : public QObject {
    Q_OBJECT
private slots:
    void findsJustTheEdit_data();
    void findsJustTheEdit();
};

void TestCompareEdits::findsJustTheEdit_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("expected");

    QTest::newRow("move") << Edit([](testing::MainWindowFixture &f) {
        editTv(f, [](frmEditKey &e) {
            testing::dragKey(e, 0, QPoint(5, 5), e.PicPAGE1[0], QPoint(2 * 20 + 5, 2 * 20 + 5));
        });
    }) << QStringLiteral("TV, page 1, key 1: POWER moved from column 1, row 1 to column 3, row 3");
    QTest::newRow("resize") << Edit([](testing::MainWindowFixture &f) {
        editTv(f, [](frmEditKey &e) {
            e.selectMode(GridEditor::Mode::Resize);
            testing::clickKey(e, 0);
            testing::clickCell(e, 0, 0, 0);
            testing::clickCell(e, 0, 2, 1);
        });
    }) << QStringLiteral("TV, page 1, key 1: POWER resized from 2 × 2 cells at column 1, row 1 to 3 × 2 cells at "
                         "column 1, row 1");
    QTest::newRow("relabel") << Edit([](testing::MainWindowFixture &f) {
        editTv(f, [&f](frmEditKey &e) {
            e.selectMode(GridEditor::Mode::Relabel);
            f.ui.onDialog(testing::typeAndOk(QStringLiteral("ON/OFF")));
            testing::clickKey(e, 0);
        });
    }) << QStringLiteral("TV, page 1, key 1: relabelled from POWER to ON/OFF");
    QTest::newRow("renamed device") << Edit([](testing::MainWindowFixture &f) {
        f.ui.onDialog([&f](QDialog &d) {
            auto &editor = static_cast<frmEditMENU &>(d);
            editor.selectMode(GridEditor::Mode::Relabel);
            f.ui.onDialog(testing::nameAndOk(QStringLiteral("TELE")));
            testing::clickKey(editor, 0);
            click(d, "ComYES");
        });
        TRIGGER(f.w.get(), "mnuMenuEdit");
    }) << QStringLiteral("TELE: device renamed from TV to TELE");
    QTest::newRow("timer") << Edit([](testing::MainWindowFixture &f) {
        setUpKey(f, "mnuTimer", "PicKEY_4", [](QDialog &timer) {
            choose(timer, "ComboHour", "21");
            click(timer, "ComYES");
        });
    }) << QStringLiteral("Timer 5 (NEWS): time changed from 07:30 to 21:30");
    QTest::newRow("macro step") << Edit([](testing::MainWindowFixture &f) {
        setUpKey(f, "mnuMacro", "PicKEY_0", [&f](QDialog &macro) {
            f.ui.onDialog([](QDialog &select) {
                click(select, "PicKEY_0");
                click(select, "ComYES");
            });
            click(macro, "OptNEW");
            click(macro, "ComYES");
        });
    }) << QStringLiteral("Hot macro 1 (MACRO 0): step 1 added (TV POWER, 0.5 Second)");
}

void TestCompareEdits::findsJustTheEdit()
{
    QFETCH(Edit, edit);
    QFETCH(QString, expected);
    testing::MainWindowFixture f;
    f.open();
    copyPictures(f.appDir());
    Globals &g = *f.g;
    buildDocument(g);
    // The TV is of the TV kind, so naming it anew keeps its layout; timer 5 is set up.
    g.MenuKindBuf[0] = 192;
    WriteMenuWorkset(g.Image, g);
    g.TimerBuf[4] = {3, 1, 1, 7, 30, 2, 12, 1, 0, 222};
    g.TimerNames[4] = fixedField(QStringLiteral("NEWS"));
    WriteTimers(g.Image, g);
    installEditors(*f.w);
    installPlus(*f.w);
    f.w->refreshSequence();
    auto before = std::make_unique<MemoryImage>(g.Image);

    edit(f);
    QCOMPARE(g.Modified, 1);
    QStringList found;
    for (const Difference &d : compareImages(*before, g.Image))
        found << d.sentence;
    QCOMPARE(found, QStringList{expected});
}

QTEST_MAIN(TestCompareEdits)
#include "tst_compareedits.moc"
