#include "cli/Progress.h"

namespace quillet::cli {

namespace {

constexpr int BarWidth = 30;
const QString kClearToEnd = QStringLiteral("\x1b[K");

QString minutes(qint64 ms)
{
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString progressBarLine(const QString &verb, int done, int total, qint64 elapsedMs)
{
    const int filled = total > 0 ? static_cast<int>(static_cast<qint64>(done) * BarWidth / total) : 0;
    const int percent = total > 0 ? static_cast<int>(static_cast<qint64>(done) * 100 / total) : 0;
    QString line = QStringLiteral("%1 [%2%3]  %4/%5 pages  %6%")
                       .arg(verb, QString(filled, QLatin1Char('#')), QString(BarWidth - filled, QLatin1Char('-')))
                       .arg(done)
                       .arg(total)
                       .arg(percent);
    if (done > 0 && done < total)
        line += QStringLiteral("  %1 left").arg(minutes(elapsedMs * (total - done) / done));
    return line;
}

ProgressReport::ProgressReport(QTextStream &err, bool terminal, QString verb)
    : err_(err), terminal_(terminal), verb_(std::move(verb))
{
    clock_.start();
}

void ProgressReport::begin(const QString &what)
{
    clock_.restart();
    tenthsShown_ = 0;
    err_ << verb_ << ": " << what;
    if (terminal_) {
        lineOpen_ = true;
        err_ << Qt::flush;
    } else {
        err_ << Qt::endl;
    }
}

void ProgressReport::update(int done, int total)
{
    if (total <= 0)
        return;
    if (terminal_) {
        err_ << '\r' << progressBarLine(verb_, done, total, clock_.elapsed()) << kClearToEnd << Qt::flush;
        lineOpen_ = true;
        return;
    }
    const int tenths = static_cast<int>(static_cast<qint64>(done) * 10 / total);
    if (tenths <= tenthsShown_)
        return;
    tenthsShown_ = tenths;
    err_ << verb_ << ": " << tenths * 10 << "% (" << done << " of " << total << " pages)" << Qt::endl;
}

void ProgressReport::end(bool succeeded, int done, int total)
{
    if (succeeded)
        update(done, total);
    if (lineOpen_)
        err_ << Qt::endl;
    lineOpen_ = false;
}

}  // namespace quillet::cli
