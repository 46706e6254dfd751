// Opens "Edit Device" on a full device (35 keys) many times and reports how long opening
// and redrawing every key face take; with --shot FILE it also saves a picture of the
// editor. The pictures are read from the folder the program runs from, as Quillet does.
// At 200 %: QT_SCALE_FACTOR=2 QT_QPA_PLATFORM=offscreen quillet-editorbench (the figures
// are compared with the same run at QT_SCALE_FACTOR=1).

#include "app/QtUiServices.h"
#include "core/Globals.h"
#include "editors/frmEditKey.h"
#include "tools/editorbench/BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

using namespace quillet;
using quillet::bench::fillDevice;
using quillet::bench::median;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString shot;
    int rounds = 200;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--shot") && i + 1 < args.size())
            shot = args[++i];
        else if (args[i] == QLatin1String("--rounds") && i + 1 < args.size())
            rounds = std::max(1, args[++i].toInt());
    }

    auto g = std::make_unique<Globals>();
    g->AppDir = QCoreApplication::applicationDirPath();
    fillDevice(*g);
    QtUiServices ui;
    QTextStream out(stdout);

    std::vector<double> open, redraw, render;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        frmEditKey editor(*g, ui);
        editor.show();
        QCoreApplication::processEvents();
        open.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        editor.WORK_SET_KEY_DATA();   // clears and draws all 35 faces again
        redraw.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        const QPixmap picture = editor.grab();   // every widget painted once
        render.push_back(t.nsecsElapsed() / 1e6);

        if (i == 0 && !shot.isEmpty() && !picture.save(shot)) {
            out << "could not write " << shot << "\n";
            return 1;
        }
    }
    out << "Edit Device on a full device (35 keys) at " << qRound(app.devicePixelRatio() * 100) << " %, " << rounds
        << " rounds, median:\n";
    out << QStringLiteral("  open (pictures, 35 key boxes, load, show): %1 ms\n").arg(median(open), 0, 'f', 2);
    out << QStringLiteral("  redraw all 35 key faces:                  %1 ms\n").arg(median(redraw), 0, 'f', 3);
    out << QStringLiteral("  paint the whole window:                   %1 ms\n").arg(median(render), 0, 'f', 2);
    return 0;
}
