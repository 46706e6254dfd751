#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

namespace quillet::cli {

// "download [#######-------]  128/512 pages  25%  1:30 left": the bar a terminal shows.
// The time left is the time so far scaled by the pages still to come; unknown (no page
// yet) shows none.
QString progressBarLine(const QString &verb, int done, int total, qint64 elapsedMs);

// A transfer's progress on stderr: on a terminal the bar, redrawn in place; otherwise one
// line each time another tenth is done, so a log stays short.
class ProgressReport {
public:
    ProgressReport(QTextStream &err, bool terminal, QString verb);

    void begin(const QString &what);
    void update(int done, int total);
    // Ends the bar's line; a success also shows its last count.
    void end(bool succeeded, int done, int total);

private:
    QTextStream &err_;
    bool terminal_;
    QString verb_;
    QElapsedTimer clock_;
    int tenthsShown_ = 0;
    bool lineOpen_ = false;
};

}  // namespace quillet::cli
