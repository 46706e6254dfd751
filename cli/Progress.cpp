#include "cli/Progress.h"

#include "cli/Environment.h"

#include <algorithm>

namespace quillet::cli {

namespace {

constexpr int MaxBar = 30;
constexpr int MinBar = 10;
const QString kClearToEnd = QStringLiteral("\x1b[K");

// Rounded up: a transfer is never said to have no time left while pages remain.
QString minutes(qint64 ms)
{
    const qint64 s = (ms + 999) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

// A line cut to the room: the last column stays free, as some terminals wrap on writing it.
QString fitted(const QString &line, int width)
{
    const int room = std::max(width - 1, 1);
    return line.size() <= room ? line : line.left(std::max(room - 1, 0)) + QChar(0x2026);
}

QString progressBarLine(const QString &verb, int done, int total, qint64 leftMs, int width)
{
    const int percent = total > 0 ? static_cast<int>(static_cast<qint64>(done) * 100 / total) : 0;
    const QString count = QStringLiteral("%1/%2").arg(done).arg(total);
    QString tail = QStringLiteral("  %1 pages  %2%").arg(count).arg(percent);
    if (leftMs >= 0 && done < total)
        tail += QStringLiteral("  %1 left").arg(minutes(std::max<qint64>(leftMs, 1)));
    const int room = width - 1 - static_cast<int>(verb.size() + 3 + tail.size());
    const int bar = std::min(MaxBar, room);
    if (bar < MinBar) {
        // Narrower, the line sheds what matters least, down to the count alone: a line that
        // wrapped would scroll a new line by at every page.
        const QString shorter[] = {verb + tail, verb + QStringLiteral("  %1 pages  %2%").arg(count).arg(percent),
                                   verb + QStringLiteral("  ") + count, count};
        for (const QString &line : shorter)
            if (line.size() <= width - 1)
                return line;
        return count;
    }
    const int filled = total > 0 ? static_cast<int>(static_cast<qint64>(done) * bar / total) : 0;
    return QStringLiteral("%1 [%2%3]").arg(verb, QString(filled, QLatin1Char('#')),
                                          QString(bar - filled, QLatin1Char('-'))) +
           tail;
}

ProgressReport::Style progressStyle(const Environment &env)
{
    if (!env.errIsTerminal)
        return ProgressReport::Style::Lines;
    return env.plainTerminal ? ProgressReport::Style::PlainBar : ProgressReport::Style::Bar;
}

ProgressReport::ProgressReport(QTextStream &err, Style style, QString verb, int columns, std::function<int()> measure)
    : err_(err), style_(style), verb_(std::move(verb)), width_(columns > 0 ? columns : 80), measure_(std::move(measure))
{
    clock_.start();
    if (measure_ && (style_ == Style::Bar || style_ == Style::PlainBar))
        resizes_ = std::make_unique<platform::ResizeWatch>();
}

void ProgressReport::refit()
{
    if (!resizes_ || !resizes_->changed())
        return;
    const int columns = measure_();
    width_ = columns > 0 ? columns : 80;
}

void ProgressReport::begin(const QString &what)
{
    clock_.restart();
    firstDone_ = -1;
    tenthsShown_ = 0;
    switch (style_) {
    case Style::Silent:
        return;
    case Style::Lines:
        err_ << verb_ << ": " << what << Qt::endl;
        return;
    case Style::Bar:
    case Style::PlainBar:
        refit();
        redraw(fitted(verb_ + QStringLiteral(": ") + what, width_));
        return;
    }
}

qint64 ProgressReport::leftMs(int done, int total) const
{
    if (firstDone_ < 0 || done <= firstDone_)
        return -1;
    const qint64 perPage = (clock_.elapsed() - firstMs_) / (done - firstDone_);
    return perPage * (total - done);
}

void ProgressReport::redraw(const QString &line)
{
    err_ << '\r' << line;
    if (style_ == Style::Bar)
        err_ << kClearToEnd;
    else if (const qsizetype over = std::min<qsizetype>(shownLength_, width_ - 1); line.size() < over)
        err_ << QString(over - line.size(), QLatin1Char(' '));   // never past the last free column
    err_ << Qt::flush;
    shownLength_ = line.size();
    lineOpen_ = true;
}

void ProgressReport::update(int done, int total)
{
    if (total <= 0 || style_ == Style::Silent)
        return;
    if (firstDone_ < 0 && done > 0) {
        firstDone_ = done;
        firstMs_ = clock_.elapsed();
    }
    if (style_ != Style::Lines) {
        refit();
        redraw(progressBarLine(verb_, done, total, leftMs(done, total), width_));
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
