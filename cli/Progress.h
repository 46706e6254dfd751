#pragma once

#include "cli/Platform.h"

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <functional>
#include <memory>

namespace quillet::cli {

struct Environment;

// "download [#######-------]  128/512 pages  25%  1:30 left": the bar a terminal shows,
// fitted into `width` columns (the bar shrinks, and goes on a terminal too narrow for it).
// leftMs < 0: no estimate yet, none shown.
QString progressBarLine(const QString &verb, int done, int total, qint64 leftMs, int width);

// A transfer's progress on stderr.
class ProgressReport {
public:
    enum class Style {
        Silent,     // -q
        Lines,      // not a terminal: a line each time another tenth is done, so a log stays short
        Bar,        // the bar, redrawn in place
        PlainBar,   // the same without escape codes (TERM=dumb, NO_COLOR)
    };
    // measure: the terminal's width now (0 when unknown); given, a bar refits itself after
    // the terminal was resized, where a line too long for it would wrap at every redraw.
    ProgressReport(QTextStream &err, Style style, QString verb, int columns, std::function<int()> measure = {});

    void begin(const QString &what);
    void update(int done, int total);
    // Ends the bar's line; a success also shows its last count.
    void end(bool succeeded, int done, int total);

private:
    qint64 leftMs(int done, int total) const;
    void redraw(const QString &line);
    void refit();

    QTextStream &err_;
    Style style_;
    QString verb_;
    int width_;
    std::function<int()> measure_;
    std::unique_ptr<platform::ResizeWatch> resizes_;
    QElapsedTimer clock_;
    // The first page seen and when: the time per page is measured from there, so the wait
    // before the first page (the remote's handshake, the user's key press) does not count.
    int firstDone_ = -1;
    qint64 firstMs_ = 0;
    int tenthsShown_ = 0;
    qsizetype shownLength_ = 0;
    bool lineOpen_ = false;
};

// The style the environment calls for.
ProgressReport::Style progressStyle(const Environment &env);

}  // namespace quillet::cli
