// The fuzz_inputs target: what Quillet reads besides documents, from any bytes and with no
// window. The same input is the history's record (History.idx), a session's lock file, and
// standard input as quillet-cli reads it, arriving in pieces as a pipe gives them; each is
// held to what its reader promises.

#include "fuzz/Harness.h"

#include "cli/Environment.h"
#include "cli/Files.h"
#include "core/DataFile.h"
#include "core/History.h"
#include "core/MemoryImage.h"
#include "core/ModelFile.h"
#include "core/RecoveryFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quillet::fuzz {

namespace {

const QTemporaryDir &folder()
{
    static const QTemporaryDir dir(scratchTemplate());
    return dir;
}

bool writeFile(const QString &path, QByteArrayView bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes.data(), bytes.size()) == bytes.size();
}

// The user's files beside and around the history: whatever the record says, they stay.
// One has a history file's name, outside the folder; one sits inside it.
struct HistoryPlace {
    QString history;
    QString inside;
    QString outside;
};

const HistoryPlace &historyPlace()
{
    static const HistoryPlace place = [] {
        HistoryPlace p{folder().filePath(QStringLiteral("History")), folder().filePath(QStringLiteral("History/notes.txt")),
                       folder().filePath(QStringLiteral("2020-01-01 00-00-00 download.DAT"))};
        QDir().mkpath(p.history);
        writeFile(p.inside, "mine");
        writeFile(p.outside, "mine too");
        return p;
    }();
    return place;
}

void readHistoryIndex(QByteArrayView input, bool keep)
{
    const HistoryPlace &p = historyPlace();
    const QString index = QDir(p.history).filePath(history::Index);
    FUZZ_CHECK(writeFile(index, input), index);
    const QString missing = QDir(p.history).filePath(QStringLiteral("2021-02-03 04-05-06 upload.DAT"));
    FUZZ_CHECK(!dropHistory(p.history, missing), QStringLiteral("a file that is not there was dropped"));
    if (keep) {
        // A transfer kept with the record as it is, then only one file kept: the record
        // may name anything, and still only the history's own files go.
        static const auto image = std::make_unique<MemoryImage>();
        QString path, error;
        const QDateTime when(QDate(2022, 3, 4), QTime(5, 6, 7), Qt::UTC);
        FUZZ_CHECK(keepHistory(p.history, *image, history::Download, when, 1, &path, &error), error);
        FUZZ_CHECK(QFileInfo(path).size() == datafile::CompleteSize, path);
        // The record written names the new file, and nothing that is not a history file.
        QFile written(index);
        FUZZ_CHECK(written.open(QIODevice::ReadOnly), index);
        const QList<QByteArray> lines = written.readAll().split('\n');
        FUZZ_CHECK(std::any_of(lines.begin(), lines.end(),
                               [&](const QByteArray &l) { return l.startsWith(QFileInfo(path).fileName().toUtf8()); }),
                   QStringLiteral("the record does not name the file just kept"));
        QFile::remove(path);
    }
    FUZZ_CHECK(QFile::exists(p.inside) && QFile::exists(p.outside), QStringLiteral("a user's file was deleted"));
}

void readLockFile(QByteArrayView input)
{
    LockHolder holder;
    if (!parseLockFile(input.toByteArray(), holder))
        return;
    FUZZ_CHECK(holder.pid > 0, QStringLiteral("a lock of process %1").arg(holder.pid));
    FUZZ_CHECK(!holder.host.contains(QLatin1Char('\n')) && !holder.machine.contains('\n'),
               QStringLiteral("a host or machine of more than one line"));
}

// Standard input as a pipe gives it: a few bytes at a time, however many are asked for.
class Trickle : public QIODevice {
public:
    Trickle(QByteArrayView bytes, qint64 piece) : bytes_(bytes), piece_(std::max<qint64>(piece, 1))
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, piece_, bytes_.size() - at_});
        std::memcpy(data, bytes_.data() + at_, static_cast<size_t>(n));
        at_ += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArrayView bytes_;
    qint64 piece_;
    qint64 at_ = 0;
};

void readStandardInput(QByteArrayView input)
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    cli::Environment env(out, err);
    // The first byte says how large the pieces are; the rest is the stream.
    const qint64 piece = input.isEmpty() ? 1 : 1 + static_cast<std::uint8_t>(input.front()) * 97;
    Trickle in(input, piece);
    env.stdIn = &in;
    cli::FileKind kind = cli::FileKind::Data;
    QByteArray contents;
    QString error;
    if (!cli::readInputFile(env, QStringLiteral("-"), kind, contents, &error)) {
        FUZZ_CHECK(!error.isEmpty(), QStringLiteral("standard input refused without a reason"));
        return;
    }
    FUZZ_CHECK(contents == input, QStringLiteral("standard input was read as %1 of its %2 bytes")
                                      .arg(contents.size())
                                      .arg(input.size()));
    if (kind == cli::FileKind::Data)
        FUZZ_CHECK(contents.size() == datafile::CompleteSize && static_cast<Byte>(contents[0]) == datafile::Lead0
                       && static_cast<Byte>(contents[1]) == datafile::Lead1,
                   QStringLiteral("a data file of %1 bytes").arg(contents.size()));
    else
        FUZZ_CHECK(contents.size() == modelfile::Size, QStringLiteral("a model file of %1 bytes").arg(contents.size()));
}

}  // namespace

void runInputs(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    // Keeping a transfer writes a whole data file: one input in 16.
    readHistoryIndex(input, checkedAsText(data, size, 16));
    readLockFile(input);
    readStandardInput(input);
}

}  // namespace quillet::fuzz
