#include "core/History.h"

#include "core/ChangeSummary.h"
#include "core/DataFile.h"
#include "core/FileIO.h"
#include "core/ImageCompare.h"
#include "core/MemoryImage.h"
#include "core/FileOps.h"
#include "core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QLocale>
#include <QSet>
#include <QSettings>

#include <algorithm>
#include <vector>

namespace quillet {

namespace {

const QString StampFormat = QStringLiteral("yyyy-MM-dd HH-mm-ss");
// The record is a few lines a transfer; this is far more than any history holds.
constexpr qint64 MaxIndexBytes = 4 * 1024 * 1024;

// The files keepHistory writes: a stamp, the kind, now and then a number.
const QRegularExpression &historyName()
{
    static const QRegularExpression re(
        QStringLiteral(R"(^(\d{4}-\d{2}-\d{2} \d{2}-\d{2}-\d{2}) (download|upload)(?: (\d+))?\.DAT$)"));
    return re;
}

// One written file as the record keeps it.
struct Written {
    QString name;
    qint64 size = -1;
    qint64 modifiedMs = -1;
};

Written asWritten(const QString &folder, const QString &name)
{
    const QFileInfo info(joinPath(folder, name));
    return {name, info.size(), info.lastModified().toMSecsSinceEpoch()};
}

bool unchanged(const QString &folder, const Written &w)
{
    const QFileInfo info(joinPath(folder, w.name));
    return info.isFile() && !info.isSymLink() && info.size() == w.size && info.lastModified().toMSecsSinceEpoch() == w.modifiedMs;
}

// The record, oldest first. Without one (a history an earlier version kept), the history
// files there are taken as they are, in the order of their names.
std::vector<Written> readIndex(const QString &folder)
{
    std::vector<Written> out;
    const QString path = joinPath(folder, history::Index);
    QByteArray bytes;
    if (QFileInfo(path).isSymLink())
        return out;
    if (!QFileInfo::exists(path)) {
        QStringList names = QDir(folder).entryList(QDir::Files);
        names.sort();
        for (const QString &name : names)
            if (historyName().match(name).hasMatch())
                out.push_back(asWritten(folder, name));
        return out;
    }
    if (!readFileAtMost(path, MaxIndexBytes, bytes, nullptr))
        return out;
    for (const QByteArray &line : bytes.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 3)
            continue;
        Written w{QString::fromUtf8(fields[0]), fields[1].toLongLong(), fields[2].toLongLong()};
        // Only names of the history's own: a damaged record deletes nothing else.
        if (historyName().match(w.name).hasMatch() && !w.name.contains(QLatin1Char('/'))
            && !w.name.contains(QLatin1Char('\\')))
            out.push_back(w);
    }
    return out;
}

// The history folder and its record are the program's own: a link at either could make
// the history replace, create or prune files elsewhere.
QString linkRefusal(const QString &folder)
{
    for (const QString &path : {folder, joinPath(folder, history::Index)})
        if (QFileInfo(path).isSymLink())
            return QStringLiteral("The history of transfers is not kept: \"%1\" is a symbolic link.").arg(path);
    return {};
}

bool writeIndex(const QString &folder, const std::vector<Written> &index, QString *error)
{
    QByteArray bytes;
    if (const QString refused = linkRefusal(folder); !refused.isEmpty()) {
        if (error)
            *error = refused;
        return false;
    }
    for (const Written &w : index)
        bytes += w.name.toUtf8() + '\t' + QByteArray::number(w.size) + '\t' + QByteArray::number(w.modifiedMs) + '\n';
    return saveWholeFile(joinPath(folder, history::Index), bytes, error);
}

// Deletes the oldest unchanged files beyond `keep`, never `newest`; a file no longer as
// written leaves the record and stays.
void prune(const QString &folder, std::vector<Written> &index, const QString &newest, int keep)
{
    std::vector<Written> kept;
    for (const Written &w : index)
        if (unchanged(folder, w))
            kept.push_back(w);
    int surplus = static_cast<int>(kept.size()) - keep;
    std::vector<Written> out;
    for (const Written &w : kept) {
        // A file that cannot be deleted now is tried again after the next transfer.
        if (surplus > 0 && w.name != newest && removeFile(joinPath(folder, w.name), nullptr)) {
            --surplus;
            continue;
        }
        out.push_back(w);
    }
    index = std::move(out);
}

// Makes the file under the first free name for the stamp; an existing file, however it
// came, is never written over.
bool reserveName(const QString &folder, const QString &stamp, const QString &kind, QString *file, QString *error)
{
    int number = 1;
    const QStringList names = QDir(folder).entryList(QDir::Files);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = historyName().match(name);
        if (m.hasMatch() && m.captured(1) == stamp)
            number = std::max(number, (m.captured(3).isEmpty() ? 1 : m.captured(3).toInt()) + 1);
    }
    for (int tries = 0; tries < 1000; ++tries, ++number) {
        const QString numbered = number == 1 ? QString() : QLatin1Char(' ') + QString::number(number);
        *file = joinPath(folder, stamp + QLatin1Char(' ') + kind + numbered + QStringLiteral(".DAT"));
        QFile f(*file);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        // A link to nowhere holds the name as well as a file does.
        if (!QFileInfo::exists(*file) && !QFileInfo(*file).isSymLink()) {
            if (error)
                *error = QStringLiteral("Cannot save \"%1\": %2").arg(*file, f.errorString());
            return false;
        }
    }
    if (error)
        *error = QStringLiteral("Cannot save \"%1\": too many files of the same second.").arg(*file);
    return false;
}

}  // namespace

int historyKeep()
{
    QSettings settings(QStringLiteral("Quillet"), QStringLiteral("Quillet"));
    bool ok = false;
    const int keep = settings.value(QStringLiteral("Settings/HistoryKeep")).toString().toInt(&ok);
    return ok && keep > 0 ? keep : history::DefaultKeep;
}

bool keepHistory(const QString &folder, const MemoryImage &image, const QString &kind, const QDateTime &when,
                 int keep, QString *path, QString *error, const SaveFileFactory &makeSaveFile)
{
    const QString stamp = when.toString(StampFormat);
    QString file = joinPath(folder, stamp + QLatin1Char(' ') + kind + QStringLiteral(".DAT"));
    if (path)
        *path = file;
    QString reason = linkRefusal(folder);
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    if (!makeFolder(folder, &reason)) {
        if (error)
            *error = QStringLiteral("Cannot save \"%1\". %2").arg(file, reason);
        return false;
    }
    // The record as it was before this file, so that a first record does not count the
    // file twice.
    std::vector<Written> index = readIndex(folder);
    if (!reserveName(folder, stamp, kind, &file, error)) {
        if (path)
            *path = file;
        return false;
    }
    if (path)
        *path = file;
    if (!SaveDataFile(file, image, error, makeSaveFile)) {
        removeFile(file, nullptr);
        return false;
    }
    const QString name = QFileInfo(file).fileName();
    std::erase_if(index, [&name](const Written &w) { return w.name == name; });
    index.push_back(asWritten(folder, name));
    prune(folder, index, name, std::max(keep, 1));
    return writeIndex(folder, index, error);
}

bool dropHistory(const QString &folder, const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (!linkRefusal(folder).isEmpty())
        return false;
    std::vector<Written> index = readIndex(folder);
    const auto it = std::find_if(index.begin(), index.end(), [&name](const Written &w) { return w.name == name; });
    if (it == index.end() || !unchanged(folder, *it) || !removeFile(joinPath(folder, name), nullptr))
        return false;
    index.erase(it);
    writeIndex(folder, index, nullptr);
    return true;
}

std::vector<HistoryEntry> listHistory(const QString &folder)
{
    std::vector<HistoryEntry> out;
    const QDir dir(folder);
    if (!dir.exists() || !linkRefusal(folder).isEmpty())
        return out;
    std::vector<Written> index = readIndex(folder);
    QSet<QString> recorded;
    for (auto it = index.rbegin(); it != index.rend(); ++it) {
        if (!unchanged(folder, *it))
            continue;
        const QRegularExpressionMatch m = historyName().match(it->name);
        HistoryEntry e;
        e.name = it->name;
        e.path = joinPath(folder, it->name);
        e.when = QDateTime::fromString(m.captured(1), StampFormat);
        e.kind = m.captured(2);
        recorded.insert(it->name);
        out.push_back(std::move(e));
    }
    // The rest is the user's, shown for what it is rather than left out unexplained.
    std::vector<HistoryEntry> others;
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Time);
    for (const QFileInfo &info : files) {
        if (info.fileName() == history::Index || recorded.contains(info.fileName()))
            continue;
        HistoryEntry e;
        e.name = info.fileName();
        e.path = joinPath(folder, e.name);
        e.when = info.lastModified();
        const QRegularExpressionMatch m = historyName().match(e.name);
        if (m.hasMatch()) {
            e.kind = m.captured(2);
            e.when = QDateTime::fromString(m.captured(1), StampFormat);
            e.problem = QStringLiteral("changed since the transfer kept it");
        } else {
            e.problem = QStringLiteral("not kept by a transfer");
        }
        others.push_back(std::move(e));
    }
    std::stable_sort(others.begin(), others.end(),
                     [](const HistoryEntry &a, const HistoryEntry &b) { return a.when > b.when; });
    out.insert(out.end(), std::make_move_iterator(others.begin()), std::make_move_iterator(others.end()));
    return out;
}

bool readHistoryEntry(const HistoryEntry &entry, MemoryImage &image, QString *problem)
{
    QByteArray contents;
    qint64 size = 0;
    QString error;
    // One byte more than a data file: a longer file is no memory of the history either.
    if (!readFileAtMost(entry.path, 2 + 512 * MemoryImage::PageSize + 1, contents, &error, &size)) {
        if (problem)
            *problem = error;
        return false;
    }
    constexpr qint64 whole = 2 + 512 * MemoryImage::PageSize;
    QString why;
    if (size != whole)
        why = QStringLiteral("damaged: %1 bytes, not the %2 of a whole memory")
                  .arg(QLocale(QLocale::English).toString(size), QLocale(QLocale::English).toString(whole));
    else if (static_cast<unsigned char>(contents[0]) != 0xFF || contents[1] != 1)
        why = QStringLiteral("damaged: it does not begin as a data file does");
    if (!why.isEmpty()) {
        if (problem)
            *problem = why;
        return false;
    }
    fillImageFromDataFile(image, contents);
    return true;
}

void summarizeHistory(std::vector<HistoryEntry> &entries, const std::function<void(size_t)> &done,
                      const std::function<bool()> &stop)
{
    auto earlier = std::make_unique<MemoryImage>();
    auto later = std::make_unique<MemoryImage>();
    bool haveEarlier = false;
    for (size_t i = entries.size(); i-- > 0;) {
        if (stop && stop())
            return;
        HistoryEntry &e = entries[i];
        if (e.ok()) {
            *later = MemoryImage();
            QString problem;
            if (!readHistoryEntry(e, *later, &problem)) {
                e.problem = problem;
            } else {
                e.summary = haveEarlier ? changeSummary(compareImages(*earlier, *later))
                                        : QStringLiteral("the oldest kept: nothing before it to compare");
                std::swap(earlier, later);
                haveEarlier = true;
            }
        }
        if (done)
            done(i);
    }
}

}  // namespace quillet
