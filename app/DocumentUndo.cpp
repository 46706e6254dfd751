#include "app/DocumentUndo.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/ModelFile.h"
#include "core/TextCodec.h"

#include <QAccessible>
#include <QAction>
#include <QStatusBar>
#include <QTreeWidget>
#include <QUndoCommand>

#include <cstring>
#include <utility>

namespace quillet {

namespace {

// One step: the document before and after it. The first redo is the change itself, which
// has already happened.
class Step : public QUndoCommand {
public:
    Step(DocumentUndo &history, DocumentState before, DocumentState after, const QString &name)
        : QUndoCommand(name)
        , history_(history)
        , before_(std::move(before))
        , after_(std::move(after))
    {
    }
    void undo() override { history_.put(before_); }
    void redo() override
    {
        if (!done_) {
            done_ = true;
            return;
        }
        history_.put(after_);
    }

private:
    DocumentUndo &history_;
    DocumentState before_;
    DocumentState after_;
    bool done_ = false;
};

bool sameAsImage(const DocumentState &state, const Globals &g)
{
    return state.kind == 1 && state.bytes.size() == MemoryImage::TotalBytes
           && std::memcmp(state.bytes.constData(), g.Image.data(), MemoryImage::TotalBytes) == 0;
}

}  // namespace

DocumentUndo::DocumentUndo(frmMain &window) : QObject(&window), w_(window)
{
    setObjectName(QStringLiteral("DocumentUndo"));
    stack_.setUndoLimit(StepsKept);
    connect(&stack_, &QUndoStack::indexChanged, this, &DocumentUndo::changed);
    connect(&stack_, &QUndoStack::cleanChanged, this, &DocumentUndo::changed);
    connect(&w_, &frmMain::documentStateChanged, this, &DocumentUndo::documentStateChanged);
    kept_ = current();
}

DocumentState DocumentUndo::current() const
{
    const Globals &g = w_.globals();
    if (g.LoadedKind == 1)
        return {1, QByteArray(reinterpret_cast<const char *>(g.Image.data()), MemoryImage::TotalBytes)};
    if (g.LoadedKind == 2)
        return {2, modelFileBytes(g)};
    return {g.LoadedKind, {}};
}

void DocumentUndo::put(const DocumentState &state)
{
    Globals &g = w_.globals();
    if (state.kind == 1 && state.bytes.size() == MemoryImage::TotalBytes)
        std::memcpy(g.Image.data(), state.bytes.constData(), MemoryImage::TotalBytes);
    else if (state.kind == 2)
        fillWorksetFromModelFile(g, state.bytes);
    g.LoadedKind = state.kind;
    kept_ = state;
}

bool DocumentUndo::held() const { return w_.ui().backgroundHeld(); }

bool DocumentUndo::record(const QString &step)
{
    DocumentState now = current();
    if (now == kept_)
        return false;
    if (now.kind != kept_.kind) {
        // Not a change of this document but another one: nothing of the old can come back.
        w_.globals().Modified = 1;
        newHistory();
        return false;
    }
    // The step before shares its bytes with this one's "before": a step costs one image.
    stack_.push(new Step(*this, kept_, now, step));
    kept_ = std::move(now);
    w_.globals().Modified = stack_.isClean() ? 0 : 1;
    return true;
}

void DocumentUndo::newHistory()
{
    stack_.clear();
    kept_ = current();
    savedAs_ = w_.globals().CurrentFile;
    if (w_.globals().Modified == 1)
        stack_.resetClean();
    emit changed();
}

void DocumentUndo::undo() { move(true); }

void DocumentUndo::redo() { move(false); }

void DocumentUndo::move(bool back)
{
    if (held() || !(back ? stack_.canUndo() : stack_.canRedo()))
        return;
    const QString step = back ? stack_.undoText() : stack_.redoText();
    Globals &g = w_.globals();
    moving_ = true;
    back ? stack_.undo() : stack_.redo();
    g.Modified = stack_.isClean() ? 0 : 1;
    refresh();
    moving_ = false;

    const QString said = (back ? QStringLiteral("Undid ") : QStringLiteral("Redid ")) + step;
    w_.StatusBar1->showMessage(said);
    // The status bar is not read out by itself: a reader is told as the eye is.
    w_.StatusBar1->setAccessibleDescription(said);
    QAccessibleEvent event(w_.StatusBar1, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void DocumentUndo::refresh()
{
    Globals &g = w_.globals();
    const QString device = w_.ListView1->currentItem() ? w_.ListView1->currentItem()->text(0) : QString();
    w_.refreshLoaded();
    // The device chosen stays chosen while it is there; one the step took away is no longer
    // the target of the device commands.
    QTreeWidgetItem *again = nullptr;
    for (int i = 0; !device.isEmpty() && !again && i < w_.ListView1->topLevelItemCount(); ++i)
        if (w_.ListView1->topLevelItem(i)->text(0) == device)
            again = w_.ListView1->topLevelItem(i);
    if (again)
        w_.ListView1->setCurrentItem(again);
    if (g.LoadedKind == 1 && g.SelectedBank >= 0 && g.SelectedBank <= 9
        && isBlankField(g.DeviceNames[static_cast<size_t>(g.SelectedBank)])) {
        g.SelectedBank = 255;
        for (const char *name : {"mnuModelLoad", "mnuModelSave", "mnuOEMLoad"})
            if (QAction *a = w_.action(QLatin1String(name)))
                a->setEnabled(false);
    }
}

void DocumentUndo::attach(QAction *undo, QAction *redo)
{
    // "Undo Paste Device TV 2": what the item takes back, in the menu, on the button and to
    // a screen reader alike. A "&" of a name is no mnemonic.
    auto follow = [this, undo, redo] {
        const QString u = undoStep(), r = redoStep();
        undo->setText(u.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo ") + QString(u).replace(u'&', QStringLiteral("&&")));
        redo->setText(r.isEmpty() ? QStringLiteral("R&edo") : QStringLiteral("R&edo ") + QString(r).replace(u'&', QStringLiteral("&&")));
        undo->setEnabled(canUndo());
        redo->setEnabled(canRedo());
    };
    connect(this, &DocumentUndo::changed, undo, follow);
    follow();
}

void DocumentUndo::documentStateChanged()
{
    if (moving_)
        return;
    const Globals &g = w_.globals();
    // A document changed without a step (a download, a restored copy) is a new one: undo
    // must never bring back a state with that change silently taken out.
    const bool replaced = std::exchange(replacing_, false);
    const bool same = g.LoadedKind == 1 ? sameAsImage(kept_, g) : current() == kept_;
    if (!same || replaced) {
        newHistory();
        return;
    }
    // A save makes this state the one on the disk; a document that is modified without a
    // step of its own has no saved state to come back to.
    // The saved state is the file's: a document that took another name (an upload leaves
    // it without one) has none to come back to until it is saved again.
    if (g.Modified == 0) {
        if (!stack_.isClean())
            stack_.setClean();
        savedAs_ = g.CurrentFile;
    } else if (stack_.isClean() || g.CurrentFile != savedAs_) {
        stack_.resetClean();
    }
}

}  // namespace quillet
