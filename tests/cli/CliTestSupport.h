#pragma once

// Running quillet-cli in tests: in-process through runCli with captured streams, or the
// program itself as a child process.

#include "cli/Cli.h"
#include "cli/Environment.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
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
    QByteArray bytes;   // what went to standard output as bytes ("-o -")
};

// `input` is standard input.
inline CliResult runCliInProcess(const QStringList &arguments,
                                 const std::function<void(cli::Environment &)> &setUp = {},
                                 const QByteArray &input = {})
{
    CliResult r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    QBuffer in;
    in.setData(input);
    in.open(QIODevice::ReadOnly);
    QBuffer bytes(&r.bytes);
    bytes.open(QIODevice::WriteOnly);
    cli::Environment env(out, err);
    env.stdIn = &in;
    env.stdOut = &bytes;
    if (setUp)
        setUp(env);
    r.code = cli::runCli(QStringList{QStringLiteral("quillet-cli")} + arguments, env);
    out.flush();
    err.flush();
    return r;
}

// A file the test makes; its path back. A file that cannot be written ends the test run.
inline QString writeTestFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
