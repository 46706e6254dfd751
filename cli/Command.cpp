#include "cli/Command.h"

#include "cli/Files.h"
#include "cli/TextLayout.h"

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

// The name the parser is handed: the longest, so a one-letter option is never mistaken.
QString canonicalName(const QCommandLineOption &option)
{
    QString longest;
    for (const QString &n : option.names())
        if (n.size() > longest.size())
            longest = n;
    return longest;
}

}  // namespace

Command::Command(QString name, QString description) : name_(std::move(name)), description_(std::move(description))
{
}

void Command::addPositional(const QString &name, const QString &description, Values values, bool optional,
                            bool repeats)
{
    positionals_.append({name, description, values, optional, repeats});
}

void Command::addOption(const QCommandLineOption &option, Values values)
{
    if (values == Values::None && !option.valueName().isEmpty())
        values = Values::AnyFile;
    options_.append({option, values});
}

void Command::addOptions(const QList<QCommandLineOption> &options)
{
    for (const QCommandLineOption &o : options)
        addOption(o);
}

QList<Command::Option> Command::allOptions() const
{
    QList<Option> all = options_;
    all.append({helpOption(), Values::None});
    return all;
}

QList<QCommandLineOption> Command::options() const
{
    QList<QCommandLineOption> list;
    for (const Option &o : allOptions())
        list.append(o.option);
    return list;
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

QCommandLineOption Command::quietOption()
{
    return QCommandLineOption({QStringLiteral("q"), QStringLiteral("quiet")},
                              QStringLiteral("Show no progress and no notes; errors are still shown."));
}

QString Command::spelled(const QString &optionName) const { return spelled_.value(optionName); }

void Command::printJson(Environment &env, const QString &format, QJsonObject document)
{
    document.insert(QStringLiteral("format"), format);
    document.insert(QStringLiteral("version"), JsonVersion);
    printJson(env, document);
}

void Command::printJson(Environment &env, const QJsonObject &document)
{
    env.out << QJsonDocument(document).toJson(QJsonDocument::Indented) << Qt::flush;
}

void Command::printText(Environment &env, const QString &text) { env.out << visible(text) << Qt::flush; }

int Command::fail(Environment &env, const QString &message, int code) const
{
    return env.fail(name_ + QStringLiteral(": ") + messageStyle(message), code);
}

int Command::writeOutputFile(Environment &env, const QString &path, const QByteArray &contents, bool force) const
{
    QString error;
    platform::Stop stopped = platform::Stop::None;
    if (writeOutput(env, path, contents, force, &error, &stopped))
        return exitcode::Ok;
    if (stopped != platform::Stop::None)
        return fail(env, QStringLiteral("stopped while writing %1; nothing written").arg(shownOutput(path)),
                    platform::exitCodeFor(stopped));
    return fail(env, error, exitcode::Failed);
}

QString Command::usageTail() const
{
    QString tail = QStringLiteral("[options]");
    for (const Positional &p : positionals_)
        tail += QLatin1Char(' ') + (p.optional ? QLatin1Char('[') + p.name + QLatin1Char(']') : p.name);
    return tail;
}

QString Command::helpText(int width) const
{
    QString text = wrapText(QStringLiteral("Usage: %1 %2 %3").arg(QLatin1String(ProgramName), name_, usageTail()),
                            width, 7);
    text += QStringLiteral("\n\n") + wrapText(description_, width) + QLatin1Char('\n');
    if (!positionals_.isEmpty()) {
        text += QStringLiteral("\nArguments:\n");
        QList<QPair<QString, QString>> rows;
        for (const Positional &p : positionals_)
            rows.append({p.name, p.description});
        text += wrappedTable(rows, width);
    }
    text += QStringLiteral("\nOptions:\n");
    QList<QPair<QString, QString>> rows;
    for (const Option &o : allOptions())
        rows.append({optionSyntax(o.option), o.option.description()});
    text += wrappedTable(rows, width);
    return text;
}

const Command::Option *Command::findOption(const QString &name) const
{
    for (const Option &o : options_)
        if (o.option.names().contains(name))
            return &o;
    static const Option help{helpOption(), Values::None};
    return help.option.names().contains(name) ? &help : nullptr;
}

int Command::execute(const QStringList &arguments, Environment &env)
{
    spelled_.clear();
    QStringList canonical;
    QStringList positional;
    const auto unknown = [&](const QString &typed) {
        return fail(env, QStringLiteral("unknown option \"%1\"; see %2 %3 --help")
                             .arg(typed, QLatin1String(ProgramName), name_));
    };
    const auto take = [&](const Option &o, const QString &typed, const QString *value) {
        spelled_.insert(canonicalName(o.option), typed);
        canonical << QStringLiteral("--") + canonicalName(o.option) + (value ? QLatin1Char('=') + *value : QString());
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QLatin1String("--")) {
            positional += arguments.mid(i + 1);
            break;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            const qsizetype eq = arg.indexOf(QLatin1Char('='));
            const QString typed = arg.left(eq);
            const Option *o = typed.size() > 3 ? findOption(typed.mid(2)) : nullptr;
            if (!o)
                return unknown(typed);
            const bool takesValue = !o->option.valueName().isEmpty();
            if (!takesValue && eq >= 0)
                return fail(env, QStringLiteral("option \"%1\" takes no value (in \"%2\")").arg(typed, arg));
            if (!takesValue) {
                take(*o, typed, nullptr);
                continue;
            }
            if (eq < 0 && i + 1 >= arguments.size())
                return fail(env, QStringLiteral("option \"%1\" needs a value (%2)").arg(typed, o->option.valueName()));
            const QString value = eq >= 0 ? arg.mid(eq + 1) : arguments[++i];
            take(*o, typed, &value);
            continue;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            // Grouped short options: flags, then at most one that takes the rest as its value.
            for (qsizetype j = 1; j < arg.size(); ++j) {
                // One character, even where it takes two code units (an emoji): half of one
                // would print as U+FFFD.
                const qsizetype width = arg[j].isHighSurrogate() && j + 1 < arg.size() ? 2 : 1;
                const QString typed = QLatin1Char('-') + arg.mid(j, width);
                const Option *o = findOption(arg.mid(j, width));
                if (!o)
                    return unknown(arg.size() > 1 + width ? QStringLiteral("%1\" in \"%2").arg(typed, arg) : typed);
                if (o->option.valueName().isEmpty()) {
                    take(*o, typed, nullptr);
                    continue;
                }
                if (j + 1 == arg.size() && i + 1 >= arguments.size())
                    return fail(env,
                                QStringLiteral("option \"%1\" needs a value (%2)").arg(typed, o->option.valueName()));
                const QString value = j + 1 < arg.size() ? arg.mid(j + 1) : arguments[++i];
                take(*o, typed, &value);
                break;
            }
            continue;
        }
        positional << arg;
    }

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Option &o : allOptions())
        parser.addOption(o.option);
    // The parser takes the first entry for the program's name; the arguments come as
    // "--name" and "--name=value" only, so it cannot read them otherwise than above.
    if (!parser.parse(QStringList{name_} + canonical + QStringList{QStringLiteral("--")} + positional))
        return fail(env, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        printText(env, helpText(env.textWidth()));
        return exitcode::Ok;
    }
    const QStringList given = parser.positionalArguments();
    const auto required = std::count_if(positionals_.begin(), positionals_.end(),
                                        [](const Positional &p) { return !p.optional; });
    if (given.size() < required)
        return fail(env, QStringLiteral("%1 is missing; usage: %2 %3 %4")
                             .arg(positionals_[given.size()].name, QLatin1String(ProgramName), name_, usageTail()));
    if (given.size() > positionals_.size() && !(!positionals_.isEmpty() && positionals_.constLast().repeats))
        return fail(env, QStringLiteral("unexpected argument \"%1\"; usage: %2 %3 %4")
                             .arg(given[positionals_.size()], QLatin1String(ProgramName), name_, usageTail()));
    return run(parser, env);
}

}  // namespace quillet::cli
