#pragma once

#include "core/MemoryCheck.h"
#include "core/RemoteModel.h"
#include "core/Worksets.h"
#include "preview/MacroRecorder.h"
#include "preview/RemoteView.h"
#include "render/KeyFace.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTimer;
class QVBoxLayout;

namespace quillet {

struct Globals;
class UiServices;
class frmMain;

// "Try the Remote": the loaded memory as the remote would behave with it. The user taps
// through the screens, presses keys, plays hot macros and sees when the timers fire. It
// works on copies of the document and changes it only when the user saves a recorded hot
// macro; it follows every change of the document, except while a transfer runs, when it
// keeps the memory as it was until the transfer has ended.
class frmPreview : public QWidget {
    Q_OBJECT
public:
    frmPreview(Globals &g, UiServices &ui, frmMain &main);
    ~frmPreview() override;

    // Shows the device of this bank (0..9), or the main menu for anything else.
    void showBank(int bank);

    QTabWidget *tabPreview = nullptr;
    QLabel *lblScreen = nullptr;          // which screen and page
    RemoteView *picScreen = nullptr;
    std::array<QPushButton *, 4> ComPAGE{};
    QPushButton *ComMENU = nullptr;
    QSpinBox *spnScale = nullptr;
    std::array<QPushButton *, 7> ComRUBBER{};
    RemoteView *picMacros = nullptr;
    QDateEdit *dtpDay = nullptr;
    QTableWidget *grdWeek = nullptr;
    QListWidget *lstFirings = nullptr;
    QListWidget *lstNever = nullptr;
    QComboBox *cboSpeed = nullptr;        // "1×", "10×", "instant"
    QPushButton *ComSTOP = nullptr;
    QLabel *lblNotice = nullptr;          // nothing loaded, or a transfer running
    QPlainTextEdit *txtLog = nullptr;
    QLabel *lblSaid = nullptr;            // the log's last line, for a screen reader

    // Recording a hot macro by pressing keys.
    QPushButton *cmdRecord = nullptr;     // "Record", "Stop Recording"
    QFrame *fraRecording = nullptr;       // the recording to check and save
    QListWidget *lstRecording = nullptr;
    QComboBox *cboRecordMacro = nullptr;  // "Hot macro 1" .. "Hot macro 12"
    QLineEdit *txtRecordName = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdDiscard = nullptr;

    const RemoteModel *model() const { return model_.get(); }
    const Screen &screen() const { return screen_; }
    bool playing() const;
    // Plays hot macro 0..11 at the speed chosen; showRemote turns to the Remote tab.
    void play(int macro, bool showRemote = true);
    void stop();

    // The recorder's clock; the window's own is steady. Tests hand in a virtual one.
    void setClock(MacroRecorder::Clock clock) { clock_ = std::move(clock); }
    bool recording() const { return recorder_.recording(); }
    const MacroRecorder &recorder() const { return recorder_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;   // a macro stops with its window

private:
    void buildRemotePage(QWidget *page);
    void buildMacroPage(QWidget *page);
    void buildTimerPage(QWidget *page);
    void documentChanged();
    void refresh();
    void setScreen(const Screen &s);
    void drawScreen();
    // Keys the remote has that the editors leave out (a damaged layout), drawn where they
    // stand with a red dashed edge.
    void drawMacros();
    void fillTimers();
    void log(const QString &line);
    void pressed(const KeyPress &press);
    void endPlay(const QString &line);
    void scaleChanged(int percent);
    void fitMacros();
    void showTab();
    QString damageOf(int page, int key) const;
    void markDamage();
    void buildRecordPanel(QWidget *parent, QVBoxLayout *col);
    void recordClicked();
    void recordingStopped();
    void saveRecording();
    void discardRecording();
    void commitDocumentChange(const QString &step);
    void screenPressed(QPoint layout);
    void screenReleased();
    void pressKey(int bank, int key);
    void rubberPressed(int index);
    void firingChosen(int index);
    void nextStep();
    bool screenKey(QKeyEvent *event);
    bool macrosKey(QKeyEvent *event);
    void cursorChanged();
    const Byte *labelBytes(const Placement &place, bool menu);
    const Byte *faceOf(const KeyReading &key);

    Globals &g_;
    UiServices &ui_;
    frmMain &main_;
    KeyFaces faces_;

    // The memory as shown: copies, so nothing here can touch the document.
    std::unique_ptr<RemoteModel> model_;
    MenuWorkset menu_;
    std::array<DeviceWorkset, 10> devices_{};
    NameFields macroNames_ = TimerWorkset::blankNames();
    bool refreshWaiting_ = false;
    QPointer<QWidget> transferPanel_;

    Screen screen_;
    QImage screenPicture_;
    QRect pressedRect_;                   // layout pixels of the key drawn pressed
    const Byte *pressedLabel_ = nullptr;
    bool pressedIcons_ = true;
    int pressedButtonBank_ = -1;          // a menu button held down opens this bank on release
    QPoint cursor_{0, 0};                 // the cell cursor on the screen
    int macroCursor_ = 0;                 // the hot-macro key the keyboard is on

    std::vector<Firing> firings_;
    Timeline timeline_;
    size_t nextStep_ = 0;
    bool playing_ = false;
    QTimer *stepTimer_ = nullptr;
    std::vector<Finding> findings_;       // the check's, for the keys it calls damaged
    bool macrosStale_ = true;
    bool timersStale_ = true;

    QFrame *fraRubber_ = nullptr;
    QScrollArea *macroScroll_ = nullptr;
    MacroRecorder::Clock clock_;
    MacroRecorder recorder_;
};

// The Setup menu's "Try the Remote": the one preview window, opened on the device chosen in
// the device list or on the main menu, and brought to the front.
frmPreview *showPreview(Globals &g, UiServices &ui, frmMain &main);

}  // namespace quillet
