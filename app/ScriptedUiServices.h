#pragma once

#include "app/UiServices.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

namespace quillet {

// The services layer for tests: records what was shown and answers from queues.
// Dialog scripts run synchronously: showModal shows the dialog, hands it to the next
// queued script, and closes it through its frame if the script left it open (which
// the dialogs count as Cancel). Dialogs opened from inside a script take the scripts
// that follow, in the order they open.
class ScriptedUiServices : public UiServices {
public:
    struct Shown {
        QString text;
        QString title;
        MsgIcon icon;
        MsgButtons buttons;
        int answer;   // what the box gave back
    };
    struct FileRequest {
        bool save;
        FileDialogSpec request;
    };
    using DialogScript = std::function<void(QDialog &)>;

    // Script entries for the user pressing Escape or the box's close button: the box gives
    // its escape button's answer, as the real one does.
    static constexpr int Escape = -1;
    static constexpr int CloseButton = -2;

    // Queued answers; when a queue runs dry, a message box answers OK (a question with Yes
    // and No is closed: its escape button's answer) and a file dialog is cancelled. An answer the box has no button for stops
    // the test: the real box could never give it.
    std::deque<int> answers;
    std::deque<QString> fileAnswers;
    std::deque<DialogScript> dialogScripts;

    QList<Shown> shown;
    QList<FileRequest> fileRequests;
    QStringList dialogsShown;   // objectNames of the dialogs shown modally, in order
    QStringList helpShown;
    bool helpFails = false;
    // Runs with the path a file dialog is about to return, as if something happened to
    // the file while the dialog was open (it is deleted, replaced, locked).
    std::function<void(const QString &path)> beforeFileAnswer;

    void answer(int code) { answers.push_back(code); }
    void answerFile(const QString &path) { fileAnswers.push_back(path); }
    void onDialog(DialogScript script) { dialogScripts.push_back(std::move(script)); }

    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.constLast().text; }
    void clear();

    int message(QWidget *parent, const QString &text, const QString &title, MsgIcon icon,
                MsgButtons buttons) override;
    QString openFileName(QWidget *parent, const FileDialogSpec &request) override;
    QString saveFileName(QWidget *parent, const FileDialogSpec &request) override;
    int showModal(QDialog &dialog) override;
    bool showHelp(QWidget *owner, const QString &helpFile, QString *error) override;
};

}  // namespace quillet
