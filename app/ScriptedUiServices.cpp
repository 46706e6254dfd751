#include "app/ScriptedUiServices.h"

#include <QDialog>

namespace quillet {

QStringList ScriptedUiServices::texts() const
{
    QStringList out;
    for (const auto &s : shown)
        out << s.text;
    return out;
}

void ScriptedUiServices::clear()
{
    answers.clear();
    fileAnswers.clear();
    dialogScripts.clear();
    shown.clear();
    fileRequests.clear();
    dialogsShown.clear();
    helpShown.clear();
    beforeFileAnswer = nullptr;
}

int ScriptedUiServices::message(QWidget *, const QString &text, const QString &title, MsgIcon icon,
                                MsgButtons buttons)
{
    // Nobody scripted it: a notice is taken with OK, a question closed.
    int a = buttons == MsgButtons::OKCancel ? 1 : escapeAnswer(buttons);
    if (!answers.empty()) {
        const int scripted = answers.front();
        answers.pop_front();
        if (scripted == Escape || scripted == CloseButton) {
            a = escapeAnswer(buttons);
        } else {
            if (!canAnswer(buttons, scripted))
                qFatal("The script answers %d to \"%s\", a box that has no such button", scripted,
                       qPrintable(text));
            a = scripted;
        }
    }
    shown.append({text, title, icon, buttons, a});
    return a;
}

QString ScriptedUiServices::openFileName(QWidget *, const FileDialogSpec &request)
{
    fileRequests.append({false, request});
    if (fileAnswers.empty())
        return {};
    const QString path = fileAnswers.front();
    fileAnswers.pop_front();
    if (beforeFileAnswer)
        beforeFileAnswer(path);
    return path;
}

QString ScriptedUiServices::saveFileName(QWidget *, const FileDialogSpec &request)
{
    fileRequests.append({true, request});
    if (fileAnswers.empty())
        return {};
    const QString path = fileAnswers.front();
    fileAnswers.pop_front();
    if (beforeFileAnswer)
        beforeFileAnswer(path);
    return path;
}

int ScriptedUiServices::showModal(QDialog &dialog)
{
    dialogsShown << dialog.objectName();
    dialog.setResult(0);
    dialog.show();
    if (!dialogScripts.empty()) {
        DialogScript script = std::move(dialogScripts.front());
        dialogScripts.pop_front();
        script(dialog);
    }
    if (dialog.isVisible())
        dialog.close();
    return dialog.result();
}

bool ScriptedUiServices::showHelp(QWidget *, const QString &helpFile, QString *error)
{
    helpShown << helpFile;
    if (helpFails && error)
        *error = QStringLiteral("The help file cannot be shown.");
    return !helpFails;
}

}  // namespace quillet
