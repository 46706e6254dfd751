#include "PlusFixture.h"
#include "app/HelpWindow.h"
#include "app/ListDialog.h"
#include "app/frmRENAME.h"
#include "core/RecordLayout.h"
#include "editors/frmEditKey.h"
#include "editors/frmEditMENU.h"
#include "editors/frmKeyIn.h"
#include "editors/frmMenuIn.h"
#include "link/frmSETUP.h"
#include "plus/frmEditPlus.h"
#include "plus/frmMacroIn.h"
#include "plus/frmSelectKey.h"
#include "plus/frmTimerIn.h"
#include "support/AppTestSupport.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUndoStack>

#include <functional>

using namespace quillet;
using namespace quillet::fixture;

namespace {

// An edit to take back and one taken back: Undo and Redo both on.
void undoAndRedoOn(QUndoStack &stack)
{
    stack.push(new QUndoCommand(QStringLiteral("first")));
    stack.push(new QUndoCommand(QStringLiteral("second")));
    stack.undo();
}

// Every dialog, opened on a document as its caller would open it.
struct DialogCase {
    const char *name;
    bool cancels;        // has a Cancel, which sets DialogResult 2
    bool hasDefault;     // has an OK for Enter to press
    std::function<std::unique_ptr<QDialog>(Globals &, UiServices &)> open;
    std::function<void(QDialog &)> beforeEnter = {};   // what makes OK possible, on screen
};

const QList<DialogCase> &dialogs()
{
    static const QList<DialogCase> all{
        {"frmSelectBank", true, true, [](Globals &g, UiServices &) { return std::make_unique<frmSelectBank>(g); }},
        {"frmModelIn", true, true, [](Globals &g, UiServices &) { return std::make_unique<frmModelIn>(g); }},
        {"frmOEMLoad", true, true, [](Globals &g, UiServices &) { return std::make_unique<frmOEMLoad>(g); }},
        {"frmRENAME", true, true,
         [](Globals &g, UiServices &ui) {
             g.SelectedFolder = "DATA";
             g.SelectedFile = "a.DAT";
             return std::make_unique<frmRENAME>(g, ui, nullptr);
         }},
        {"frmHelp", false, false,
         [](Globals &g, UiServices &) {
             auto help = std::make_unique<HelpWindow>(nullptr);
             help->load(g.HelpFile, nullptr);
             return help;
         }},
        {"frmEditKey", true, true,
         [](Globals &g, UiServices &ui) {
             ReadDeviceWorkset(g.Image, g, 2);
             return std::make_unique<frmEditKey>(g, ui);
         },
         [](QDialog &d) { undoAndRedoOn(static_cast<GridEditor &>(d).undoStack()); }},
        {"frmEditMENU", true, true, [](Globals &g, UiServices &ui) { return std::make_unique<frmEditMENU>(g, ui); },
         [](QDialog &d) { undoAndRedoOn(static_cast<GridEditor &>(d).undoStack()); }},
        {"frmKeyIn", true, true,
         [](Globals &g, UiServices &ui) {
             g.EditResult = 1;
             g.KeyLabel = "PLAY";
             return std::make_unique<frmKeyIn>(g, ui);
         }},
        {"frmMenuIn", true, true,
         [](Globals &g, UiServices &ui) {
             g.KeyLabel = "TV";
             g.ChosenAttribution = 192;
             return std::make_unique<frmMenuIn>(g, ui);
         }},
        {"frmEditPlus", true, true, [](Globals &g, UiServices &ui) { return std::make_unique<frmEditPlus>(g, ui); }},
        {"frmTimerIn", true, true,
         [](Globals &g, UiServices &ui) {
             g.EditResult = 1;
             g.KeyLabel = "WAKE";
             g.TimerRecord = {1, 1, 1, 7, 30, 0, 0, 0, 0, 0};
             return std::make_unique<frmTimerIn>(g, ui);
         }},
        {"frmMacroIn", true, true,
         [](Globals &g, UiServices &ui) {
             g.EditResult = 1;
             g.KeyLabel = "MOVIE";
             return std::make_unique<frmMacroIn>(g, ui);
         },
         [](QDialog &d) { undoAndRedoOn(static_cast<frmMacroIn &>(d).undoStack()); }},
        {"frmSelectKey", true, true,
         [](Globals &g, UiServices &ui) {
             g.EditResult = 1;
             g.PlusKind = 0;
             return std::make_unique<frmSelectKey>(g, ui);
         },
         [](QDialog &d) { click(d, "PicKEY_0"); }},
        {"frmSETUP", false, true, [](Globals &g, UiServices &ui) { return std::make_unique<frmSETUP>(g, ui); }},
    };
    return all;
}

// Whether `a` comes before `b` when reading the dialog: rows top to bottom, and within a
// row (boxes that overlap by half the lower one's height) left to right.
bool readsBefore(const QRect &a, const QRect &b)
{
    const int overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
    if (overlap * 2 > std::min(a.height(), b.height()))
        return a.left() < b.left();
    return a.top() < b.top();
}

// The controls of a window that a user can reach but a screen reader could not name.
QStringList unnamedControls(QWidget &window)
{
    QStringList unnamed;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *a) {
        if (!a)
            return;
        const QAccessible::State state = a->state();
        // A list box on Linux reads its entry as its name; a reader names it by its label.
        QString name = a->text(QAccessible::Name).trimmed();
        if (a->role() == QAccessible::ComboBox)
            for (const auto &[label, relation] : a->relations(QAccessible::Label))
                name = label->text(QAccessible::Name).trimmed();
        const QString objectName = a->object() ? a->object()->objectName() : QString();
        const QString which = !objectName.isEmpty()
                                  ? objectName
                                  : QStringLiteral("role %1 in %2")
                                        .arg(a->role())
                                        .arg(a->parent() && a->parent()->object()
                                                 ? a->parent()->object()->objectName()
                                                 : QString());
        // A name that is only the control's value ("07") or its objectName says nothing.
        if (state.focusable && !state.invisible && name.isEmpty())
            unnamed << which;
        else if (!state.invisible && !name.isEmpty()
                 && (name == objectName
                     || (a->role() == QAccessible::ComboBox && name == a->text(QAccessible::Value).trimmed())))
            unnamed << which + QStringLiteral(" named \"%1\"").arg(name);
        for (int i = 0; i < a->childCount(); ++i)
            walk(a->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(&window));
    return unnamed;
}

}  // namespace

// The keyboard in every dialog: Enter presses OK, Escape cancels, Tab reads in order.
class TestDialogKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void keys_data();
    void keys();
    void everyControlHasAName_data() { keys_data(); }
    void everyControlHasAName();
    void mainWindowControlsHaveNames();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void tabReachesTheCheckedOption_data() { keys_data(); }
    void tabReachesTheCheckedOption();
    void keysAreButtonsThatPress();

private:
    // The dialog on screen with the keyboard focus, as it opens.
    QWidget *showActive(QDialog &dialog);

    QTemporaryDir settingsDir_;
    QTemporaryDir appDir_;
    std::unique_ptr<Globals> g;
    ScriptedUiServices ui;
};

void TestDialogKeys::initTestCase()
{
    testing::isolateSettings(settingsDir_.path());
}

void TestDialogKeys::init()
{
    g = makeDocument();
    // Documents in a folder of the test's own; the pictures and help from the build.
    g->ShareDir = g->AppDir;
    g->AppDir = appDir_.path();
    g->HelpFile = QDir(g->ShareDir).filePath("HELP.HLP");
    QDir(appDir_.path()).mkpath("DATA");
    QVERIFY(testing::writeFile(appDir_.filePath("DATA/a.DAT"), "x"));
    QVERIFY(testing::writeFile(appDir_.filePath("setup.inf"), "Com Port: 1\r\n"));
    ui.clear();
}

QWidget *TestDialogKeys::showActive(QDialog &dialog)
{
    dialog.show();
    dialog.activateWindow();
    if (!QTest::qWaitForWindowActive(&dialog))
        return nullptr;
    return QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
}

void TestDialogKeys::keys_data()
{
    QTest::addColumn<int>("which");
    for (int i = 0; i < dialogs().size(); ++i)
        QTest::newRow(dialogs()[i].name) << i;
}

void TestDialogKeys::keys()
{
    QFETCH(int, which);
    const DialogCase &c = dialogs()[which];

    // Tab visits the controls in reading order: going round once, the order steps back
    // only where it wraps from the last control to the first.
    {
        auto dialog = c.open(*g, ui);
        QCOMPARE(dialog->objectName(), QString::fromLatin1(c.name));
        QVERIFY(showActive(*dialog));
        QList<QWidget *> chain;
        for (QWidget *w = dialog->nextInFocusChain(); w != dialog.get(); w = w->nextInFocusChain()) {
            if (dialog->isAncestorOf(w) && w->isVisibleTo(dialog.get()) && w->isEnabled()
                && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
                chain << w;
        }
        QVERIFY(chain.size() >= 2);
        // A group of option buttons is one stop in the order, however it is arranged
        // inside (the timer's cycles run down in columns).
        // A group stands where all its buttons stand, though Tab reaches only the checked one.
        auto box = [&](QWidget *w) {
            QRect r(w->mapTo(dialog.get(), QPoint()), w->size());
            if (w->inherits("QRadioButton"))
                for (QWidget *b : w->parentWidget()->findChildren<QRadioButton *>(Qt::FindDirectChildrenOnly))
                    r |= QRect(b->mapTo(dialog.get(), QPoint()), b->size());
            return r;
        };
        auto grouped = [](QWidget *a, QWidget *b) {
            return a->inherits("QRadioButton") && b->inherits("QRadioButton") && a->parentWidget() == b->parentWidget();
        };
        QList<QRect> stops;
        for (int i = 0; i < chain.size(); ++i) {
            if (i > 0 && grouped(chain[i - 1], chain[i]))
                stops.last() |= box(chain[i]);
            else
                stops << box(chain[i]);
        }
        if (stops.size() > 1 && grouped(chain.first(), chain.last())) {
            stops.first() |= stops.last();
            stops.removeLast();
        }
        QList<QRect> backSteps;
        for (int i = 0; i < stops.size(); ++i) {
            if (readsBefore(stops[(i + 1) % stops.size()], stops[i]))
                backSteps << stops[i] << stops[(i + 1) % stops.size()];
        }
        if (backSteps.size() != 2)
            qInfo() << "Tab steps back (from, to):" << backSteps;
        QCOMPARE(backSteps.size(), 2);
    }

    // Escape cancels.
    {
        auto dialog = c.open(*g, ui);
        g->DialogResult = 0;
        QWidget *focus = showActive(*dialog);
        QVERIFY(focus);
        QTest::keyClick(focus, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        if (c.cancels)
            QCOMPARE(g->DialogResult, answer::Cancel);
    }

    // Enter, wherever the focus is when the dialog opens, presses OK.
    if (c.hasDefault) {
        auto dialog = c.open(*g, ui);
        QWidget *focus = showActive(*dialog);
        QVERIFY(focus);
        if (c.beforeEnter)
            c.beforeEnter(*dialog);
        QTest::keyClick(focus, Qt::Key_Return);
        QCOMPARE(ui.texts(), QStringList());
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
}

void TestDialogKeys::everyControlHasAName()
{
    QFETCH(int, which);
    auto dialog = dialogs()[which].open(*g, ui);
    QVERIFY(showActive(*dialog));
    if (auto before = dialogs()[which].beforeEnter)
        before(*dialog);   // the selector: a key chosen, so every kind of control shows
    const QStringList unnamed = unnamedControls(*dialog);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void TestDialogKeys::mainWindowControlsHaveNames()
{
    g->AppDirName = QStringLiteral("Quillet");
    frmMain w(*g, ui);
    w.show();
    w.FillFileTree();
    w.refreshSequence();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QStringList unnamed = unnamedControls(w);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void TestDialogKeys::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("button");
    init();
    for (int i = 0; i < dialogs().size(); ++i) {
        auto dialog = dialogs()[i].open(*g, ui);
        const auto buttons = dialog->findChildren<QPushButton *>();
        for (int b = 0; b < buttons.size(); ++b)
            QTest::addRow("%s %s", dialogs()[i].name, qPrintable(buttons[b]->objectName())) << i << b;
    }
}

void TestDialogKeys::enterPressesTheFocusedButton()
{
    QFETCH(int, which);
    QFETCH(int, button);
    const DialogCase &c = dialogs()[which];
    auto dialog = c.open(*g, ui);
    QVERIFY(showActive(*dialog));
    if (c.beforeEnter)
        c.beforeEnter(*dialog);
    QPushButton *b = dialog->findChildren<QPushButton *>().at(button);
    if (!b->isVisible() || !b->isEnabled())
        QSKIP("not a button the user can reach here");
    b->setFocus(Qt::TabFocusReason);
    QSignalSpy pressed(b, &QPushButton::clicked);
    QTest::keyClick(b, Qt::Key_Return);
    QCOMPARE(pressed.size(), 1);
}

void TestDialogKeys::tabReachesTheCheckedOption()
{
    QFETCH(int, which);
    auto dialog = dialogs()[which].open(*g, ui);
    QVERIFY(showActive(*dialog));
    // Each group with a later button chosen as a shortcut chooses it: without a click,
    // so the focus is not there to begin with.
    QHash<QWidget *, QList<QRadioButton *>> groups;
    for (QRadioButton *r : dialog->findChildren<QRadioButton *>())
        if (r->isVisible() && r->isEnabled())
            groups[r->parentWidget()] << r;
    for (const auto &group : std::as_const(groups)) {
        if (group.size() < 2)
            continue;
        QRadioButton *chosen = group.last();
        chosen->setChecked(true);
        QWidget *outside = dialog->findChild<QPushButton *>(QStringLiteral("ComNO"));
        if (!outside)
            outside = dialog->findChild<QPushButton *>(QStringLiteral("ComOK"));
        outside->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 200 && !group.contains(QApplication::focusWidget()); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), chosen);
    }
}

void TestDialogKeys::keysAreButtonsThatPress()
{
    g->EditResult = 1;
    g->PlusKind = 0;
    g->TimerRecord[timer::Key] = Empty;   // no key chosen yet
    frmSelectKey dialog(*g, ui);
    QVERIFY(showActive(dialog));
    auto key = [&](int k) { return QAccessible::queryAccessibleInterface(dialog.PicKEY[k]); };
    QCOMPARE(key(0)->role(), QAccessible::Button);
    QVERIFY(!key(0)->state().checked);
    // A reader's Press chooses the key as a click does, and the key reads as chosen.
    key(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(dialog.pressedKey(), 0);
    QVERIFY(key(0)->state().checkable && key(0)->state().checked);
}

QTEST_MAIN(TestDialogKeys)
#include "tst_dialogkeys.moc"
