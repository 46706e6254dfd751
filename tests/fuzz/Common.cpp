// What every fuzz target shares, windows or not: its name, a broken promise, its seeds on
// request.

#include "fuzz/Harness.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace quillet::fuzz {

QString targetName(Target t)
{
    switch (t) {
    case Target::DataFile:
        return QStringLiteral("fuzz_datafile");
    case Target::ModelFile:
        return QStringLiteral("fuzz_modelfile");
    case Target::Transfer:
        return QStringLiteral("fuzz_transfer");
    case Target::Readers:
        return QStringLiteral("fuzz_readers");
    case Target::EditModel:
        return QStringLiteral("fuzz_editmodel");
    case Target::MemoryText:
        return QStringLiteral("fuzz_memorytext");
    case Target::Inputs:
        return QStringLiteral("fuzz_inputs");
    }
    return {};
}

QString scratchTemplate()
{
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    const QString root = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    return root + QStringLiteral("/quillet-fuzz-XXXXXX");
}

void fail(const char *what, const QString &detail)
{
    // Control characters (a NUL from a label above all) are shown, not obeyed.
    QString shown;
    for (QChar ch : detail)
        shown += ch.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QLatin1Char('0')) : QString(ch);
    std::fprintf(stderr, "\n*** Broken promise: %s\n    %s\n", what, qPrintable(shown));
    std::fflush(stderr);
    std::abort();
}

void writeSeedsIfAsked(Target t, int *argc, char ***argv)
{
    const QByteArray flag("-write_seeds=");
    for (int i = 1; i < *argc; ++i) {
        const QByteArray arg((*argv)[i]);
        if (arg.startsWith(flag)) {
            const QString folder = QString::fromLocal8Bit(arg.mid(flag.size()));
            const bool ok = writeSeeds(t, folder);
            std::fprintf(stderr, "%s seeds %s %s\n", qPrintable(targetName(t)), ok ? "written to" : "NOT written to",
                         qPrintable(folder));
            std::exit(ok ? 0 : 1);
        }
    }
}

}  // namespace quillet::fuzz
