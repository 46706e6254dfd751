#include "core/History.h"

#include "core/DataFile.h"
#include "core/FileOps.h"
#include "core/Paths.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
#include <tuple>
#include <vector>

namespace quillet {

namespace {

const QString StampFormat = QStringLiteral("yyyy-MM-dd HH-mm-ss");

// The files keepHistory writes: a stamp, the kind, now and then a number.
const QRegularExpression &historyName()
{
    static const QRegularExpression re(
        QStringLiteral(R"(^(\d{4}-\d{2}-\d{2} \d{2}-\d{2}-\d{2}) (download|upload)(?: (\d+))?\.DAT$)"));
    return re;
}

struct Entry {
    QString stamp;
    int number;   // 1, or the order of a later file of the same second
    QString name;
};

std::vector<Entry> historyFiles(const QString &folder)
{
    std::vector<Entry> files;
    const QStringList names = QDir(folder).entryList(QDir::Files);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = historyName().match(name);
        if (m.hasMatch())
            files.push_back({m.captured(1), m.captured(3).isEmpty() ? 1 : m.captured(3).toInt(), name});
    }
    return files;
}

void prune(const QString &folder, int keep)
{
    std::vector<Entry> files = historyFiles(folder);
    if (static_cast<int>(files.size()) <= keep)
        return;
    std::sort(files.begin(), files.end(), [](const Entry &a, const Entry &b) {
        return std::tie(a.stamp, a.number, a.name) < std::tie(b.stamp, b.number, b.name);
    });
    // A file that cannot be deleted now is tried again after the next transfer.
    for (size_t i = 0; i + static_cast<size_t>(keep) < files.size(); ++i)
        removeFile(joinPath(folder, files[i].name), nullptr);
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
    // A later transfer of the same second, of either kind, is numbered after the ones before
    // it, so the order of the names is the order of the transfers.
    const QString stamp = when.toString(StampFormat);
    int number = 1;
    for (const Entry &e : historyFiles(folder))
        if (e.stamp == stamp)
            number = std::max(number, e.number + 1);
    const QString numbered = number == 1 ? QString() : QLatin1Char(' ') + QString::number(number);
    const QString file = joinPath(folder, stamp + QLatin1Char(' ') + kind + numbered + QStringLiteral(".DAT"));
    if (path)
        *path = file;
    QString reason;
    if (!makeFolder(folder, &reason)) {
        if (error)
            *error = QStringLiteral("Cannot save \"%1\". %2").arg(file, reason);
        return false;
    }
    if (!SaveDataFile(file, image, error, makeSaveFile))
        return false;
    prune(folder, std::max(keep, 1));
    return true;
}

}  // namespace quillet
