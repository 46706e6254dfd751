#pragma once

// Running quillet-cli in tests: in-process through runCli with captured streams, or the
// program itself as a child process.

#include "cli/Cli.h"
#include "cli/Environment.h"

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace quillet::testing {

struct CliResult {
    int code = -1;
    QString out;
    QString err;
};

inline CliResult runCliInProcess(const QStringList &arguments,
                                 const std::function<void(cli::Environment &)> &setUp = {})
{
    CliResult r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    cli::Environment env(out, err);
    if (setUp)
        setUp(env);
    r.code = cli::runCli(QStringList{QStringLiteral("quillet-cli")} + arguments, env);
    out.flush();
    err.flush();
    return r;
}

inline QString cliProgram() { return QCoreApplication::applicationDirPath() + QStringLiteral("/quillet-cli"); }

// The program started and not yet waited for.
inline void startCli(QProcess &process, const QStringList &arguments)
{
    process.setProgram(cliProgram());
    process.setArguments(arguments);
    process.start();
}

}  // namespace quillet::testing
