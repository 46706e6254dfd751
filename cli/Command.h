#pragma once

#include "cli/Environment.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace quillet::cli {

// What an argument or an option's value is, so completion can offer the right things.
// None: the option takes no value. Word: a value no list can offer (a number, a name).
enum class Values {
    None, Word, AnyFile, DataOrModelFile, DataFile, PictureFile, PictureFormat, DeviceName, SerialDevice, CommandName,
    ShellName, TextFile, Folder,
    DeviceNotMenu,   // a device name where the main menu is refused
    MacroName,       // a hot macro's name (or number) in the FILE before it
};

// One subcommand: its name, a one-line description, its positional arguments and its
// options. The help text and the shells' completion are made from the same fields, so
// neither can drift from the code.
//
// Arguments are read as getopt_long reads them: "--name value", "--name=value", "-o value",
// "-ovalue", grouped flags ("-fo FILE"), options anywhere among the arguments, "--" ending
// the options and "-" as an argument (standard input or output). Every subcommand gets
// these forms here, in one place.
class Command {
public:
    struct Positional {
        QString name;          // as shown in the usage line: FILE, DEVICE
        QString description;
        Values values = Values::AnyFile;
        bool optional = false;   // may be left out (only the last ones)
        bool repeats = false;    // the last one only: takes every argument after it
    };
    struct Option {
        QCommandLineOption option;
        Values values = Values::None;
    };

    Command(QString name, QString description);
    virtual ~Command() = default;
    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

    const QString &name() const { return name_; }
    const QString &description() const { return description_; }
    // Every option, --help last.
    QList<Option> allOptions() const;
    QList<QCommandLineOption> options() const;
    const QList<Positional> &positionals() const { return positionals_; }

    // arguments: what follows the subcommand's name. Returns the exit code.
    int execute(const QStringList &arguments, Environment &env);
    // Wrapped to `width` columns.
    QString helpText(int width = 80) const;

protected:
    // Runs with the arguments parsed and the positional count checked.
    virtual int run(const QCommandLineParser &parser, Environment &env) = 0;
    // The usage line after the name, when the generated one says too little.
    virtual QString usageTail() const;

    void addPositional(const QString &name, const QString &description, Values values = Values::AnyFile,
                       bool optional = false, bool repeats = false);
    // An option that takes a value and is given no kind of value takes a file.
    void addOption(const QCommandLineOption &option, Values values = Values::None);
    void addOptions(const QList<QCommandLineOption> &options);

    // Options that several subcommands share, defined once.
    static QCommandLineOption jsonOption();
    static QCommandLineOption outputOption(const QString &valueName, const QString &description);
    static QCommandLineOption forceOption();
    static QCommandLineOption quietOption();

    // How the user spelled an option this time ("-o", "--output"); empty when not given.
    QString spelled(const QString &optionName) const;

    // One JSON document on stdout: `format` names it, with its version, so scripts can
    // rely on its shape.
    static void printJson(Environment &env, const QString &format, QJsonObject document);
    static void printJson(Environment &env, const QJsonObject &document);
    // Text for people on stdout, control bytes from files shown as escapes.
    static void printText(Environment &env, const QString &text);

    // Writes an output whole (see writeOutput). Returns 0; or, after saying why, 1 when it
    // failed and 128 + the signal when a stop signal abandoned it.
    int writeOutputFile(Environment &env, const QString &path, const QByteArray &contents, bool force) const;

    // "<name>: <message>" through Environment::fail.
    int fail(Environment &env, const QString &message, int code = exitcode::BadInput) const;

private:
    const Option *findOption(const QString &name) const;

    QString name_;
    QString description_;
    QList<Positional> positionals_;
    QList<Option> options_;
    QHash<QString, QString> spelled_;
};

// The version of every JSON document the program prints; raised only when a field
// changes its meaning or goes away (new fields may come at any time).
inline constexpr int JsonVersion = 1;

}  // namespace quillet::cli
