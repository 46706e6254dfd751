#include "cli/Cli.h"

#include "cli/Check.h"
#include "cli/Command.h"
#include "cli/Completion.h"
#include "cli/Diff.h"
#include "cli/Download.h"
#include "cli/Export.h"
#include "cli/History.h"
#include "cli/Import.h"
#include "cli/Info.h"
#include "cli/Ports.h"
#include "cli/RemoteCommands.h"
#include "cli/Render.h"
#include "cli/Show.h"
#include "cli/TextLayout.h"
#include "cli/Upload.h"

#include <memory>
#include <vector>

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "unknown"
#endif

namespace quillet::cli {

std::vector<std::unique_ptr<Command>> allCommands()
{
    std::vector<std::unique_ptr<Command>> list;
    list.push_back(std::make_unique<InfoCommand>());
    list.push_back(std::make_unique<ShowCommand>());
    list.push_back(std::make_unique<DiffCommand>());
    list.push_back(std::make_unique<PressCommand>());
    list.push_back(std::make_unique<MacroCommand>());
    list.push_back(std::make_unique<TimersCommand>());
    list.push_back(std::make_unique<CheckCommand>());
    list.push_back(std::make_unique<RenderCommand>());
    list.push_back(std::make_unique<ExportCommand>());
    list.push_back(std::make_unique<ImportCommand>());
    list.push_back(std::make_unique<PortsCommand>());
    list.push_back(std::make_unique<DownloadCommand>());
    list.push_back(std::make_unique<UploadCommand>());
    list.push_back(std::make_unique<HistoryCommand>());
    list.push_back(std::make_unique<CompletionCommand>());
    return list;
}

namespace {

QString overview(const std::vector<std::unique_ptr<Command>> &commands, int width)
{
    const QString program = QLatin1String(ProgramName);
    QString text = wrapText(QStringLiteral("Usage: %1 COMMAND [options] [arguments]").arg(program), width) +
                   QStringLiteral("\n\n") +
                   wrapText(QStringLiteral("The remote control's memory from a terminal: read and compare data and "
                                           "model files, draw their pages, turn them into text and back, move the memory "
                                           "to and from the remote."),
                            width) +
                   QStringLiteral("\n\nCommands:\n");
    QList<QPair<QString, QString>> rows;
    for (const auto &c : commands)
        rows.append({c->name(), c->description()});
    text += wrappedTable(rows, width);
    text += QStringLiteral("\nOptions:\n");
    text += wrappedTable({{QStringLiteral("-h, --help"), QStringLiteral("Show this help.")},
                          {QStringLiteral("--version"), QStringLiteral("Show the version.")}},
                         width);
    text += QLatin1Char('\n') +
            wrapText(QStringLiteral("%1 help COMMAND (or %1 COMMAND --help) shows a command's arguments and "
                                    "options. A FILE may be - for standard input, -o - is standard output.")
                         .arg(program),
                     width) +
            QLatin1Char('\n') +
            wrapText(QStringLiteral("Exit codes: 0 done, 1 failed (diff: differences found; check: errors "
                                    "found), 2 bad input (diff and check: also a write error), 130 interrupted "
                                    "by Ctrl+C (128 + the signal's number)."),
                     width) +
            QLatin1Char('\n');
    return text;
}

}  // namespace

bool needsGui(const QStringList &arguments)
{
    return arguments.size() > 1 && arguments[1] == QLatin1String("render");
}

int runCli(const QStringList &arguments, Environment &env)
{
    const auto commands = allCommands();
    auto find = [&commands](const QString &name) -> Command * {
        for (const auto &c : commands)
            if (c->name() == name)
                return c.get();
        return nullptr;
    };
    const QString program = QLatin1String(ProgramName);
    const QString first = arguments.value(1);
    if (first.isEmpty())
        return env.fail(QStringLiteral("a command is needed; see %1 --help").arg(program));
    const bool helpOption = first == QLatin1String("--help") || first == QLatin1String("-h");
    if (first == QLatin1String("--version")) {
        if (arguments.size() > 2)
            return env.fail(QStringLiteral("--version takes nothing more, not \"%1\"").arg(arguments[2]));
        env.out << ProgramName << ' ' << QUILLET_VERSION << Qt::endl;
        return exitcode::Ok;
    }
    // "--help info" as "help info", and "help help" as the overview.
    if (first == QLatin1String("help") || helpOption) {
        QString topic = arguments.value(2);
        if (topic == QLatin1String("help"))
            topic.clear();
        if (topic.isEmpty()) {
            env.out << overview(commands, env.textWidth()) << Qt::flush;
            return exitcode::Ok;
        }
        if (Command *c = find(topic)) {
            env.out << visible(c->helpText(env.textWidth())) << Qt::flush;
            return exitcode::Ok;
        }
        return env.fail(QStringLiteral("unknown command \"%1\"; see %2 --help").arg(topic, program));
    }
    Command *command = find(first);
    if (!command) {
        const QString what = first.startsWith(QLatin1Char('-')) ? QStringLiteral("option") : QStringLiteral("command");
        return env.fail(QStringLiteral("unknown %1 \"%2\"; see %3 --help").arg(what, first, program));
    }
    return command->execute(arguments.mid(2), env);
}

}  // namespace quillet::cli
