#include "cli/Command.h"

#include <QJsonDocument>

#include <algorithm>

namespace quillet::cli {

namespace {

QCommandLineOption helpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
}

QString dashed(const QString &name) { return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name; }

QString optionSyntax(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &n : option.names())
        names << dashed(n);
    QString s = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        s += QLatin1Char(' ') + option.valueName();
    return s;
}

// Two columns, the second starting where the widest first one ends.
void appendTable(QString &text, const QList<QPair<QString, QString>> &rows)
{
    qsizetype width = 0;
    for (const auto &row : rows)
        width = std::max(width, row.first.size());
    for (const auto &row : rows)
        text += QStringLiteral("  ") + row.first.leftJustified(width + 2) + row.second + QLatin1Char('\n');
}

}  // namespace

int Environment::fail(const QString &message, int code)
{
    err << ProgramName << ": " << message << Qt::endl;
    return code;
}

Command::Command(QString name, QString description) : name_(std::move(name)), description_(std::move(description))
{
}

void Command::addPositional(const QString &name, const QString &description)
{
    positionals_.append({name, description});
}

QCommandLineOption Command::jsonOption()
{
    return QCommandLineOption(QStringLiteral("json"), QStringLiteral("Print one JSON document instead of text."));
}

QCommandLineOption Command::outputOption(const QString &valueName, const QString &description)
{
    return QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")}, description, valueName);
}

QCommandLineOption Command::forceOption()
{
    return QCommandLineOption({QStringLiteral("f"), QStringLiteral("force")},
                              QStringLiteral("Replace the output file if it exists."));
}

void Command::printJson(Environment &env, const QJsonObject &document)
{
    env.out << QJsonDocument(document).toJson(QJsonDocument::Indented) << Qt::flush;
}

int Command::fail(Environment &env, const QString &message, int code) const
{
    return env.fail(name_ + QStringLiteral(": ") + message, code);
}

QString Command::usageTail() const
{
    QString tail = QStringLiteral("[options]");
    for (const Positional &p : positionals_)
        tail += QLatin1Char(' ') + p.name;
    return tail;
}

QString Command::helpText() const
{
    QString text = QStringLiteral("Usage: %1 %2 %3\n\n%4\n").arg(QLatin1String(ProgramName), name_, usageTail(),
                                                                   description_);
    if (!positionals_.isEmpty()) {
        text += QStringLiteral("\nArguments:\n");
        QList<QPair<QString, QString>> rows;
        for (const Positional &p : positionals_)
            rows.append({p.name, p.description});
        appendTable(text, rows);
    }
    text += QStringLiteral("\nOptions:\n");
    QList<QPair<QString, QString>> rows;
    for (const QCommandLineOption &o : options_)
        rows.append({optionSyntax(o), o.description()});
    const QCommandLineOption help = helpOption();
    rows.append({optionSyntax(help), help.description()});
    appendTable(text, rows);
    return text;
}

int Command::execute(const QStringList &arguments, Environment &env)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options_);
    parser.addOption(helpOption());
    // The parser takes the first entry for the program's name.
    if (!parser.parse(QStringList{name_} + arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return fail(env, QStringLiteral("unknown option \"%1\"; see %2 %3 --help")
                                 .arg(dashed(unknown.first()), QLatin1String(ProgramName), name_));
        QString why = parser.errorText();
        if (why.endsWith(QLatin1Char('.')))
            why.chop(1);
        return fail(env, why);
    }
    if (parser.isSet(QStringLiteral("help"))) {
        env.out << helpText() << Qt::flush;
        return exitcode::Ok;
    }
    const QStringList given = parser.positionalArguments();
    if (given.size() < positionals_.size())
        return fail(env, QStringLiteral("%1 is missing; usage: %2 %3 %4")
                             .arg(positionals_[given.size()].name, QLatin1String(ProgramName), name_, usageTail()));
    if (given.size() > positionals_.size())
        return fail(env, QStringLiteral("unexpected argument \"%1\"; usage: %2 %3 %4")
                             .arg(given[positionals_.size()], QLatin1String(ProgramName), name_, usageTail()));
    return run(parser, env);
}

}  // namespace quillet::cli
