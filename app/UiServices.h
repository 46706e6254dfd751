#pragma once

#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <utility>

class QDialog;
class QObject;
class QWidget;

namespace quillet {

enum class MsgIcon { None, Warning, Information };
// YesNoLater: "Yes", "No" and "Later", for a question whose "No" cannot be undone.
// OKCancelSafe: "OK" and "Cancel" with Cancel for Enter too, for an OK that cannot be undone.
enum class MsgButtons { OK, OKCancel, YesNo, YesNoLater, YesNoCancel, OKCancelSafe };

// A file dialog request. The filter is written as "DATA FILE(*.DAT)|*.DAT".
struct FileDialogSpec {
    FileDialogSpec() = default;
    FileDialogSpec(QString filter_, QString defaultSuffix_, QString proposedName_, QString startFolder_,
                   QString title_ = {})
        : filter(std::move(filter_))
        , defaultSuffix(std::move(defaultSuffix_))
        , proposedName(std::move(proposedName_))
        , startFolder(std::move(startFolder_))
        , title(std::move(title_))
    {
    }

    QString filter;
    QString defaultSuffix;
    QString proposedName;
    QString startFolder;
    QString title;   // the dialog's caption; empty: the toolkit's "Open" or "Save As"
};

// Everything the program asks of the user goes through here, so tests can answer it.
class UiServices {
public:
    virtual ~UiServices() = default;

    // Shows a modal message box; returns 1 OK, 2 Cancel, 6 Yes, 7 No or 8 Later. Escape and
    // the box's close button give the answer of its escape button (escapeAnswer).
    virtual int message(QWidget *parent, const QString &text, const QString &title, MsgIcon icon,
                        MsgButtons buttons) = 0;
    // Return the chosen full path, or an empty string when the user cancelled.
    virtual QString openFileName(QWidget *parent, const FileDialogSpec &request) = 0;
    virtual QString saveFileName(QWidget *parent, const FileDialogSpec &request) = 0;
    // Shows a dialog modally and returns when it has closed; the result is the dialog's.
    virtual int showModal(QDialog &dialog) = 0;
    // Opens the help file in the help window; false and a reason when it cannot be shown.
    virtual bool showHelp(QWidget *owner, const QString &helpFile, QString *error) = 0;

    // The "Warning" box with the exclamation icon and an OK button that most refusals use.
    int warn(QWidget *parent, const QString &text)
    {
        return message(parent, text, QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::OK);
    }

    // What a box answers to Escape or its close button: the answer that changes nothing.
    static int escapeAnswer(MsgButtons buttons)
    {
        switch (buttons) {
        case MsgButtons::OK: return 1;
        case MsgButtons::YesNo: return 7;
        case MsgButtons::YesNoLater: return 8;
        default: return 2;
        }
    }
    // Whether a box with these buttons can give this answer at all.
    static bool canAnswer(MsgButtons buttons, int answer)
    {
        switch (buttons) {
        case MsgButtons::OK: return answer == 1;
        case MsgButtons::OKCancel:
        case MsgButtons::OKCancelSafe: return answer == 1 || answer == 2;
        case MsgButtons::YesNo: return answer == 6 || answer == 7;
        case MsgButtons::YesNoLater: return answer == 6 || answer == 7 || answer == 8;
        case MsgButtons::YesNoCancel: return answer == 6 || answer == 7 || answer == 2;
        }
        return false;
    }

    // While a transfer runs, the window takes no command and opens no box of its own
    // accord: what a background event (a drop, a file handed over, a failure of the
    // recovery writer) wants to do waits until the transfer has ended, then runs in the
    // order it came. Holds nest.
    void holdBackground() { ++held_; }
    // Ends one hold; at the last one the waiting work runs, or is dropped when the window
    // is going away.
    void releaseBackground(bool run = true)
    {
        if (held_ == 0 || --held_ > 0)
            return;
        // A task may hold again (it opens a file that starts nothing, but who knows): what
        // is left waits for that hold's end.
        while (!waiting_.empty() && held_ == 0) {
            Waiting w = std::move(waiting_.front());
            waiting_.pop_front();
            if (run && w.context)
                w.task();
        }
    }
    bool backgroundHeld() const { return held_ > 0; }
    // Runs `task` now, or once the hold ends; never when `context` is gone by then.
    void whenFree(QObject *context, std::function<void()> task)
    {
        if (held_ == 0) {
            task();
            return;
        }
        waiting_.push_back({context, std::move(task)});
    }

private:
    struct Waiting {
        QPointer<QObject> context;
        std::function<void()> task;
    };
    int held_ = 0;
    std::deque<Waiting> waiting_;
};

}  // namespace quillet
