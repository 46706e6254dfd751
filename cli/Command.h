#pragma once

#include "cli/Environment.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace quillet::cli {

// One subcommand: its name, a one-line description, its positional arguments and its
// options. The help text is made from the same fields, so it cannot drift from the code.
class Command {
public:
    struct Positional {
        QString name;          // as shown in the usage line: FILE, DEVICE
        QString description;
    };

    Command(QString name, QString description);
    virtual ~Command() = default;
    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

    const QString &name() const { return name_; }
    const QString &description() const { return description_; }
    const QList<QCommandLineOption> &options() const { return options_; }

    // arguments: what follows the subcommand's name. Returns the exit code.
    int execute(const QStringList &arguments, Environment &env);
    QString helpText() const;

protected:
    // Runs with the arguments parsed and the positional count checked.
    virtual int run(const QCommandLineParser &parser, Environment &env) = 0;
    // The usage line after the name, when the generated one says too little.
    virtual QString usageTail() const;

    void addPositional(const QString &name, const QString &description);
    void addOption(const QCommandLineOption &option) { options_.append(option); }
    void addOptions(const QList<QCommandLineOption> &options) { options_.append(options); }

    // Options that several subcommands share, defined once.
    static QCommandLineOption jsonOption();
    static QCommandLineOption outputOption(const QString &valueName, const QString &description);
    static QCommandLineOption forceOption();

    // One JSON document on stdout.
    static void printJson(Environment &env, const QJsonObject &document);

    // "<name>: <message>" through Environment::fail.
    int fail(Environment &env, const QString &message, int code = exitcode::BadInput) const;

private:
    QString name_;
    QString description_;
    QList<Positional> positionals_;
    QList<QCommandLineOption> options_;
};

}  // namespace quillet::cli
