#pragma once

#include <QMainWindow>

#include <array>
#include <functional>

class QAction;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

struct Globals;
class UiServices;

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
        std::function<void()> showPortSettings;  // frmSETUP, modal
        std::function<void()> shutdown;          // stop anything running before the window goes
    } hooks;

    // The named action of a menu item (mnuFileOpenDATA, mnuDOWN, ...), or nullptr.
    QAction *action(const QString &name) const;

    // Operations other windows use.
    void UpdateCommands();
    void refreshSequence();   // UpdateCommands, ReadMenuWorkset, BuildDeviceNames, FillDeviceList, FillBackupList
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
    QFrame *Picture1 = nullptr;         // transfer progress panel, hidden when idle
    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPlainTextEdit *Text1 = nullptr;    // transfer log, kept hidden
    QSplitter *splitter = nullptr;

    int ViewMode = 3;                   // the device list's view number (report)

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenusAndToolbar();
    void buildContents();
    QAction *addCommand(QMenu *menu, const QString &name, const QString &text, void (frmMain::*handler)());

    // Commands.
    void mnuFileOpenDATA_Click();
    void mnuFileOpenMODEL_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuLoad_Click();
    void mnuDelete_Click();
    void mnuRENAME_Click();
    void mnuFileClose_Click();
    void mnuMenuEdit_Click();
    void mnuKeyEdit_Click();
    void mnuModelLoad_Click();
    void mnuModelSave_Click();
    void mnuOEMLoad_Click();
    void mnuTimer_Click();
    void mnuMacro_Click();
    void mnuDOWN_Click();
    void mnuUP_Click();
    void mnuPORT_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();

    void TreeView1_NodeClick(QTreeWidgetItem *item);
    void ListView1_Click(QTreeWidgetItem *item);
    void ListView1_DblClick(QTreeWidgetItem *item);

    Globals &g_;
    UiServices &ui_;
    bool exiting_ = false;
};

}  // namespace quillet
