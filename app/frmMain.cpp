#include "app/frmMain.h"

#include "app/CompareWithFile.h"
#include "app/DeviceClipboard.h"
#include "app/DocumentUndo.h"
#include "app/ExportCommand.h"
#include "app/ExternalFiles.h"
#include "app/Icons.h"
#include "app/ImportTextCommand.h"
#include "app/frmCheck.h"
#include "app/frmHistory.h"
#include "app/ListDialog.h"
#include "app/UiServices.h"
#include "app/WindowPlacement.h"
#include "app/PrintCommand.h"
#include "app/RecentFilesMenu.h"
#include "app/frmRENAME.h"
#include "core/Backups.h"
#include "core/DataFile.h"
#include "core/FileIO.h"
#include "core/FileOps.h"
#include "core/Globals.h"
#include "core/ModelFile.h"
#include "core/Paths.h"
#include "core/SetupFile.h"
#include "core/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quillet {

namespace {

const QString AppTitle = QStringLiteral("Quillet");
constexpr int VersionMajor = 1;
constexpr int VersionRevision = 0;

// The splitter bar keeps this far from the window's left and right edges.
constexpr int SplitterMargin = 33;

// Window settings in twips, and their defaults.
const char *const SettingsKeys[4] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
constexpr int SettingsDefaults[4] = {1000, 1000, 6500, 6500};
// "1" when the window was left maximised, so it comes back maximised over that place.
const char *const MaximisedKey = "MainMaximized";

// What a device-list entry stands for, beside its text.
constexpr int EntryKindRole = Qt::UserRole + 3;
enum EntryKind { DeviceEntry = 0, MenuEntry = 1, ModelEntry = 2 };

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The chosen entry of a list the keyboard is not in is drawn in a quieter colour than in
// the list it is in, so that Tab visibly moves between the tree and the lists.
void markKeyboardIn(QTreeWidget *list, bool focused)
{
    const QPalette desktop = QApplication::palette(list);
    QPalette p = list->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        QColor highlight = desktop.color(group, QPalette::Highlight);
        QColor text = desktop.color(group, QPalette::HighlightedText);
        if (!focused) {
            const QColor base = desktop.color(group, QPalette::Base);
            highlight = QColor::fromRgbF(0.35f * highlight.redF() + 0.65f * base.redF(),
                                         0.35f * highlight.greenF() + 0.65f * base.greenF(),
                                         0.35f * highlight.blueF() + 0.65f * base.blueF());
            text = desktop.color(group, QPalette::Text);
        }
        p.setColor(group, QPalette::Highlight, highlight);
        p.setColor(group, QPalette::HighlightedText, text);
    }
    list->setPalette(p);
}

QStringList subfolders(const QString &path)
{
    return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QStringList filesMatching(const QString &path, const QString &suffix)
{
    // "*.DAT" and "*.MOD" without regard to case.
    QDir dir(path);
    dir.setNameFilters({QStringLiteral("*") + suffix});
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    QStringList out;
    const QStringList names = dir.entryList();
    for (const QString &n : names) {
        if (n.endsWith(suffix, Qt::CaseInsensitive))
            out << n;
    }
    return out;
}

QTreeWidgetItem *treeNode(QTreeWidgetItem *parent, const QString &text, const QString &key, int icon)
{
    auto *item = new QTreeWidgetItem(parent, {text});
    item->setIcon(0, treeIcon(icon));
    item->setData(0, frmMain::IconIndexRole, icon);
    if (!key.isEmpty())
        item->setData(0, frmMain::KeyRole, key);
    return item;
}

void fitColumns(QTreeWidget *list)
{
    if (list->topLevelItemCount() == 0)
        return;
    for (int c = 0; c < list->columnCount() - 1; ++c)
        list->resizeColumnToContents(c);
}

// The step of a kind's default layout loaded into banks by the main-menu editor, named by
// the devices as the memory named them before and the kinds the editor gave them.
QString defaultLayoutStep(const MemoryImage &before, const Globals &g)
{
    auto menu = std::make_unique<MenuWorkset>();
    ReadMenuWorkset(before, *menu);
    DeviceNameFields names = Globals::blankDeviceNames();
    BuildDeviceNames(*menu, names);
    auto was = std::make_unique<DeviceWorkset>();
    auto now = std::make_unique<DeviceWorkset>();
    QStringList changed;
    for (int b = 0; b < 10; ++b) {
        ReadDeviceWorkset(before, *was, b);
        ReadDeviceWorkset(g.Image, *now, b);
        if (modelFileBytes(*was) == modelFileBytes(*now))
            continue;
        const QString name = trimmedBoth(names[static_cast<size_t>(b)]);
        const char *kind = kindCaption(g.MenuKindBuf[static_cast<size_t>(b)]);
        changed << QStringLiteral("%1 for %2")
                       .arg(kind ? QString::fromLatin1(kind) : QStringLiteral("kind"),
                            name.isEmpty() ? QStringLiteral("bank %1").arg(b + 1) : name);
    }
    if (changed.isEmpty())
        return QStringLiteral("Edit Main Menu");
    if (changed.size() == 1)
        return QStringLiteral("Default Layout ") + changed.first();
    return QStringLiteral("Default Layouts for %1 devices").arg(changed.size());
}

QString safeFileName(QString name)
{
    for (QChar &c : name) {
        if (QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    return name;
}

}  // namespace

int frmMain::twipsToPixels(int twips, qreal dpi)
{
    return qRound(twips * dpi / 1440.0);
}

int frmMain::pixelsToTwips(int pixels, qreal dpi)
{
    return qRound(pixels * 1440.0 / dpi);
}

frmMain::frmMain(Globals &g, UiServices &ui, QWidget *parent) : QMainWindow(parent), g_(g), ui_(ui)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(AppTitle);
    // No close box: the program ends through Exit, which offers to save first.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint);
    buildMenusAndToolbar();
    buildContents();
    checks_ = new MemoryCheckCommand(*this);
    undo_ = new DocumentUndo(*this);
    undo_->attach(action(QStringLiteral("mnuUndo")), action(QStringLiteral("mnuRedo")));
    addShortcuts();
    acceptFileDrops(*this);
    Form_Load();
}

frmMain::~frmMain() = default;

QAction *frmMain::action(const QString &name) const
{
    return actions_.value(name, nullptr);
}

// --- Construction -------------------------------------------------------------------------

QAction *frmMain::addCommand(QMenu *menu, const QString &name, const QString &text, void (frmMain::*handler)())
{
    QAction *a = menu->addAction(text);
    a->setObjectName(name);
    a->setIcon(commandIcon(name));
    connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    actions_.insert(name, a);
    return a;
}

void frmMain::addToolButton(const QString &actionName, const QString &key, bool followText)
{
    QAction *a = action(actionName);
    auto *button = new QToolButton(Toolbar1);
    button->setObjectName(QStringLiteral("Toolbar1_") + actionName);
    button->setProperty("key", key);
    button->setIcon(a->icon());
    button->setToolTip(key);
    button->setAccessibleName(key);
    button->setAutoRaise(true);
    // The menus reach every command from the keyboard; Tab goes to the tree and lists.
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(a->isEnabled());
    connect(button, &QToolButton::clicked, a, &QAction::trigger);
    // A button whose action names what it will do says that too ("Undo Paste Device TV 2").
    auto follow = [button, a, followText] {
        button->setEnabled(a->isEnabled());
        if (followText) {
            const QString text = QString(a->text()).remove(QRegularExpression(QStringLiteral("&(?!&)"))).replace(QStringLiteral("&&"), QStringLiteral("&"));
            button->setToolTip(text);
            button->setAccessibleName(text);
        }
    };
    follow();
    connect(a, &QAction::changed, button, follow);
    Toolbar1->addWidget(button);
}

void frmMain::buildMenusAndToolbar()
{
    auto namedMenu = [this](QMenu *menu, const QString &name) {
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        actions_.insert(name, menu->menuAction());
        return menu;
    };

    // The texts carry their mnemonics (the letter after "&"); what shows is the text
    // without the "&".
    mnuFile = namedMenu(menuBar()->addMenu(QStringLiteral("&File")), QStringLiteral("mnuFile"));
    mnuFileOpen = namedMenu(mnuFile->addMenu(QStringLiteral("&Open")), QStringLiteral("mnuFileOpen"));
    mnuFileOpen->menuAction()->setIcon(commandIcon(QStringLiteral("mnuFileOpenDATA")));
    addCommand(mnuFileOpen, QStringLiteral("mnuFileOpenDATA"), QStringLiteral("&DATA"), &frmMain::mnuFileOpenDATA_Click);
    addCommand(mnuFileOpen, QStringLiteral("mnuFileOpenMODEL"), QStringLiteral("&MODEL"),
               &frmMain::mnuFileOpenMODEL_Click);
    // Under Open, so the items after it keep their order.
    auto *recent = new RecentFilesMenu(*this, mnuFile);
    mnuFile->addMenu(recent);
    namedMenu(recent, QStringLiteral("mnuFileRecent"));
    addCommand(mnuFile, QStringLiteral("mnuFileSave"), QStringLiteral("&Save"), &frmMain::mnuFileSave_Click);
    addCommand(mnuFile, QStringLiteral("mnuFileSaveAs"), QStringLiteral("Save &As.."), &frmMain::mnuFileSaveAs_Click);
    addCommand(mnuFile, QStringLiteral("mnuFileCompare"), QStringLiteral("&Compare with File.."),
               &frmMain::mnuFileCompare_Click);
    mnuFile->addSeparator();
    addCommand(mnuFile, QStringLiteral("mnuFileExport"), QStringLiteral("&Export.."), &frmMain::mnuFileExport_Click);
    addCommand(mnuFile, QStringLiteral("mnuFileImportText"), QStringLiteral("&Import Text.."),
               &frmMain::mnuFileImportText_Click);
    addCommand(mnuFile, QStringLiteral("mnuFilePrint"), QStringLiteral("&Print.."), &frmMain::mnuFilePrint_Click);
    mnuFile->addSeparator();
    addCommand(mnuFile, QStringLiteral("mnuLoad"), QStringLiteral("&Fast Open"), &frmMain::mnuLoad_Click);
    mnuFile->addSeparator();
    addCommand(mnuFile, QStringLiteral("mnuDelete"), QStringLiteral("&Delete"), &frmMain::mnuDelete_Click);
    addCommand(mnuFile, QStringLiteral("mnuRENAME"), QStringLiteral("&Rename.."), &frmMain::mnuRENAME_Click);
    mnuFile->addSeparator();
    addCommand(mnuFile, QStringLiteral("mnuFileClose"), QStringLiteral("E&xit"), &frmMain::mnuFileClose_Click);

    mnuEdit = namedMenu(menuBar()->addMenu(QStringLiteral("&Setup")), QStringLiteral("mnuEdit"));
    addCommand(mnuEdit, QStringLiteral("mnuUndo"), QStringLiteral("&Undo"), &frmMain::mnuUndo_Click);
    addCommand(mnuEdit, QStringLiteral("mnuRedo"), QStringLiteral("R&edo"), &frmMain::mnuRedo_Click);
    mnuEdit->addSeparator();
    addCommand(mnuEdit, QStringLiteral("mnuMenuEdit"), QStringLiteral("Edit Main &Menu"), &frmMain::mnuMenuEdit_Click);
    addCommand(mnuEdit, QStringLiteral("mnuKeyEdit"), QStringLiteral("Edit &Device"), &frmMain::mnuKeyEdit_Click);
    mnuEdit->addSeparator();
    addCommand(mnuEdit, QStringLiteral("mnuModelLoad"), QStringLiteral("&Open Model.."), &frmMain::mnuModelLoad_Click);
    addCommand(mnuEdit, QStringLiteral("mnuModelSave"), QStringLiteral("&Save Model.."), &frmMain::mnuModelSave_Click);
    addCommand(mnuEdit, QStringLiteral("mnuOEMLoad"), QStringLiteral("&Backup.."), &frmMain::mnuOEMLoad_Click);
    mnuEdit->addSeparator();
    addCommand(mnuEdit, QStringLiteral("mnuTimer"), QStringLiteral("&Timer"), &frmMain::mnuTimer_Click);
    mnuEdit->addSeparator();
    addCommand(mnuEdit, QStringLiteral("mnuMacro"), QStringLiteral("&Hot Macro"), &frmMain::mnuMacro_Click);
    mnuEdit->addSeparator();
    addCommand(mnuEdit, QStringLiteral("mnuCopyDevice"), QStringLiteral("&Copy Device"), &frmMain::mnuCopyDevice_Click);
    addCommand(mnuEdit, QStringLiteral("mnuPasteDevice"), QStringLiteral("&Paste Device"),
               &frmMain::mnuPasteDevice_Click);
    mnuEdit->addSeparator();
    addCommand(mnuEdit, QStringLiteral("mnuPreview"), QStringLiteral("Try the &Remote"), &frmMain::mnuPreview_Click);
    addCommand(mnuEdit, QStringLiteral("mnuCheck"), QStringLiteral("Chec&k Memory"), &frmMain::mnuCheck_Click);

    mnuView = namedMenu(menuBar()->addMenu(QStringLiteral("&Transmission")), QStringLiteral("mnuView"));
    addCommand(mnuView, QStringLiteral("mnuDOWN"), QStringLiteral("&Download from Remote"), &frmMain::mnuDOWN_Click);
    addCommand(mnuView, QStringLiteral("mnuUP"), QStringLiteral("&Upload to Remote"), &frmMain::mnuUP_Click);
    addCommand(mnuView, QStringLiteral("mnuCompareRemote"), QStringLiteral("Compare with &Remote"),
               &frmMain::mnuCompareRemote_Click);
    addCommand(mnuView, QStringLiteral("mnuHistory"), QStringLiteral("&History"), &frmMain::mnuHistory_Click);
    addCommand(mnuView, QStringLiteral("mnuPORT"), QStringLiteral("&Communication Port"), &frmMain::mnuPORT_Click);

    mnuHelp = namedMenu(menuBar()->addMenu(QStringLiteral("&Help")), QStringLiteral("mnuHelp"));
    addCommand(mnuHelp, QStringLiteral("mnuHelpContents"), QStringLiteral("How to use &help"),
               &frmMain::mnuHelpContents_Click);
    mnuHelp->addSeparator();
    addCommand(mnuHelp, QStringLiteral("mnuHelpAbout"), QStringLiteral("&About"), &frmMain::mnuHelpAbout_Click);

    Toolbar1 = addToolBar(QStringLiteral("Toolbar"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setAccessibleName(Toolbar1->windowTitle());
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->toggleViewAction()->setEnabled(false);
    // Seventeen buttons fit the default window width only when packed closely.
    Toolbar1->layout()->setSpacing(0);
    Toolbar1->layout()->setContentsMargins(2, 1, 2, 1);
    addToolButton(QStringLiteral("mnuFileOpenDATA"), QStringLiteral("Open.."));
    addToolButton(QStringLiteral("mnuFileSave"), QStringLiteral("Save"));
    addToolButton(QStringLiteral("mnuFileSaveAs"), QStringLiteral("Save As.."));
    addToolButton(QStringLiteral("mnuLoad"), QStringLiteral("Fast Open"));
    addToolButton(QStringLiteral("mnuDelete"), QStringLiteral("Delete"));
    addToolButton(QStringLiteral("mnuRENAME"), QStringLiteral("Rename.."));
    Toolbar1->addSeparator();
    addToolButton(QStringLiteral("mnuUndo"), QStringLiteral("Undo"), true);
    addToolButton(QStringLiteral("mnuRedo"), QStringLiteral("Redo"), true);
    Toolbar1->addSeparator();
    addToolButton(QStringLiteral("mnuMenuEdit"), QStringLiteral("Edit Main Menu"));
    addToolButton(QStringLiteral("mnuKeyEdit"), QStringLiteral("Edit Device"));
    addToolButton(QStringLiteral("mnuModelLoad"), QStringLiteral("Open Model.."));
    addToolButton(QStringLiteral("mnuModelSave"), QStringLiteral("Save Model.."));
    addToolButton(QStringLiteral("mnuOEMLoad"), QStringLiteral("Backup.."));
    addToolButton(QStringLiteral("mnuTimer"), QStringLiteral("Timer"));
    addToolButton(QStringLiteral("mnuMacro"), QStringLiteral("Hot Macro"));
    Toolbar1->addSeparator();
    addToolButton(QStringLiteral("mnuDOWN"), QStringLiteral("Download from Remote"));
    addToolButton(QStringLiteral("mnuUP"), QStringLiteral("Upload to Remote"));
    addToolButton(QStringLiteral("mnuPORT"), QStringLiteral("Communication Port"));
    Toolbar1->addSeparator();
    addToolButton(QStringLiteral("mnuHelpContents"), QStringLiteral("Help"));
}

void frmMain::addShortcuts()
{
    // The platform's standard keys where it has them; a platform without one (some have
    // no Quit key) still gets the common one.
    auto standard = [this](const char *name, QKeySequence::StandardKey key, const QKeySequence &common) {
        QList<QKeySequence> keys = QKeySequence::keyBindings(key);
        if (keys.isEmpty())
            keys = {common};
        action(QLatin1String(name))->setShortcuts(keys);
    };
    standard("mnuFileOpenDATA", QKeySequence::Open, QKeySequence(Qt::CTRL | Qt::Key_O));
    standard("mnuFileSave", QKeySequence::Save, QKeySequence(Qt::CTRL | Qt::Key_S));
    standard("mnuFileSaveAs", QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    standard("mnuHelpContents", QKeySequence::HelpContents, QKeySequence(Qt::Key_F1));
    standard("mnuFileClose", QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
    action(QStringLiteral("mnuRENAME"))->setShortcut(QKeySequence(Qt::Key_F2));
    // Both redo keys everywhere: users of either platform's habit find theirs. An editor is
    // a window of its own, so inside it these keys stay the editor's.
    standard("mnuUndo", QKeySequence::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z));
    action(QStringLiteral("mnuRedo"))->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    action(QStringLiteral("mnuPreview"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));

    // Delete and Enter act on the file tree's selection, so they work only while the
    // tree has the focus (Enter in a list or Delete in a text box mean something else).
    auto onTree = [this](const char *name, const QList<QKeySequence> &keys) {
        QAction *a = action(QLatin1String(name));
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WidgetShortcut);
        TreeView1->addAction(a);
    };
    onTree("mnuDelete", {QKeySequence(QKeySequence::Delete)});
    onTree("mnuLoad", {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    // Copy and paste of a device belong to the device list, also as its context menu.
    ListView1->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (const auto &[name, key] : {std::pair("mnuCopyDevice", QKeySequence::Copy),
                                    std::pair("mnuPasteDevice", QKeySequence::Paste)}) {
        QAction *a = action(QLatin1String(name));
        a->setShortcuts(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        ListView1->addAction(a);
    }
}

void frmMain::buildContents()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto titleLabel = [](int i, QWidget *owner) {
        auto *label = new QLabel(owner);
        label->setObjectName(QStringLiteral("lblTitle_%1").arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMargin(2);
        // A long path must not widen the pane; the full text is in the tool tip.
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        return label;
    };
    auto listView = [](const QString &name, QWidget *owner) {
        auto *list = new QTreeWidget(owner);
        list->setObjectName(name);
        list->setColumnCount(3);
        list->setHeaderLabels({QStringLiteral("Data Item"), QStringLiteral("Build Date"), QStringLiteral("Build Time")});
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setAllColumnsShowFocus(true);
        list->header()->setStretchLastSection(true);
        list->header()->setSectionsMovable(false);
        list->setColumnWidth(0, 100);
        list->setColumnWidth(1, 76);
        list->setMinimumWidth(16);
        return list;
    };
    auto pane = [](QWidget *title, QWidget *body) {
        auto *w = new QWidget;
        auto *v = new QVBoxLayout(w);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        v->addWidget(title);
        v->addWidget(body, 1);
        w->setMinimumWidth(16);
        return w;
    };

    splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("splitter"));
    // A moving bar while dragging; the panes follow on release, as SizeControls lays them out.
    splitter->setOpaqueResize(false);
    splitter->setChildrenCollapsible(false);

    lblTitle[0] = titleLabel(0, central);
    TreeView1 = new QTreeWidget(central);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setAccessibleName(QStringLiteral("Files"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setMinimumWidth(16);
    // Long names scroll sideways rather than being cut short.
    TreeView1->header()->setStretchLastSection(false);
    TreeView1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    QWidget *left = pane(lblTitle[0], TreeView1);
    left->setMinimumWidth(SplitterMargin);

    lblTitle[1] = titleLabel(1, central);
    ListView1 = listView(QStringLiteral("ListView1"), central);
    lblTitle[2] = titleLabel(2, central);
    ListView2 = listView(QStringLiteral("ListView2"), central);
    ListView1->setAccessibleName(QStringLiteral("Devices"));
    ListView2->setAccessibleName(QStringLiteral("Backup"));
    listSplitter_ = new QSplitter(Qt::Horizontal);
    listSplitter_->setObjectName(QStringLiteral("listSplitter"));
    listSplitter_->setChildrenCollapsible(false);
    listSplitter_->addWidget(pane(lblTitle[1], ListView1));
    listSplitter_->addWidget(pane(lblTitle[2], ListView2));
    listSplitter_->setStretchFactor(0, 3);
    listSplitter_->setStretchFactor(1, 2);
    listSplitter_->setMinimumWidth(SplitterMargin);

    splitter->addWidget(left);
    splitter->addWidget(listSplitter_);
    // The tree keeps its width when the window is resized; the lists take the rest.
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    outer->addWidget(splitter, 1);

    // The transfer's progress panel floats over the lists, centred whenever it shows; it
    // and the log stay hidden until a transfer runs.
    Picture1 = new QFrame(central);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Picture1->setAutoFillBackground(true);
    auto *progress = new QVBoxLayout(Picture1);
    Label1 = new QLabel(Picture1);
    Label1->setObjectName(QStringLiteral("Label1"));
    ProgressBar1 = new QProgressBar(Picture1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    progress->addWidget(Label1);
    progress->addWidget(ProgressBar1);
    // Escape is the one key a running transfer answers; the panel says so.
    auto *escapeHint = new QLabel(QStringLiteral("Press Escape to stop the transfer."), Picture1);
    escapeHint->setObjectName(QStringLiteral("lblEscape"));
    progress->addWidget(escapeHint);
    Picture1->resize(300, Picture1->sizeHint().height());
    Picture1->installEventFilter(this);
    Text1 = new QPlainTextEdit(central);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setFocusPolicy(Qt::NoFocus);   // kept hidden: nothing to reach or to read
    outer->addWidget(Text1);

    setCentralWidget(central);
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    // The caption stays as it is; the status bar tells of unsaved changes.
    lblModified = new QLabel(QStringLiteral("Modified"), StatusBar1);
    lblModified->setObjectName(QStringLiteral("lblModified"));
    lblModified->hide();
    StatusBar1->addPermanentWidget(lblModified);
    connect(this, &frmMain::documentStateChanged, this, [this] { lblModified->setVisible(g_.Modified == 1); });

    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { TreeView1_NodeClick(item); });
    // Moving through the tree with the keyboard selects as a click does.
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (!fillingTree_ && item && TreeView1->hasFocus())
            TreeView1_NodeClick(item);
    });
    for (QTreeWidget *list : {TreeView1, ListView1, ListView2}) {
        list->installEventFilter(this);
        markKeyboardIn(list, false);
    }
    // Moving through the device list with the keyboard chooses as a click does.
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (ListView1->hasFocus() && ListView1->currentItem() && ListView1->currentItem()->isSelected())
            ListView1_Click(ListView1->currentItem());
    });
    connect(ListView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { ListView1_Click(item); });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { ListView1_DblClick(item); });
    connect(splitter, &QSplitter::splitterMoved, this, [this](int pos) { SizeControls(pos); });
}

// --- Load, settings, shutdown ------------------------------------------------------------

void frmMain::Form_Load()
{
    g_.LoadedKind = 0;
    g_.Modified = 0;
    g_.CurrentFile.clear();
    g_.FilePath.clear();
    g_.SelectedBank = 255;

    const QString iconPath = joinPath(g_.shippedFolder(), QStringLiteral("program icon.ico"));
    if (QFileInfo::exists(iconPath))
        setWindowIcon(QIcon(iconPath));

    lblTitle[0]->setText(g_.AppDir + nativeSeparator());
    lblTitle[0]->setToolTip(lblTitle[0]->text());
    setListTitle(QStringLiteral("NONE"));
    lblTitle[2]->setText(QStringLiteral("Backup"));

    restoreWindowSettings();
    Picture1->hide();
    Text1->hide();
    setTreeCommands(false, false, false);
    setModelCommands(false);
    UpdateCommands();
}

void frmMain::restoreWindowSettings()
{
    QSettings settings(AppTitle, AppTitle);
    settings.beginGroup(QStringLiteral("Settings"));
    int twips[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int v = settings.value(QLatin1String(SettingsKeys[i]), QString::number(SettingsDefaults[i]))
                          .toString()
                          .toInt(&ok);
        twips[i] = ok ? v : SettingsDefaults[i];
    }
    bool ok = false;
    const int view = settings.value(QStringLiteral("ViewMode")).toString().toInt(&ok);
    if (ok)
        ViewMode = view;
    const bool maximised = settings.value(QLatin1String(MaximisedKey)).toString() == QLatin1String("1");
    settings.endGroup();

    const QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen();
    const qreal dpiX = scr ? scr->logicalDotsPerInchX() : 96.0;
    const qreal dpiY = scr ? scr->logicalDotsPerInchY() : 96.0;
    QRect r(twipsToPixels(twips[0], dpiX), twipsToPixels(twips[1], dpiY), twipsToPixels(twips[2], dpiX),
            twipsToPixels(twips[3], dpiY));
    // The size Exit stored comes back as it was, kept between the window's own minimum and
    // the screen; a place on a screen that is no longer there falls back to the default
    // so the window never opens out of reach.
    const QSize least = minimumSize().expandedTo(minimumSizeHint());
    r.setSize(r.size().expandedTo(least));
    if (scr)
        r.setSize(r.size().boundedTo(scr->availableGeometry().size()));
    if (!QGuiApplication::screenAt(r.topLeft() + QPoint(20, 20)))
        r.moveTopLeft(QPoint(twipsToPixels(SettingsDefaults[0], dpiX), twipsToPixels(SettingsDefaults[1], dpiY)));
    // All of it on that screen, not only its corner: at a larger scale the stored place
    // can reach past the edges.
    if (const QScreen *on = QGuiApplication::screenAt(r.topLeft() + QPoint(20, 20)))
        r = fitIntoArea(r, {}, on->availableGeometry(), least);
    // The place is the client area's, as it is stored: the frame's corner would move the
    // window by the frame at every start.
    setGeometry(r);
    if (maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
    // Before the first show the splitter has no width yet; it shares out these sizes in
    // proportion once it has.
    splitter->setSizes({r.width() * 3 / 10, r.width() * 7 / 10});
}

void frmMain::storeWindowSettings()
{
    QSettings settings(AppTitle, AppTitle);
    settings.beginGroup(QStringLiteral("Settings"));
    // Left minimised, the window keeps the last normal position for the next start.
    if (!isMinimized()) {
        const QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen();
        const qreal dpiX = scr ? scr->logicalDotsPerInchX() : 96.0;
        const qreal dpiY = scr ? scr->logicalDotsPerInchY() : 96.0;
        // The client area in both cases: normalGeometry() is one too.
        const bool maximised = isMaximized() || isFullScreen();
        const QRect normal = maximised ? normalGeometry() : geometry();
        const int values[4] = {pixelsToTwips(normal.x(), dpiX), pixelsToTwips(normal.y(), dpiY),
                               pixelsToTwips(normal.width(), dpiX), pixelsToTwips(normal.height(), dpiY)};
        for (int i = 0; i < 4; ++i)
            settings.setValue(QLatin1String(SettingsKeys[i]), QString::number(values[i]));
        settings.setValue(QLatin1String(MaximisedKey), maximised ? QStringLiteral("1") : QStringLiteral("0"));
    }
    settings.setValue(QStringLiteral("ViewMode"), QString::number(ViewMode));
    settings.endGroup();
    settings.sync();
}

void frmMain::unloadMainWindow()
{
    emit unloading();
    if (hooks.shutdown)
        hooks.shutdown();
    // Other windows (the help window, anything a library left open) go first, the most
    // recent first.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget *w = *it;
        if (w != this && w->isVisible() && w->isWindow())
            w->close();
    }
    storeWindowSettings();
    exiting_ = true;
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // The close box and the window manager's close request do nothing: Exit is the way
    // out, because it offers to save and writes setup.inf first.
    if (!exiting_) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Picture1 && event->type() == QEvent::Show)
        centreProgressPanel();
    const bool isList = watched == TreeView1 || watched == ListView1 || watched == ListView2;
    // A window losing its activation leaves the focus where it is; the desktop's inactive
    // colours show that.
    if (isList && event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent *>(event)->reason() != Qt::ActiveWindowFocusReason
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
        markKeyboardIn(static_cast<QTreeWidget *>(watched), false);
    // A list taking focus with nothing current shows where the keyboard is: on its first
    // entry, which is not chosen by that.
    if (isList && event->type() == QEvent::FocusIn) {
        auto *list = static_cast<QTreeWidget *>(watched);
        markKeyboardIn(list, true);
        if (!list->currentItem() && list->topLevelItemCount() > 0) {
            const QSignalBlocker quiet(list);
            list->selectionModel()->setCurrentIndex(list->model()->index(0, 0), QItemSelectionModel::NoUpdate);
        }
    }
    // Enter on the device list opens the device's editor, as a double-click does.
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ListView1->currentItem()) {
            ListView1_DblClick(ListView1->currentItem());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::centreProgressPanel()
{
    QWidget *area = Picture1->parentWidget();
    Picture1->move((area->width() - Picture1->width()) / 2, (area->height() - Picture1->height()) / 2);
    Picture1->raise();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (Picture1->isVisible())
        centreProgressPanel();
    const QList<int> sizes = splitter->sizes();
    if (!sizes.isEmpty())
        SizeControls(sizes.first());
}

void frmMain::SizeControls(int x)
{
    // Toolbar, title row, status bar and the lists' heights follow from the layouts; the
    // splitter position is what is set here, at least 33 pixels from either edge. On a
    // window too narrow for that the step is skipped.
    const int width = splitter->width();
    if (width < 2 * SplitterMargin + splitter->handleWidth())
        return;
    const int pos = std::clamp(x, SplitterMargin, width - SplitterMargin - splitter->handleWidth());
    const QList<int> sizes = splitter->sizes();
    if (sizes.size() == 2 && sizes[0] == pos)
        return;
    splitter->setSizes({pos, width - pos - splitter->handleWidth()});
}

// --- Command states -----------------------------------------------------------------------

void frmMain::setCommandEnabled(const QString &name, bool on)
{
    if (QAction *a = action(name))
        a->setEnabled(on);
}

void frmMain::setTreeCommands(bool fastOpen, bool del, bool rename)
{
    setCommandEnabled(QStringLiteral("mnuLoad"), fastOpen);
    setCommandEnabled(QStringLiteral("mnuDelete"), del);
    setCommandEnabled(QStringLiteral("mnuRENAME"), rename);
}

void frmMain::setModelCommands(bool on)
{
    setCommandEnabled(QStringLiteral("mnuModelLoad"), on);
    setCommandEnabled(QStringLiteral("mnuModelSave"), on);
    setCommandEnabled(QStringLiteral("mnuOEMLoad"), on);
}

void frmMain::UpdateCommands()
{
    const int k = g_.LoadedKind;
    const bool image = k == 1;
    const bool any = k == 1 || k == 2;
    setCommandEnabled(QStringLiteral("mnuFileSave"), any);
    setCommandEnabled(QStringLiteral("mnuFileSaveAs"), any);
    setCommandEnabled(QStringLiteral("mnuFileExport"), any);
    setCommandEnabled(QStringLiteral("mnuFilePrint"), any);
    setCommandEnabled(QStringLiteral("mnuMenuEdit"), image);
    setCommandEnabled(QStringLiteral("mnuKeyEdit"), any);
    setCommandEnabled(QStringLiteral("mnuTimer"), image);
    setCommandEnabled(QStringLiteral("mnuMacro"), image);
    setCommandEnabled(QStringLiteral("mnuPreview"), any);
    setCommandEnabled(QStringLiteral("mnuDOWN"), true);
    setCommandEnabled(QStringLiteral("mnuUP"), image);
    setCommandEnabled(QStringLiteral("mnuFileCompare"), any);
    setCommandEnabled(QStringLiteral("mnuCompareRemote"), image);
    emit documentStateChanged();
}

void frmMain::refreshSequence()
{
    UpdateCommands();
    ReadMenuWorkset(g_.Image, g_);
    BuildDeviceNames(g_, g_.DeviceNames);
    FillDeviceList();
    FillBackupList();
}

void frmMain::refreshLoaded()
{
    if (g_.LoadedKind == 1) {
        refreshSequence();
        return;
    }
    UpdateCommands();
    FillDeviceList();
    FillBackupList();
}

// --- Captions ----------------------------------------------------------------------------

void frmMain::setCaptionSuffix(const QString &suffix)
{
    setWindowTitle(AppTitle + suffix);
}

void frmMain::setListTitle(const QString &text)
{
    lblTitle[1]->setText(text);
    lblTitle[1]->setToolTip(text);
}

void frmMain::showDocumentTitle()
{
    if (g_.CurrentFile.isEmpty()) {
        setCaptionSuffix(QString());
        setListTitle(QStringLiteral("NONE"));
        return;
    }
    setCaptionSuffix(QStringLiteral("  [") + g_.CurrentFile + QLatin1Char(']'));
    setListTitle(g_.CurrentFile);
}

// --- File tree ---------------------------------------------------------------------------

void frmMain::addTreeFiles(QTreeWidgetItem *parent, const QString &folderPath)
{
    for (const QString &name : filesMatching(folderPath, QStringLiteral(".DAT")))
        treeNode(parent, name, QString(), 4);
    for (const QString &name : filesMatching(folderPath, QStringLiteral(".MOD")))
        treeNode(parent, name, QString(), 5);
}

namespace {

// A node's place in the tree: the names from below the root down to it.
QString nodePath(const QTreeWidgetItem *item)
{
    QStringList parts;
    for (; item && item->parent(); item = item->parent())
        parts.prepend(item->text(0));
    return parts.join(QLatin1Char('/'));
}

}  // namespace

void frmMain::FillFileTree()
{
    // Filled anew, the tree shows what the user had opened and selected, where it is still
    // there; a selection that is gone takes the tree commands with it.
    QSet<QString> expanded;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        if ((*it)->isExpanded() && (*it)->childCount() > 0)
            expanded.insert(nodePath(*it));
    const bool hadSelection = TreeView1->currentItem() != nullptr;
    const QString selected = hadSelection ? nodePath(TreeView1->currentItem()) : QString();

    fillingTree_ = true;
    TreeView1->clear();
    auto *root = new QTreeWidgetItem(TreeView1, {g_.AppDirName});
    root->setIcon(0, treeIcon(6));
    root->setData(0, IconIndexRole, 6);
    root->setData(0, KeyRole, QStringLiteral("Root"));

    // Three folder levels below AppDir; within a folder, subfolders first, then data
    // files, then model files.
    const QString sep = nativeSeparator();
    for (const QString &f1 : subfolders(g_.AppDir)) {
        const QString p1 = joinPath(g_.AppDir, f1);
        QTreeWidgetItem *n1 = treeNode(root, f1, f1, 2);
        for (const QString &f2 : subfolders(p1)) {
            const QString p2 = joinPath(p1, f2);
            QTreeWidgetItem *n2 = treeNode(n1, f2, f1 + sep + f2, 2);
            for (const QString &f3 : subfolders(p2)) {
                QTreeWidgetItem *n3 = treeNode(n2, f3, f1 + sep + f2 + sep + f3, 2);
                addTreeFiles(n3, joinPath(p2, f3));
            }
            addTreeFiles(n2, p2);
        }
        addTreeFiles(n1, p1);
    }
    root->setExpanded(true);
    QTreeWidgetItem *current = nullptr;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
        const QString path = nodePath(*it);
        if (expanded.contains(path))
            (*it)->setExpanded(true);
        if (hadSelection && !current && path == selected)
            current = *it;
    }
    if (current)
        TreeView1->setCurrentItem(current);
    else if (hadSelection && !g_.SelectedFile.isEmpty() && g_.SelectedFile != g_.AppDirName) {
        g_.SelectedFolder.clear();
        g_.SelectedFile.clear();
        setTreeCommands(false, false, false);
    }
    fillingTree_ = false;
}

void frmMain::TreeView1_NodeClick(QTreeWidgetItem *item)
{
    if (!item)
        return;
    if (!item->parent()) {
        g_.SelectedFolder.clear();
        g_.SelectedFile = g_.AppDirName;
        setTreeCommands(false, false, false);
        return;
    }
    // R: the node's path below the root.
    QStringList parts;
    for (QTreeWidgetItem *n = item; n && n->parent(); n = n->parent())
        parts.prepend(n->text(0));
    const QString sep = nativeSeparator();
    const QString r = parts.join(sep);
    const QString text = item->text(0);
    if (r == text) {
        g_.SelectedFolder.clear();
        g_.SelectedFile = text;
        setTreeCommands(false, false, true);
        return;
    }
    parts.removeLast();
    g_.SelectedFolder = parts.join(sep);
    g_.SelectedFile = text;
    if (hasDataSuffix(text) || hasModelSuffix(text))
        setTreeCommands(true, true, true);
    else
        setTreeCommands(false, false, true);
}

// --- Device and backup lists -------------------------------------------------------------

QTreeWidgetItem *frmMain::addListEntry(QTreeWidget *list, const QString &text, int icon)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    auto *item = new QTreeWidgetItem(list, {text, locale.toString(now.date(), QLocale::ShortFormat),
                                            now.time().toString(QStringLiteral("HH:mm:ss"))});
    item->setIcon(0, listIcon(icon));
    item->setData(0, IconIndexRole, icon);
    return item;
}

void frmMain::FillDeviceList()
{
    ListView1->clear();
    if (g_.LoadedKind == 1) {
        addListEntry(ListView1, QStringLiteral("MENU"), 1)->setData(0, EntryKindRole, MenuEntry);
        for (const QString &name : g_.DeviceNames) {
            if (!isBlankField(name))
                addListEntry(ListView1, trimmedBoth(name), 2)->setData(0, EntryKindRole, DeviceEntry);
        }
    } else if (g_.LoadedKind == 2) {
        addListEntry(ListView1, QStringLiteral("MODEL"), 2)->setData(0, EntryKindRole, ModelEntry);
    }
    fitColumns(ListView1);
}

void frmMain::FillBackupList()
{
    ListView2->clear();
    if (g_.LoadedKind != 1)
        return;
    for (const BackupSlotInfo &slot : BackupSlots) {
        if (backupSlotFilled(g_.Image, slot.slot))
            addListEntry(ListView2, QString::fromLatin1(slot.listEntry), 3);
    }
    fitColumns(ListView2);
}

void frmMain::ListView1_Click(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int kind = item->data(0, EntryKindRole).toInt();
    if (kind == MenuEntry) {
        g_.SelectedBank = 10;
        setModelCommands(false);
        return;
    }
    if (kind == DeviceEntry) {
        // Equal names select the lower bank.
        for (int b = 0; b < 10; ++b) {
            if (trimmedBoth(g_.DeviceNames[static_cast<size_t>(b)]) == item->text(0)) {
                g_.SelectedBank = b;
                setModelCommands(true);
                return;
            }
        }
    }
    g_.SelectedBank = 255;
    setModelCommands(false);
}

void frmMain::ListView1_DblClick(QTreeWidgetItem *item)
{
    ListView1_Click(item);
    if (g_.LoadedKind == 1) {
        if (g_.SelectedBank == 10)
            runMenuEdit();
        else if (inRange(g_.SelectedBank, 0, 9))
            runDeviceEdit(g_.SelectedBank);
    } else if (g_.LoadedKind == 2) {
        runModelEdit();
    }
}

// --- The question before discarding ------------------------------------------------------

bool frmMain::askBeforeDiscard(DiscardRule rule)
{
    if (g_.Modified != 1)
        return true;
    g_.DialogResult = ui_.message(this, QStringLiteral("Data has been modified, do you want to save?"),
                                  QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::YesNoCancel);
    switch (g_.DialogResult) {
    case answer::No:
        return true;
    case answer::Yes:
        break;
    default:
        return false;
    }
    if (rule == DiscardRule::SaveAsThenStop) {
        mnuFileSaveAs_Click();
        return false;
    }
    bool saved = false;
    if (g_.LoadedKind == 1)
        saved = SaveDataFileAs();
    else if (g_.LoadedKind == 2)
        saved = SaveModelFileAs();
    if (!saved)
        return false;
    g_.Modified = 0;
    if (rule == DiscardRule::SaveThenGoOnRefresh) {
        showDocumentTitle();
        FillFileTree();
        refreshSequence();
    }
    return true;
}

// --- Loading and saving ------------------------------------------------------------------

QString frmMain::askSavePath(const FileDialogSpec &request)
{
    for (;;) {
        const QString path = ui_.saveFileName(this, request);
        if (path.isEmpty()) {
            g_.DialogResult = answer::Cancel;
            return {};
        }
        if (!QFileInfo::exists(path))
            return path;
        if (ui_.message(this, QStringLiteral("replace"), QStringLiteral("Warning"), MsgIcon::None,
                        MsgButtons::OKCancel)
            == answer::OK)
            return path;
    }
}

bool frmMain::SaveDataFileAs()
{
    const QString path = askSavePath({QStringLiteral("DATA FILE(*.DAT)|*.DAT"), QStringLiteral("DAT"), g_.CurrentFile,
                                      joinPath(g_.AppDir, QStringLiteral("DATA")) + nativeSeparator()});
    if (path.isEmpty())
        return false;
    g_.FilePath = path;
    QString error;
    if (!SaveDataFile(g_.FilePath, g_.Image, &error, g_.makeSaveFile)) {
        ui_.warn(this, error);
        return false;
    }
    g_.CurrentFile = g_.FilePath;
    g_.SaveAsFirst.clear();
    return true;
}

bool frmMain::SaveModelFileAs()
{
    const QString path = askSavePath({QStringLiteral("MODEL FILE(*.MOD)|*.MOD"), QStringLiteral("MOD"), g_.CurrentFile,
                                      joinPath(g_.AppDir, QStringLiteral("MODEL")) + nativeSeparator()});
    if (path.isEmpty())
        return false;
    g_.FilePath = path;
    QString error;
    if (!SAVE_MODEL_FILE(g_.FilePath, g_, &error, g_.makeSaveFile)) {
        ui_.warn(this, error);
        return false;
    }
    g_.CurrentFile = g_.FilePath;
    g_.SaveAsFirst.clear();
    return true;
}

bool frmMain::openDataFile(const QString &path)
{
    QString error;
    QByteArray contents;
    qint64 size = 0;
    // Bytes beyond the image's end would be ignored anyway: never read them.
    if (!readFileAtMost(path, 2 + MemoryImage::TotalBytes, contents, &error, &size)) {
        ui_.warn(this, error);
        return false;
    }
    // A file that is not a whole data file mixes into the memory loaded now: only with the
    // user's yes. Cancel leaves everything as it was.
    const QString mismatch = dataFileMismatch(QFileInfo(path).fileName(), contents, size);
    if (!mismatch.isEmpty()
        && ui_.message(this, mismatch + QStringLiteral(" Load it anyway?"), QStringLiteral("Warning"), MsgIcon::Warning,
                       MsgButtons::OKCancel)
               != answer::OK)
        return false;
    g_.FilePath = path;
    fillImageFromDataFile(g_.Image, contents);
    g_.CurrentFile = g_.FilePath;
    g_.SaveAsFirst.clear();
    showDocumentTitle();
    g_.LoadedKind = 1;
    g_.Modified = 0;
    newHistory();
    return true;
}

bool frmMain::openModelFile(const QString &path)
{
    g_.FilePath = path;
    QString error;
    if (!LOAD_MODEL_FILE(g_.FilePath, g_, &error)) {
        ui_.warn(this, error);
        return false;
    }
    g_.CurrentFile = g_.FilePath;
    g_.SaveAsFirst.clear();
    showDocumentTitle();
    g_.LoadedKind = 2;
    g_.Modified = 0;
    newHistory();
    refreshLoaded();
    return true;
}

// --- File commands -----------------------------------------------------------------------

bool frmMain::openDataDocument(const QString &path)
{
    if (!openDataFile(path))
        return false;
    g_.SelectedBank = 255;
    refreshSequence();
    return true;
}

bool frmMain::openFile(const QString &path)
{
    const bool isData = hasDataSuffix(path);
    if (!isData && !hasModelSuffix(path)) {
        ui_.warn(this, QStringLiteral("\"%1\" cannot be opened: only data files (*.DAT) and model files (*.MOD) can.")
                           .arg(path));
        return false;
    }
    if (!askBeforeDiscard(DiscardRule::SaveAsThenStop))
        return false;
    return isData ? openDataDocument(path) : openModelFile(path);
}

void frmMain::mnuFileOpenDATA_Click()
{
    if (!askBeforeDiscard(DiscardRule::SaveAsThenStop))
        return;
    g_.FilePath.clear();
    const QString path = ui_.openFileName(this, {QStringLiteral("DATA FILE(*.DAT)|*.DAT"), QStringLiteral("DAT"),
                                                 QStringLiteral("DATA.DAT"),
                                                 joinPath(g_.AppDir, QStringLiteral("DATA")) + nativeSeparator()});
    if (path.isEmpty())
        return;
    openDataDocument(path);
}

void frmMain::mnuFileOpenMODEL_Click()
{
    if (!askBeforeDiscard(DiscardRule::SaveAsThenStop))
        return;
    g_.FilePath.clear();
    const QString path = ui_.openFileName(this, {QStringLiteral("MODEL FILE(*.MOD)|*.MOD"), QStringLiteral("MOD"),
                                                 QStringLiteral("MODEL.MOD"),
                                                 joinPath(g_.AppDir, QStringLiteral("MODEL")) + nativeSeparator()});
    if (path.isEmpty())
        return;
    openModelFile(path);
}

void frmMain::mnuFileSave_Click()
{
    // Restored work whose file was saved anew meanwhile is not written over it unasked.
    if (!g_.SaveAsFirst.isEmpty() && g_.SaveAsFirst == g_.CurrentFile) {
        mnuFileSaveAs_Click();
        return;
    }
    QString error;
    if (hasDataSuffix(g_.CurrentFile)) {
        g_.FilePath = g_.CurrentFile;
        if (!SaveDataFile(g_.FilePath, g_.Image, &error, g_.makeSaveFile)) {
            ui_.warn(this, error);
            return;
        }
        showDocumentTitle();
        g_.LoadedKind = 1;
    } else if (hasModelSuffix(g_.CurrentFile)) {
        g_.FilePath = g_.CurrentFile;
        if (!SAVE_MODEL_FILE(g_.FilePath, g_, &error, g_.makeSaveFile)) {
            ui_.warn(this, error);
            return;
        }
        showDocumentTitle();
        g_.LoadedKind = 2;
    } else {
        // No file name yet: after a download Save As is the way; an imported text or a
        // memory opened from the history goes there at once, as its caption promises.
        if (windowTitle().endsWith(importedCaptionSuffix()) || windowTitle().endsWith(frmHistory::openedCaptionSuffix()))
            mnuFileSaveAs_Click();
        return;
    }
    g_.Modified = 0;
    refreshSequence();
}

void frmMain::mnuFileSaveAs_Click()
{
    g_.DialogResult = answer::Yes;
    // The lists are filled anew below; the user stays on the control and the device they
    // were on, rather than a reader being told of the tree's old file.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const int row = ListView1->indexOfTopLevelItem(ListView1->currentItem());
    bool saved = false;
    if (g_.LoadedKind == 1)
        saved = SaveDataFileAs();
    else if (g_.LoadedKind == 2)
        saved = SaveModelFileAs();
    else
        return;
    if (!saved)
        return;
    showDocumentTitle();
    FillFileTree();
    g_.Modified = 0;
    refreshSequence();
    g_.SelectedFolder.clear();
    g_.SelectedFile.clear();
    setTreeCommands(false, false, false);
    if (QTreeWidgetItem *item = row >= 0 ? ListView1->topLevelItem(row) : nullptr)
        ListView1->setCurrentItem(item);
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    // The new caption, where a reader hears it.
    StatusBar1->showMessage(windowTitle());
}

void frmMain::mnuFileCompare_Click()
{
    compareWithFile(g_, ui_, this);
}

void frmMain::mnuLoad_Click()
{
    const bool isData = hasDataSuffix(g_.SelectedFile);
    const bool isModel = hasModelSuffix(g_.SelectedFile);
    if (!isData && !isModel)
        return;
    if (!askBeforeDiscard(DiscardRule::SaveThenGoOnRefresh))
        return;
    const QString path = joinPath(g_.AppDir, g_.SelectedFolder, g_.SelectedFile);
    if (isData) {
        if (openDataFile(path))
            refreshSequence();
    } else {
        openModelFile(path);
    }
}

void frmMain::mnuDelete_Click()
{
    if (!hasDataSuffix(g_.SelectedFile) && !hasModelSuffix(g_.SelectedFile))
        return;
    const QString path = joinPath(g_.AppDir, g_.SelectedFolder, g_.SelectedFile);
    if (path == g_.CurrentFile || (!g_.CurrentFile.isEmpty() && samePath(path, g_.CurrentFile))) {
        ui_.warn(this, QStringLiteral("You can not delete this file because it is still editing. "));
        return;
    }
    g_.DialogResult = ui_.message(this, QStringLiteral("Warning delete file?"), QStringLiteral("Warning"),
                                  MsgIcon::Warning, MsgButtons::OKCancel);
    if (g_.DialogResult != answer::OK)
        return;
    QString error;
    if (!removeFile(path, &error)) {
        ui_.warn(this, error);
        return;
    }
    FillFileTree();
    g_.SelectedFolder.clear();
    g_.SelectedFile.clear();
    setTreeCommands(false, false, false);
}

void frmMain::onRenamed()
{
    FillFileTree();
    setCommandEnabled(QStringLiteral("mnuRENAME"), false);
    g_.SelectedFile.clear();
    g_.SelectedFolder.clear();
}

void frmMain::mnuRENAME_Click()
{
    if (g_.SelectedFile.isEmpty() || g_.SelectedFile == g_.AppDirName)
        return;
    g_.DialogResult = answer::Yes;
    frmRENAME dialog(g_, ui_, [this] { onRenamed(); }, this);
    ui_.showModal(dialog);
    if (g_.DialogResult == answer::Cancel)
        return;
    g_.SelectedFolder.clear();
    g_.SelectedFile.clear();
    setTreeCommands(false, false, false);
}

void frmMain::mnuFileExport_Click()
{
    const QString written = exportDocument(g_, ui_, this);
    if (!written.isEmpty())
        StatusBar1->showMessage(written);
}

void frmMain::mnuFileImportText_Click()
{
    importText(*this);
}

void frmMain::mnuFilePrint_Click()
{
    printDocument(g_, ui_, this);
}

void frmMain::mnuFileClose_Click()
{
    if (!askBeforeDiscard(DiscardRule::SaveThenGoOn))
        return;
    QString error;
    if (!WriteComPort(g_, &error))
        ui_.warn(this, error + QStringLiteral("\nThe port setting could not be kept."));
    unloadMainWindow();
}

// --- Editors and dialogs -----------------------------------------------------------------

void frmMain::runMenuEdit()
{
    if (g_.LoadedKind != 1 || !hooks.showEditMenu)
        return;
    ReadMenuWorkset(g_.Image, g_);
    const auto before = std::make_unique<MemoryImage>(g_.Image);
    g_.EditResult = 0;
    hooks.showEditMenu();
    // A new kind's default layout reached the image while the editor was open, and its
    // Cancel keeps it: a step of its own, before the editor's. Taken without the refresh,
    // which would read the menu back over the editor's buffers.
    const bool newLayout = std::memcmp(before->data(), g_.Image.data(), MemoryImage::TotalBytes) != 0;
    if (newLayout)
        undo_->record(defaultLayoutStep(*before, g_));
    if (!g_.EditResult) {
        // The editor worked in the buffers; the key selector names the devices from them,
        // so a cancelled edit must not stay there.
        ReadMenuWorkset(g_.Image, g_);
        if (newLayout)
            undo_->refresh();
        return;
    }
    WriteMenuWorkset(g_.Image, g_);
    g_.LoadedKind = 1;
    documentChanged(QStringLiteral("Edit Main Menu"));
}

void frmMain::runDeviceEdit(int bank)
{
    if (!inRange(bank, 0, 9) || !hooks.showEditKey)
        return;
    ReadDeviceWorkset(g_.Image, g_, bank);
    g_.EditResult = 0;
    hooks.showEditKey();
    if (!g_.EditResult)
        return;
    WriteDeviceWorkset(g_.Image, g_, bank);
    g_.LoadedKind = 1;
    documentChanged(QStringLiteral("Edit Device ") + trimmedBoth(g_.DeviceNames[static_cast<size_t>(bank)]));
}

void frmMain::mnuCheck_Click() { checks_->showList(); }

void frmMain::editDevice(int bank)
{
    if (g_.LoadedKind != 1 || !inRange(bank, 0, 9))
        return;
    g_.SelectedBank = bank;   // the editor names the device after it
    runDeviceEdit(bank);
}

void frmMain::runModelEdit()
{
    if (g_.LoadedKind != 2 || !hooks.showEditKey)
        return;
    // The model is the document: the editor works on the DeviceWorkset as it stands.
    // The editor writes into it as the user works, so a Cancel must put it back.
    const DeviceWorkset before = g_;
    g_.EditResult = 0;
    hooks.showEditKey();
    if (!g_.EditResult) {
        static_cast<DeviceWorkset &>(g_) = before;
        return;
    }
    const QString name = QFileInfo(g_.CurrentFile).completeBaseName();
    documentChanged(name.isEmpty() ? QStringLiteral("Edit Device") : QStringLiteral("Edit Device ") + name);
}

void frmMain::mnuMenuEdit_Click()
{
    runMenuEdit();
}

void frmMain::mnuKeyEdit_Click()
{
    if (!hooks.showEditKey)
        return;
    if (g_.LoadedKind == 1) {
        frmSelectBank dialog(g_, this);
        ui_.showModal(dialog);
        runDeviceEdit(g_.SelectedBank);
    } else if (g_.LoadedKind == 2) {
        runModelEdit();
    }
}

void frmMain::mnuModelLoad_Click()
{
    if (g_.LoadedKind != 1)
        return;
    if (!hasModelSuffix(g_.SelectedFile)) {
        StatusBar1->showMessage(QStringLiteral("Select a model file in the tree first."), 5000);
        return;
    }
    g_.FilePath = joinPath(g_.AppDir, g_.SelectedFolder, g_.SelectedFile);
    QString error;
    if (!LOAD_MODEL_FILE(g_.FilePath, g_, &error)) {
        ui_.warn(this, error);
        return;
    }
    frmModelIn dialog(g_, this);
    ui_.showModal(dialog);
    if (!inRange(g_.TargetIndex, 0, 9))
        return;
    const QString into = trimmedBoth(g_.DeviceNames[static_cast<size_t>(g_.TargetIndex)]);
    WriteDeviceWorkset(g_.Image, g_, g_.TargetIndex);
    documentChanged(QStringLiteral("Open Model %1 into %2").arg(g_.SelectedFile, into));
}

void frmMain::mnuModelSave_Click()
{
    if (g_.LoadedKind != 1 || !inRange(g_.SelectedBank, 0, 9))
        return;
    ReadDeviceWorkset(g_.Image, g_, g_.SelectedBank);
    // Proposing the open data file here would invite writing a model over it, so the
    // device's own name is proposed instead.
    const QString proposed = safeFileName(trimmedBoth(g_.DeviceNames[static_cast<size_t>(g_.SelectedBank)]));
    const QString path = askSavePath({QStringLiteral("MODEL FILE(*.MOD)|*.MOD"), QStringLiteral("MOD"),
                                      proposed.isEmpty() ? QStringLiteral("MODEL.MOD") : proposed + QStringLiteral(".MOD"),
                                      joinPath(g_.AppDir, QStringLiteral("MODEL")) + nativeSeparator()});
    if (path.isEmpty())
        return;
    if (samePath(path, g_.CurrentFile)) {
        ui_.warn(this, QStringLiteral("\"%1\" is the file being edited; a model cannot be saved over it.").arg(path));
        return;
    }
    g_.FilePath = path;
    QString error;
    if (!SAVE_MODEL_FILE(g_.FilePath, g_, &error, g_.makeSaveFile)) {
        ui_.warn(this, error);
        return;
    }
    FillFileTree();
}

void frmMain::mnuOEMLoad_Click()
{
    if (g_.LoadedKind != 1 || !inRange(g_.SelectedBank, 0, 9))
        return;
    frmOEMLoad dialog(g_, this);
    ui_.showModal(dialog);
    if (!inRange(g_.TargetIndex, 0, 7))
        return;
    ReadDeviceWorkset(g_.Image, g_, g_.SelectedBank);
    WriteBackupSlot(g_.Image, g_, g_.TargetIndex);
    g_.LoadedKind = 1;
    QString slot = QStringLiteral("slot %1").arg(g_.TargetIndex + 1);
    for (const BackupSlotInfo &info : BackupSlots)
        if (info.slot == g_.TargetIndex)
            slot = QString::fromLatin1(info.listEntry);
    documentChanged(QStringLiteral("Backup %1 as %2")
                        .arg(trimmedBoth(g_.DeviceNames[static_cast<size_t>(g_.SelectedBank)]), slot));
}

void frmMain::mnuTimer_Click()
{
    if (g_.LoadedKind != 1 || !hooks.showEditPlus)
        return;
    ReadTimers(g_.Image, g_);
    g_.PlusKind = 0;
    g_.EditResult = 0;
    hooks.showEditPlus();
    if (!g_.EditResult)
        return;
    WriteTimers(g_.Image, g_);
    g_.LoadedKind = 1;
    documentChanged(QStringLiteral("Edit Timers"));
}

void frmMain::documentChanged(const QString &step)
{
    undo_->record(step);
    undo_->refresh();
}

void frmMain::newHistory() { undo_->newHistory(); }

void frmMain::mnuUndo_Click() { undo_->undo(); }

void frmMain::mnuRedo_Click() { undo_->redo(); }

void frmMain::mnuCopyDevice_Click() { copyDevice(*this); }

void frmMain::mnuPasteDevice_Click() { pasteDevice(*this); }

void frmMain::mnuMacro_Click()
{
    if (g_.LoadedKind != 1 || !hooks.showEditPlus)
        return;
    ReadMacros(g_.Image, g_);
    g_.PlusKind = 1;
    g_.EditResult = 0;
    hooks.showEditPlus();
    if (!g_.EditResult)
        return;
    WriteMacros(g_.Image, g_);
    g_.LoadedKind = 1;
    documentChanged(QStringLiteral("Edit Hot Macros"));
}

void frmMain::mnuPreview_Click()
{
    if (hooks.showPreview)
        hooks.showPreview();
}

void frmMain::mnuDOWN_Click()
{
    if (!hooks.startDownload)
        return;
    hooks.startDownload();
    if (ui_.backgroundHeld())
        undo_->replaceAtNextChange();
}

void frmMain::mnuUP_Click()
{
    if (hooks.startUpload) {
        hooks.startUpload();
        // Said once the upload runs, after its panel has cleared the last transfer's words;
        // its end is said once the transfer has let go of the window.
        if (ui_.backgroundHeld()) {
            checks_->uploadStarting();
            ui_.whenFree(this, [this] {
                checks_->uploadEnded(hooks.uploadFailure ? hooks.uploadFailure() : QStringLiteral("not known"));
            });
        }
    }
}

void frmMain::mnuCompareRemote_Click()
{
    if (g_.LoadedKind == 1 && hooks.compareRemote)
        hooks.compareRemote();
}

void frmMain::mnuHistory_Click() { showHistory(*this); }

void frmMain::mnuPORT_Click()
{
    if (hooks.showPortSettings)
        hooks.showPortSettings();
}

void frmMain::mnuHelpContents_Click()
{
    QString error;
    if (!ui_.showHelp(this, g_.HelpFile, &error))
        ui_.message(this, error, AppTitle, MsgIcon::Information, MsgButtons::OK);
}

void frmMain::mnuHelpAbout_Click()
{
    // The middle number is always 1.
    ui_.message(this, QStringLiteral("Version %1.1.%2").arg(VersionMajor).arg(VersionRevision), AppTitle,
                MsgIcon::None, MsgButtons::OK);
}

}  // namespace quillet
