#pragma once

#include <QString>

#include <utility>

class QDialog;
class QWidget;

namespace quillet {

enum class MsgIcon { None, Warning, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };

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

    // Shows a modal message box; returns 1 OK, 2 Cancel, 6 Yes or 7 No.
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
};

}  // namespace quillet
