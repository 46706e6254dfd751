#include "cli/Files.h"

#include "core/DataFile.h"
#include "core/FileIO.h"
#include "core/ModelFile.h"
#include "core/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace quillet::cli {

namespace {

// "136,194 bytes"
QString bytes(qsizetype n)
{
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(n)) + QStringLiteral(" bytes");
}

}  // namespace

bool checkOutput(const QString &path, bool force, QString *error)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        *error = QStringLiteral("\"%1\" is a folder").arg(path);
        return false;
    }
    if (info.exists() && !force) {
        *error = QStringLiteral("\"%1\" exists; add --force to replace it").arg(path);
        return false;
    }
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

bool writeOutput(const QString &path, const QByteArray &contents, bool force, QString *error)
{
    return checkOutput(path, force, error) && saveWholeFile(path, contents, error);
}

bool readInputFile(const QString &path, FileKind &kind, QByteArray &contents, QString *error)
{
    if (!QFileInfo::exists(path)) {
        *error = QStringLiteral("\"%1\" does not exist").arg(path);
        return false;
    }
    // Read no more than the larger kind holds plus one byte; the size check below uses the
    // file's real size, so a huge file or a device is refused without being read.
    qint64 size = 0;
    if (!readFileAtMost(path, std::max<qint64>(datafile::CompleteSize, modelfile::Size) + 1, contents, error, &size))
        return false;
    if (hasDataSuffix(path) || (!hasModelSuffix(path) && size == datafile::CompleteSize)) {
        kind = FileKind::Data;
        if (size != datafile::CompleteSize) {
            *error = QStringLiteral("\"%1\" is not a data file: it has %2, a data file %3")
                         .arg(path, bytes(size), bytes(datafile::CompleteSize));
            return false;
        }
        if (static_cast<unsigned char>(contents[0]) != datafile::Lead0 ||
            static_cast<unsigned char>(contents[1]) != datafile::Lead1) {
            *error = QStringLiteral("\"%1\" is not a data file: it begins with %2, a data file with FF 01")
                         .arg(path, QString::fromLatin1(contents.first(2).toHex(' ').toUpper()));
            return false;
        }
        return true;
    }
    if (hasModelSuffix(path) || size == modelfile::Size) {
        kind = FileKind::Model;
        if (size != modelfile::Size) {
            *error = QStringLiteral("\"%1\" is not a model file: it has %2, a model file %3")
                         .arg(path, bytes(size), bytes(modelfile::Size));
            return false;
        }
        return true;
    }
    *error = QStringLiteral("\"%1\" is not a data or model file: it has %2 (a data file has %3, a model file %4)")
                 .arg(path, bytes(size), bytes(datafile::CompleteSize), bytes(modelfile::Size));
    return false;
}

}  // namespace quillet::cli
