#include "link/PortSetupFile.h"

#include "core/FileIO.h"
#include "core/Paths.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace quillet::portsetup {

namespace {

const QByteArray Marker = QByteArrayLiteral("Com Port:");

// A lenient number: leading blanks skipped, an optional sign, digits with at most one
// decimal point, stopping at the first character that cannot continue it.
int lenientNumber(const QByteArray &text)
{
    int i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    QByteArray number;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        number += text[i++];
    bool point = false;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            number += c;
            digits = true;
        } else if (c == '.' && !point) {
            number += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;
    const double v = std::nearbyint(number.toDouble());   // halves to even
    if (v > 2147483647.0 || v < -2147483648.0)
        return 0;
    return static_cast<int>(v);
}

}  // namespace

QString setupFilePath(const QString &appDir)
{
    // A SETUP.INF written in other letters is the same file.
    const QStringList found = QDir(appDir).entryList({QStringLiteral("setup.inf")}, QDir::Files);
    for (const QString &name : found)
        if (name.compare(QLatin1String("setup.inf"), Qt::CaseInsensitive) == 0)
            return joinPath(appDir, name);
    return joinPath(appDir, QStringLiteral("setup.inf"));
}

bool ReadComPort(const QString &appDir, int &comPort, QString *error)
{
    const QString path = setupFilePath(appDir);
    QByteArray contents;
    if (!readWholeFile(path, contents, error))
        return false;
    for (QByteArray line : contents.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const int p = line.indexOf(Marker);
        if (p < 0)
            continue;
        comPort = lenientNumber(line.mid(p + Marker.size() + 1));
        return true;
    }
    if (error)
        *error = QStringLiteral("%1 holds no line with \"Com Port:\"").arg(QDir::toNativeSeparators(path));
    return false;
}

QByteArray comPortLine(int comPort)
{
    QByteArray line = Marker;
    line += comPort < 0 ? QByteArray::number(comPort) : QByteArray(" ") + QByteArray::number(comPort);
    line += "\r\n";
    return line;
}

bool WriteComPort(const QString &appDir, int comPort, QString *error)
{
    return saveWholeFile(setupFilePath(appDir), comPortLine(comPort), error);
}

}  // namespace quillet::portsetup
