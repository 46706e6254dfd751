#pragma once

#include "core/Worksets.h"

#include <QDialog>

#include <array>
#include <memory>

class QKeyEvent;
class QLabel;
class QPushButton;
class QRadioButton;
class QUndoStack;

namespace quillet {

struct Globals;
class KeyBox;
class KeyFaces;
class UiServices;

// The twelve timer keys (PlusKind 0) or hot-macro keys (PlusKind 1) as a page. Setup
// opens a key's dialog and keeps what it confirms in TimerBuf / MacroBuf; the labels
// reach TimerNames / MacroNames only on OK. EditResult 255 after OK; Cancel sets 0 and
// puts the records back as they were.
class frmEditPlus : public QDialog {
    Q_OBJECT
public:
    frmEditPlus(Globals &g, UiServices &ui, QWidget *parent = nullptr);
    ~frmEditPlus() override;

    std::array<KeyBox *, 12> PicKEY{};
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label5 = nullptr;
    QRadioButton *OptEDIT = nullptr;
    QRadioButton *OptVIEW = nullptr;
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;
    QPushButton *cmdUndo = nullptr;
    QPushButton *cmdRedo = nullptr;

    // The page's own labels, 23-character fields.
    const std::array<QString, 12> &keyLabels() const { return KeyLabels; }

    void reject() override;   // Cancel, Escape and the window frame all cancel

    // Copy and Paste of a key's timer or macro as a fragment (Ctrl+C, Ctrl+V and the key's
    // context menu). Copy changes nothing and works in ReView too; Paste, in Setup only,
    // asks before it replaces a timer or macro, and waits for OK like a Setup of the key.
    void copyKey(int k);
    void pasteKey(int k);

    // Each Setup confirmed and each paste is one step of Undo (Ctrl+Z, cmdUndo) and Redo.
    QUndoStack &undoStack() { return *undo_; }

    // What the page holds: the records of its kind and its labels.
    struct State {
        Records<12, 10> timers{};
        Records<12, 66> macros{};
        std::array<QString, 12> labels;
        bool operator==(const State &) const = default;
    };
    State state() const;
    void restore(const State &s);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Escape with changes asks before it drops them, as the key-layout editor does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void OptEDIT_Click();
    void OptVIEW_Click();
    void PicKEY_Click(int k);
    void ComYES_Click();
    void drawKey(int k);
    void pushStep(const State &before, const QString &text);
    bool clipboardEvent(QObject *watched, QEvent *event);
    void showKeyMenu(int k, QPoint globalPos);

    Globals &g_;
    UiServices &ui_;
    std::unique_ptr<KeyFaces> faces_;
    std::array<QString, 12> KeyLabels;
    // The records as the page found them, put back on Cancel.
    Records<12, 10> timersAtOpen_{};
    Records<12, 66> macrosAtOpen_{};
    std::unique_ptr<QUndoStack> undo_;
};

}  // namespace quillet
