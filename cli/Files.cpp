#include "cli/Files.h"

#include "core/DataFile.h"
#include "core/FileIO.h"
#include "core/FileOps.h"
#include "core/ModelFile.h"
#include "core/Paths.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>
#include <QLocale>

#include <algorithm>

namespace quillet::cli {

namespace {

// "136,194 bytes", "1 byte"
QString bytes(qsizetype n)
{
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(n)) +
           (n == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
}

}  // namespace

bool isStandardStream(const QString &path) { return path == QLatin1String("-"); }

bool isDataFileName(const QString &path) { return path.endsWith(QLatin1String(".DAT"), Qt::CaseInsensitive); }

bool isModelFileName(const QString &path) { return path.endsWith(QLatin1String(".MOD"), Qt::CaseInsensitive); }

QString shownInput(const QString &path)
{
    return isStandardStream(path) ? QStringLiteral("standard input") : QLatin1Char('"') + path + QLatin1Char('"');
}

QString shownOutput(const QString &path)
{
    return isStandardStream(path) ? QStringLiteral("standard output") : QLatin1Char('"') + path + QLatin1Char('"');
}

bool checkOutput(const Environment &env, const QString &path, bool force, bool binary, QString *error)
{
    if (isStandardStream(path)) {
        if (binary && env.outIsTerminal) {
            *error = QStringLiteral("standard output is a terminal; redirect it to a file or a program, "
                                    "or give -o FILE");
            return false;
        }
        return true;
    }
    if (path.isEmpty()) {
        *error = QStringLiteral("-o needs a file name, or - for standard output");
        return false;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        *error = QStringLiteral("\"%1\" is a folder").arg(path);
        return false;
    }
    // A link that leads nowhere is an entry too: writing through it would create a file
    // wherever it points.
    if (info.isSymLink() && !info.exists()) {
        bool missing = false;
        const QString reason = platform::unfollowable(path, &missing);
        if (missing)
            *error = QStringLiteral("\"%1\" is a symbolic link to \"%2\", which does not exist; remove the link "
                                    "or choose another name")
                         .arg(path, info.symLinkTarget());
        else
            *error = QStringLiteral("\"%1\" is a symbolic link that cannot be followed: %2; remove the link or "
                                    "choose another name")
                         .arg(path, reason);
        return false;
    }
    if (info.exists() && !force) {
        *error = QStringLiteral("\"%1\" exists; add --force to replace it").arg(path);
        return false;
    }
    // A device or a pipe is written into where it is: its folder (/dev) takes no new file.
    if (force && info.exists() && !info.isFile())
        return true;
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir()) {
        *error = QStringLiteral("the folder \"%1\" does not exist").arg(QDir::toNativeSeparators(folder.filePath()));
        return false;
    }
    if (!folder.isWritable()) {
        *error = QStringLiteral("cannot write into the folder \"%1\"").arg(QDir::toNativeSeparators(folder.filePath()));
        return false;
    }
    return true;
}

bool checkNotInput(const QString &input, const QString &output, QString *error)
{
    if (isStandardStream(input) || isStandardStream(output) || !samePath(input, output))
        return true;
    *error = QStringLiteral("\"%1\" is the input; write the output to another file").arg(output);
    return false;
}

bool writeOutput(Environment &env, const QString &path, const QByteArray &contents, bool force, QString *error,
                 platform::Stop *stopped)
{
    *stopped = platform::Stop::None;
    if (isStandardStream(path)) {
        env.out.flush();
        QString reason;
        if (!env.stdOut || !writeAll(*env.stdOut, contents, &reason)) {
            *error = QStringLiteral("write error: %1").arg(env.stdOut ? reason : QStringLiteral("no standard output"));
            env.stdOutFailureTold = true;
            return false;
        }
        return true;
    }
    // The check is made again: a file may have appeared since the command began.
    if (!checkOutput(env, path, force, false, error))
        return false;
    // Only marks while the file is written, so a stop abandons it cleanly.
    const platform::StopSignals stops(platform::StopSignals::Mode::Deferred);
    SaveRules rules;
    rules.replace = force;
    rules.stillWanted = [&stops] { return stops.caught() == platform::Stop::None; };
    if (saveWholeFile(path, contents, error, rules))
        return true;
    *stopped = stops.caught();
    return false;
}

bool readInput(const Environment &env, const QString &path, qint64 limit, QByteArray &contents, qint64 &size,
               QString *error)
{
    if (!isStandardStream(path)) {
        // Nothing there is told in our words; anything else (a loop of symbolic links, a
        // folder that may not be entered) as the system tells it, by the read below.
        bool missing = false;
        platform::unfollowable(path, &missing);
        if (missing) {
            *error = QStringLiteral("\"%1\" does not exist").arg(path);
            return false;
        }
        // The user named it: a pipe such as <(...) or a device is read like standard input.
        return readFileAtMost(path, limit, contents, error, &size, Streams::Read);
    }
    if (!env.stdIn) {
        *error = QStringLiteral("there is no standard input");
        return false;
    }
    // One byte past the limit tells a longer input from one that fits.
    QByteArray data;
    while (data.size() <= limit) {
        const QByteArray more = env.stdIn->read(limit + 1 - data.size());
        if (more.isEmpty())
            break;
        data += more;
    }
    if (const auto *file = qobject_cast<const QFileDevice *>(env.stdIn); file && file->error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read standard input: %1").arg(file->errorString());
        return false;
    }
    size = data.size();
    contents = std::move(data);
    return true;
}

qint64 StandardOutput::writeData(const char *data, qint64 length)
{
    // A pipe closed halfway through takes part of a write without a word; only writing
    // the rest learns why, and a part written is no success.
    qint64 done = 0;
    while (done < length) {
        const qint64 written = QFile::writeData(data + done, length - done);
        if (written <= 0) {
            if (firstError_.isEmpty())
                firstError_ = errorString();
            return -1;
        }
        done += written;
    }
    return done;
}

bool readInputFile(const Environment &env, const QString &path, FileKind &kind, QByteArray &contents,
                   QString *error)
{
    // Read no more than the larger kind holds, so a huge file or an endless stream is
    // refused without being read.
    const qint64 limit = std::max<qint64>(datafile::CompleteSize, modelfile::Size);
    qint64 size = 0;
    if (!readInput(env, path, limit, contents, size, error))
        return false;
    const bool fromInput = isStandardStream(path);
    const QString name = shownInput(path);
    const QString has = size > limit && (fromInput || size == limit + 1) ? QStringLiteral("more than ") + bytes(limit)
                                                                           : bytes(size);
    if ((!fromInput && hasDataSuffix(path)) || (!hasModelSuffix(path) && size == datafile::CompleteSize)) {
        kind = FileKind::Data;
        if (size != datafile::CompleteSize) {
            *error = QStringLiteral("%1 is not a data file: it has %2, a data file %3")
                         .arg(name, has, bytes(datafile::CompleteSize));
            return false;
        }
        if (static_cast<unsigned char>(contents[0]) != datafile::Lead0 ||
            static_cast<unsigned char>(contents[1]) != datafile::Lead1) {
            *error = QStringLiteral("%1 is not a data file: it begins with %2, a data file with FF 01")
                         .arg(name, QString::fromLatin1(contents.first(2).toHex(' ').toUpper()));
            return false;
        }
        return true;
    }
    if ((!fromInput && hasModelSuffix(path)) || size == modelfile::Size) {
        kind = FileKind::Model;
        if (size != modelfile::Size) {
            *error = QStringLiteral("%1 is not a model file: it has %2, a model file %3")
                         .arg(name, has, bytes(modelfile::Size));
            return false;
        }
        return true;
    }
    *error = QStringLiteral("%1 is not a data or model file: it has %2 (a data file has %3, a model file %4)")
                 .arg(name, has, bytes(datafile::CompleteSize), bytes(modelfile::Size));
    return false;
}

}  // namespace quillet::cli
