#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUndoStack>

class QAction;

namespace quillet {

class frmMain;

// The document as one value: a whole memory (kind 1) or a model's device (kind 2), byte
// for byte; nothing for kind 0.
struct DocumentState {
    int kind = 0;
    QByteArray bytes;
    bool operator==(const DocumentState &) const = default;
};

// The undo history of the loaded document, owned by the main window. Every change of the
// document (an editor's OK, a paste, a model or backup loaded into the memory, a kind's
// default layout, a macro recorded while trying the remote) is one step, kept as the
// document before and after it: at 136 KB a whole memory is the simplest step that cannot
// drift from what it restores. Opening a file, a download, an imported text or a restored
// copy start a new history. The state last saved is the stack's clean state, so that undo
// back to it clears Modified and redo past it sets it again.
//
// A change is recorded in one call, after the document has changed:
//     window.documentChanged(QStringLiteral("Paste Device %1").arg(name));
// The history keeps the document as the last step left it, so the step's "before" needs
// no call of its own.
class DocumentUndo : public QObject {
    Q_OBJECT
public:
    // How many steps are kept; older ones are forgotten.
    static constexpr int StepsKept = 100;

    explicit DocumentUndo(frmMain &window);

    // Takes the document as it now stands as one step named `step` (the menu then reads
    // "Undo <step>") and sets Modified. False, and nothing recorded, when nothing changed.
    bool record(const QString &step);
    // The document was replaced: nothing before it can be undone. Its Modified says whether
    // it is the state last saved.
    void newHistory();

    // A download has begun: what it leaves is a new document, even one byte for byte the
    // same as this one, so its end starts a new history.
    void replaceAtNextChange() { replacing_ = true; }

    // Undo and Redo of the main window: the document as it was before the last step (or
    // after the next), Modified as that state was last saved, and everything that shows the
    // document brought up to date. Nothing while a transfer runs.
    void undo();
    void redo();
    bool canUndo() const { return stack_.canUndo() && !held(); }
    bool canRedo() const { return stack_.canRedo() && !held(); }
    // The names of the steps Undo and Redo would take; empty when there is none.
    QString undoStep() const { return stack_.undoText(); }
    QString redoStep() const { return stack_.redoText(); }
    int steps() const { return stack_.count(); }

    // The menu items (mnuUndo, mnuRedo) follow the steps within reach.
    void attach(QAction *undo, QAction *redo);
    // After a step taken or undone: everything that shows the document, as after an
    // editor's OK, with the device chosen in the list kept where it is still there.
    void refresh();

    DocumentState current() const;
    void put(const DocumentState &state);

signals:
    // The steps within reach changed: the menu items and buttons follow.
    void changed();

private:
    void move(bool back);
    void documentStateChanged();
    bool held() const;

    frmMain &w_;
    QUndoStack stack_;
    DocumentState kept_;   // the document as the last step (or the start) left it
    bool moving_ = false;
    bool replacing_ = false;
    QString savedAs_;      // the file the saved state was saved as
};

}  // namespace quillet
