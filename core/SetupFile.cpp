#include "core/SetupFile.h"

#include "core/FileIO.h"
#include "core/Globals.h"
#include "core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cfenv>
#include <cmath>
#include <limits>

namespace quillet {

namespace {
void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

QString setupFilePath(const QString &appDir)
{
    const QString exact = joinPath(appDir, QString::fromLatin1(setupfile::FileName));
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries = QDir(appDir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : entries) {
        if (name.compare(QLatin1String(setupfile::FileName), Qt::CaseInsensitive) == 0)
            return joinPath(appDir, name);
    }
    return exact;
}

bool setupFileExists(const QString &appDir)
{
    return QFileInfo::exists(setupFilePath(appDir));
}

bool parseLenientNumber(const QByteArray &text, int &value)
{
    // Leading blanks, an optional sign, digits, an optional fraction and exponent; the
    // first character that cannot continue the number ends it.
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool digits = false;
    while (i < n && isDigit(text[i])) {
        ++i;
        digits = true;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            digits = true;
        }
    }
    if (!digits) {
        value = 0;
        return true;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    QByteArray number = text.mid(start, i - start);
    for (char &c : number) {
        if (c == 'd' || c == 'D')
            c = 'e';
    }
    bool ok = false;
    const double d = number.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return false;
    // Half to even, as the default rounding mode does.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(d);
    std::fesetround(saved);
    if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(r);
    return true;
}

bool ReadComPort(const QString &appDir, int &comPort, QString *error, bool *markerMissing)
{
    if (markerMissing)
        *markerMissing = false;
    const QString path = setupFilePath(appDir);
    // setup.inf holds a few short lines; a file far larger than that is read no further.
    QByteArray bytes;
    if (!readFileAtMost(path, 64 * 1024, bytes, error))
        return false;
    const QByteArray marker(setupfile::Marker);
    for (QByteArray line : bytes.split('\n')) {
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        const qsizetype at = line.indexOf(marker);
        if (at < 0)
            continue;
        // The number starts one past the character behind the colon: that character is
        // the blank (or sign) the writer puts there.
        int value = 0;
        if (!parseLenientNumber(line.mid(at + marker.size() + 1), value)) {
            setError(error, QStringLiteral("The port number in \"%1\" is out of range.").arg(path));
            return false;
        }
        comPort = value;
        return true;
    }
    if (markerMissing)
        *markerMissing = true;
    setError(error, QStringLiteral("\"%1\" has no line with \"Com Port:\".").arg(path));
    return false;
}

bool ReadComPort(Globals &g, QString *error)
{
    return ReadComPort(g.AppDir, g.ComPort, error);
}

QByteArray comPortLine(int comPort)
{
    const qint64 v = comPort;
    QByteArray line(setupfile::Marker);
    line += v < 0 ? '-' : ' ';
    line += QByteArray::number(v < 0 ? -v : v);
    line += "\r\n";
    return line;
}

bool WriteComPort(const QString &appDir, int comPort, QString *error)
{
    return saveWholeFile(setupFilePath(appDir), comPortLine(comPort), error);
}

bool WriteComPort(const Globals &g, QString *error)
{
    return WriteComPort(g.AppDir, g.ComPort, error);
}

bool ensureSetupFile(const QString &appDir, bool *created, QString *error)
{
    if (created)
        *created = false;
    if (setupFileExists(appDir))
        return true;
    if (!WriteComPort(appDir, 1, error))
        return false;
    if (created)
        *created = true;
    return true;
}

}  // namespace quillet
