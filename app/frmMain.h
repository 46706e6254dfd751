#pragma once

#include <QMainWindow>

#include <QHash>

#include <array>
#include <functional>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

struct Globals;
struct FileDialogSpec;
class UiServices;
class MemoryCheckCommand;
class DocumentUndo;

// The main window: file tree, device list, backup list, and every command.
// Windows of the libraries below app (editors, timers and macros, the transfer and the
// port settings) are reached through hooks, which those libraries fill at start-up.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain(Globals &g, UiServices &ui, QWidget *parent = nullptr);
    ~frmMain() override;

    Globals &globals() { return g_; }
    UiServices &ui() { return ui_; }

    struct Hooks {
        std::function<void()> showEditMenu;      // frmEditMENU, modal, on the MenuWorkset
        std::function<void()> showEditKey;       // frmEditKey, modal, on the DeviceWorkset
        std::function<void()> showEditPlus;      // frmEditPlus, modal; PlusKind says which
        std::function<void()> startDownload;     // "Download from Remote"
        std::function<void()> startUpload;       // "Upload to Remote"
        std::function<QString()> uploadFailure;  // why the last upload failed; empty after a success
        std::function<void()> compareRemote;     // "Compare with Remote"
        std::function<void()> showPortSettings;  // frmSETUP, modal
        std::function<void()> showPreview;       // frmPreview, "Try the Remote", not modal
        std::function<void()> shutdown;          // stop anything running before the window goes
    } hooks;

    // The named action of a menu item (mnuFileOpenDATA, mnuDOWN, ...), or nullptr.
    QAction *action(const QString &name) const;

    // Operations other windows use. Every change of the document (an edit written back, a
    // load, a save, a transfer's end) ends in UpdateCommands, which then tells
    // documentStateChanged to whoever keeps watch over the document.
    void UpdateCommands();
    void refreshSequence();   // UpdateCommands, ReadMenuWorkset, BuildDeviceNames, FillDeviceList, FillBackupList
    // After a document is put in place: the refresh sequence for a memory; for a model,
    // whose device is no memory's menu, the commands and lists alone.
    void refreshLoaded();
    void FillFileTree();
    void FillDeviceList();
    void FillBackupList();
    void SizeControls(int x);
    // Save dialogs of the two document kinds. False when the user cancelled (DialogResult 2)
    // or the save failed (the user has been told).
    bool SaveDataFileAs();
    bool SaveModelFileAs();
    // Caption "Quillet" + suffix, e.g. "  [DOWNLOAD]"; and the title over the device list.
    void setCaptionSuffix(const QString &suffix);
    void showDocumentTitle();   // caption and title label from CurrentFile
    void setListTitle(const QString &text);

    // Open DATA or Open MODEL, by the file's kind, on a file chosen outside the open
    // dialog (the command line, a drop): the same question first and the same messages
    // on failure. False when nothing was opened.
    bool openFile(const QString &path);
    // Edit Device on a bank of the memory, as a double-click on its entry with the refresh
    // after it (the memory check opens the editor at a finding).
    void editDevice(int bank);
    // Every change of the document ends here, once the document has changed: it becomes
    // one step of the undo history, named in the user's terms ("Paste Device TV 2", which
    // the menu shows as "Undo Paste Device TV 2"), Modified is set and everything that shows
    // the document follows, as after an editor's OK. Nothing is recorded when nothing changed.
    void documentChanged(const QString &step);
    // The document was replaced (opened, downloaded, imported, restored): a new history.
    void newHistory();
    DocumentUndo *undoHistory() const { return undo_; }
    // The memory check's count in the status bar, its list and its word at Upload.
    MemoryCheckCommand *checks() const { return checks_; }

    // The asked-before-discarding question for commands that replace the document.
    // Returns false when the command must stop.
    enum class DiscardRule { SaveAsThenStop, SaveThenGoOn, SaveThenGoOnRefresh };
    bool askBeforeDiscard(DiscardRule rule);

    // Controls with the names the rest of the program uses.
    QTreeWidget *TreeView1 = nullptr;
    QTreeWidget *ListView1 = nullptr;   // devices
    QTreeWidget *ListView2 = nullptr;   // backups
    std::array<QLabel *, 3> lblTitle{};
    QToolBar *Toolbar1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *lblModified = nullptr;      // "Modified" in the status bar while changes are unsaved
    QFrame *Picture1 = nullptr;         // transfer progress panel, hidden when idle
    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPlainTextEdit *Text1 = nullptr;    // transfer log, kept hidden
    QSplitter *splitter = nullptr;

    int ViewMode = 3;                   // the device list's view number (report)

    // Item data of the tree and the lists: the position of the item's icon in its image
    // strip, and the node key of a tree folder (its path relative to AppDir).
    static constexpr int IconIndexRole = Qt::UserRole + 1;
    static constexpr int KeyRole = Qt::UserRole + 2;

    // Exit's last step, also used by tests: closes the other windows, stores the window
    // settings and closes the main window for good.
    void unloadMainWindow();
    bool hasExited() const { return exiting_; }

    // The window settings as stored, in twips (Left, Top, Width, Height), and the
    // conversion the window uses; exposed for tests.
    static int twipsToPixels(int twips, qreal dpi);
    static int pixelsToTwips(int pixels, qreal dpi);

signals:
    void documentStateChanged();
    // Exit is leaving the program: the user has answered for the unsaved changes.
    void unloading();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenusAndToolbar();
    void buildContents();
    QAction *addCommand(QMenu *menu, const QString &name, const QString &text, void (frmMain::*handler)());
    void addToolButton(const QString &actionName, const QString &key, bool followText = false);
    void Form_Load();
    void restoreWindowSettings();
    void storeWindowSettings();
    void setCommandEnabled(const QString &name, bool on);
    void setTreeCommands(bool fastOpen, bool del, bool rename);
    void setModelCommands(bool on);
    void addTreeFiles(QTreeWidgetItem *parent, const QString &folderPath);
    QTreeWidgetItem *addListEntry(QTreeWidget *list, const QString &text, int icon);
    // The document is replaced by a file: loads it, or tells the user why not and keeps
    // the current one. True when loaded.
    bool openDataFile(const QString &path);
    bool openModelFile(const QString &path);
    // What Open DATA does once a file is chosen.
    bool openDataDocument(const QString &path);
    void addShortcuts();
    void runMenuEdit();
    void runDeviceEdit(int bank);
    void runModelEdit();
    void onRenamed();
    void centreProgressPanel();
    // The save dialog with the "replace" question; an empty result (DialogResult 2) when
    // the user cancelled.
    QString askSavePath(const FileDialogSpec &request);

    // Commands.
    void mnuFileOpenDATA_Click();
    void mnuFileOpenMODEL_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileCompare_Click();
    void mnuFileExport_Click();
    void mnuFileImportText_Click();
    void mnuFilePrint_Click();
    void mnuLoad_Click();
    void mnuDelete_Click();
    void mnuRENAME_Click();
    void mnuFileClose_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
    void mnuMenuEdit_Click();
    void mnuKeyEdit_Click();
    void mnuModelLoad_Click();
    void mnuModelSave_Click();
    void mnuOEMLoad_Click();
    void mnuTimer_Click();
    void mnuMacro_Click();
    void mnuCopyDevice_Click();
    void mnuPasteDevice_Click();
    void mnuPreview_Click();
    void mnuCheck_Click();
    void mnuDOWN_Click();
    void mnuUP_Click();
    void mnuCompareRemote_Click();
    void mnuHistory_Click();
    void mnuPORT_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();

    void TreeView1_NodeClick(QTreeWidgetItem *item);
    void ListView1_Click(QTreeWidgetItem *item);
    void ListView1_DblClick(QTreeWidgetItem *item);

    Globals &g_;
    UiServices &ui_;
    bool exiting_ = false;
    bool fillingTree_ = false;
    QHash<QString, QAction *> actions_;
    QMenu *mnuFile = nullptr;
    QMenu *mnuFileOpen = nullptr;
    QMenu *mnuEdit = nullptr;
    QMenu *mnuView = nullptr;
    QMenu *mnuHelp = nullptr;
    QSplitter *listSplitter_ = nullptr;
    MemoryCheckCommand *checks_ = nullptr;
    DocumentUndo *undo_ = nullptr;
};

}  // namespace quillet
