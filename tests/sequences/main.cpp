// Random sequences of a user's actions on the real main window, each step checked against
// a model of what must hold. The sequences run in a worker process, so that a crash, a
// hang or a kill on purpose ends only the worker; a failing sequence is shrunk to the
// shortest that still fails the same rule and kept as a file that the suite replays.
//
//   sequences [--count N] [--seed S] [--steps N] [--relax RULES] [--keep DIR]
//   sequences --replay DIR [--relax RULES]

#include "Runner.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <random>

using namespace seq;

namespace {

// Rules that wait for a fault to be mended elsewhere: their sequences are not drawn and their
// kept regressions not replayed until then. "none" turns every rule on.
const char *const Waiting = "";
const char *const Switchable = "later,drop,box,short,kind";

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// ---------------------------------------------------------------------------------------
// The worker: runs sequences in this process and says how each went, one line each.

[[noreturn]] void awaitKill()
{
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

int worker(const QCommandLineParser &args, const Rules &rules)
{
    const QString root = args.value(QStringLiteral("root"));
    // Nothing of the user's own: the per-user data folder is one of the worker's too.
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/home")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + QStringLiteral("/settings"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root + QStringLiteral("/settings"));
    QSettings(QStringLiteral("Quillet"), QStringLiteral("Quillet")).setValue(QStringLiteral("Settings/HistoryKeep"), 3);
    // The program's folder on a small disk of its own, so that a full disk is a real one;
    // where that cannot be made, saves are refused in the program's save instead.
    QDir().mkpath(root + QStringLiteral("/app"));
    if (!args.isSet(QStringLiteral("resume")))
        QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                   QStringLiteral("size=64m"), QStringLiteral("tmpfs"), root + QStringLiteral("/app")});
    const QString assets = qEnvironmentVariable("QUILLET_ASSETS", QCoreApplication::applicationDirPath());
    for (const char *name : {"IMG0-31.jpg", "IMG128-150.jpg", "IMG2350-52.jpg", "NO.ICO", "NONE.jpg", "START.jpg",
                             "program icon.ico", "HELP.HLP"})
        QFile::copy(assets + QLatin1Char('/') + QLatin1String(name), root + QStringLiteral("/app/") + QLatin1String(name));

    const quint64 seed = args.value(QStringLiteral("seed")).toULongLong();
    const int steps = args.value(QStringLiteral("steps")).toInt();
    int first = args.value(QStringLiteral("first")).toInt();
    const int last = args.value(QStringLiteral("last")).toInt();
    QString fileText;
    if (args.isSet(QStringLiteral("file"))) {
        QFile in(args.value(QStringLiteral("file")));
        in.open(QIODevice::ReadOnly);
        fileText = QString::fromUtf8(in.readAll());
    }
    Runner runner(root, rules);
    const bool trace = qEnvironmentVariableIsSet("QUILLET_SEQUENCES_TRACE");
    int resumeAt = -1;
    Model resumed;
    Sequence resumedSeq;
    if (args.isSet(QStringLiteral("resume"))) {
        QFile in(args.value(QStringLiteral("resume")));
        in.open(QIODevice::ReadOnly);
        QDataStream s(&in);
        QString text;
        s >> first >> resumeAt >> text >> resumed;
        resumedSeq = fromText(text);
    }
    for (int i = first; i <= last; ++i) {
        const Sequence s = resumeAt >= 0 ? resumedSeq : args.isSet(QStringLiteral("file")) ? fromText(fileText)
                                                                                        : generate(seed, i, steps, rules);
        say(QStringLiteral("begin %1").arg(i));
        Failure f;
        int k = resumeAt >= 0 ? resumeAt : 0;
        bool good = resumeAt >= 0 ? runner.resume(resumed, s[k++], &f) : runner.start(&f);
        resumeAt = -1;
        for (; good && k < s.size(); ++k) {
            say(QStringLiteral("step %1 %2").arg(i).arg(k));
            if (s[k].kind == QLatin1String("kill")) {
                const QString state = root + QStringLiteral("/kill.state");
                QFile out(state);
                out.open(QIODevice::WriteOnly);
                QDataStream d(&out);
                d << i << k << toText(s) << runner.model();
                out.close();
                runner.calm();
                say(QStringLiteral("kill %1 %2").arg(s[k][QStringLiteral("ms")]).arg(state));
                awaitKill();
            }
            QElapsedTimer took;
            took.start();
            good = runner.run(s[k], &f);
            if (trace)
                std::fprintf(stderr, "%5lld ms  %s", took.elapsed(), qPrintable(toText({s[k]})));
        }
        say(good ? QStringLiteral("pass %1").arg(i) : QStringLiteral("fail %1 %2 %3 %4").arg(i).arg(k - 1).arg(f.rule, f.text));
    }
    say(QStringLiteral("end"));
    return 0;
}

// ---------------------------------------------------------------------------------------
// The supervisor: starts workers, kills them when a step asks, notices crashes and hangs.

struct Outcome {
    bool passed = false;
    int step = -1;
    QString rule;
    QString text;
};

class Supervisor {
public:
    QStringList common;   // --relax and --steps for every worker
    long long steps = 0;

    // Runs sequences first..last of a worker's kind; `done` hears of each.
    void chain(const QStringList &kind, int first, int last, const std::function<void(int, const Outcome &)> &done)
    {
        QTemporaryDir root;
        QStringList resume;
        int current = first - 1, step = -1;
        while (current < last) {
            QProcess p;
            p.setProcessChannelMode(QProcess::SeparateChannels);
            p.start(QCoreApplication::applicationFilePath(),
                    QStringList{QStringLiteral("--worker"), QStringLiteral("--root"), root.path(), QStringLiteral("--first"),
                                QString::number(current + 1), QStringLiteral("--last"), QString::number(last)} +
                        common + kind + resume);
            resume.clear();
            const int started = current;
            QByteArray errors;
            QString ending;
            while (ending.isEmpty()) {
                if (!p.canReadLine() && !p.waitForReadyRead(60000)) {
                    if (p.state() == QProcess::Running) {
                        p.kill();
                        ending = QStringLiteral("hang");
                    } else {
                        ending = QStringLiteral("crash");
                    }
                    break;
                }
                errors = (errors + p.readAllStandardError()).right(2000);
                while (p.canReadLine()) {
                    const QStringList w = QString::fromUtf8(p.readLine()).trimmed().split(QLatin1Char(' '));
                    if (w[0] == QLatin1String("begin")) {
                        current = w[1].toInt();
                        step = -1;
                    } else if (w[0] == QLatin1String("step")) {
                        step = w[2].toInt();
                        ++steps;
                    } else if (w[0] == QLatin1String("pass")) {
                        done(current, {true, -1, {}, {}});
                    } else if (w[0] == QLatin1String("fail")) {
                        done(current, {false, w[2].toInt(), w[3], w.mid(4).join(QLatin1Char(' '))});
                    } else if (w[0] == QLatin1String("kill")) {
                        // A kill at its moment; the next worker takes over where this one was.
                        QThread::msleep(static_cast<unsigned long>(w[1].toInt()));
                        p.kill();
                        resume = {QStringLiteral("--resume"), w[2]};
                        --current;
                        ending = QStringLiteral("killed");
                        break;
                    } else if (w[0] == QLatin1String("end")) {
                        ending = QStringLiteral("end");
                        current = last;
                        break;
                    }
                }
            }
            p.waitForFinished(30000);
            errors += p.readAllStandardError();
            // A sanitizer's report at the worker's exit (leaks) shows only in its status.
            if (ending == QLatin1String("end") && (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)) {
                ending = QStringLiteral("crash");
                current = std::max(current, started + 1);
            }
            if (ending != QLatin1String("killed"))
                QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), root.path() + QStringLiteral("/app")});
            if (ending == QLatin1String("crash") || ending == QLatin1String("hang")) {
                if (current == started)   // not even one sequence began: it will not go better
                    current = started + 1;
                done(current, {false, step, ending, QString::fromLocal8Bit(errors.right(600)).simplified()});
            }
        }
    }

    Outcome runOne(const Sequence &s, const QString &relax = {})
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("one.seq"));
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(toText(s).toUtf8());
        out.close();
        Outcome result{false, -1, QStringLiteral("lost"), {}};
        QStringList kind{QStringLiteral("--file"), file};
        if (!relax.isEmpty())
            kind << QStringLiteral("--relax") << relax;
        chain(kind, 0, 0, [&result](int, const Outcome &o) { result = o; });
        return result;
    }

    // The shortest sequence found that still breaks the same rule; empty when it does not
    // break it on its own.
    Sequence shrink(Sequence s, const Outcome &failure)
    {
        auto fails = [&](const Sequence &c) {
            const Outcome o = runOne(c);
            return !o.passed && o.rule == failure.rule;
        };
        if (failure.step >= 0 && fails(s.mid(0, failure.step + 1)))
            s = s.mid(0, failure.step + 1);
        else if (!fails(s))
            return {};
        for (qsizetype chunk = s.size() / 2; chunk >= 1; chunk /= 2) {
            for (qsizetype i = 0; i + chunk <= s.size();) {
                Sequence c = s;
                c.remove(i, chunk);
                if (!c.isEmpty() && fails(c))
                    s = c;
                else
                    i += chunk;
            }
        }
        // Editor steps with fewer edits.
        for (Step &step : s) {
            for (auto &[k, v] : step.params) {
                while (k == QLatin1String("n") && v > 1) {
                    --v;
                    if (!fails(s)) {
                        ++v;
                        break;
                    }
                }
            }
        }
        return s;
    }
};

QStringList neededRules(const QString &text)
{
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("# needs:")))
            return line.mid(8).simplified().split(QLatin1Char(','), Qt::SkipEmptyParts);
    return {};
}

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions({{QStringLiteral("count"), QStringLiteral("Sequences to run (default 20)."), QStringLiteral("n"), QStringLiteral("20")},
                     {QStringLiteral("seed"), QStringLiteral("Seed (default: a fresh one)."), QStringLiteral("n")},
                     {QStringLiteral("steps"), QStringLiteral("Steps a sequence, about (default 30)."), QStringLiteral("n"), QStringLiteral("30")},
                     {QStringLiteral("relax"), QStringLiteral("Rules left out, or \"none\"."), QStringLiteral("rules"), QLatin1String(Waiting)},
                     {QStringLiteral("keep"), QStringLiteral("Where shrunk failures are kept."), QStringLiteral("dir")},
                     {QStringLiteral("replay"), QStringLiteral("Replays the kept sequences of a folder."), QStringLiteral("dir")},
                     {QStringLiteral("worker"), QStringLiteral("(internal)")},
                     {QStringLiteral("root"), QStringLiteral("(internal)"), QStringLiteral("dir")},
                     {QStringLiteral("first"), QStringLiteral("(internal)"), QStringLiteral("n")},
                     {QStringLiteral("last"), QStringLiteral("(internal)"), QStringLiteral("n")},
                     {QStringLiteral("file"), QStringLiteral("(internal)"), QStringLiteral("file")},
                     {QStringLiteral("resume"), QStringLiteral("(internal)"), QStringLiteral("file")}});
    args.process(app);
    Rules rules;
    if (args.value(QStringLiteral("relax")) != QLatin1String("none"))
        for (const QString &r : args.value(QStringLiteral("relax")).split(QLatin1Char(','), Qt::SkipEmptyParts))
            rules.relaxed << r;
    if (args.isSet(QStringLiteral("worker")))
        return worker(args, rules);

    Supervisor sup;
    sup.common = {QStringLiteral("--relax"), args.value(QStringLiteral("relax")), QStringLiteral("--steps"),
                  args.value(QStringLiteral("steps"))};
    QElapsedTimer clock;
    clock.start();

    if (args.isSet(QStringLiteral("replay"))) {
        const QDir dir(args.value(QStringLiteral("replay")));
        int failed = 0;
        for (const QString &name : dir.entryList({QStringLiteral("*.seq")}, QDir::Files, QDir::Name)) {
            QFile in(dir.filePath(name));
            in.open(QIODevice::ReadOnly);
            const QString text = QString::fromUtf8(in.readAll());
            QStringList waiting;
            for (const QString &r : neededRules(text))
                if (!rules.on(qPrintable(r)))
                    waiting << r;
            if (!waiting.isEmpty()) {
                say(QStringLiteral("skip %1 (waits for: %2)").arg(name, waiting.join(QLatin1Char(','))));
                continue;
            }
            const Outcome o = sup.runOne(fromText(text));
            say(o.passed ? QStringLiteral("pass %1").arg(name)
                         : QStringLiteral("FAIL %1 at step %2: %3: %4").arg(name).arg(o.step).arg(o.rule, o.text));
            failed += o.passed ? 0 : 1;
        }
        return failed == 0 ? 0 : 1;
    }

    const quint64 seed = args.isSet(QStringLiteral("seed")) ? args.value(QStringLiteral("seed")).toULongLong()
                                                            : std::random_device{}();
    const int count = args.value(QStringLiteral("count")).toInt();
    say(QStringLiteral("seed %1, %2 sequences of about %3 steps").arg(seed).arg(count).arg(args.value(QStringLiteral("steps"))));
    QList<QPair<int, Outcome>> failures;
    int passed = 0;
    sup.chain({QStringLiteral("--seed"), QString::number(seed)}, 0, count - 1, [&](int i, const Outcome &o) {
        if (o.passed) {
            ++passed;
            return;
        }
        failures.append({i, o});
        say(QStringLiteral("FAIL sequence %1 at step %2: %3: %4").arg(i).arg(o.step).arg(o.rule, o.text));
    });
    const double seconds = clock.elapsed() / 1000.0;
    say(QStringLiteral("%1 sequences, %2 steps in %3 s: %4 steps a second; %5 passed, %6 failed")
            .arg(count).arg(sup.steps).arg(seconds, 0, 'f', 1).arg(sup.steps / seconds, 0, 'f', 1).arg(passed)
            .arg(failures.size()));

    for (const auto &[i, o] : failures) {
        const Sequence shrunk = sup.shrink(generate(seed, i, args.value(QStringLiteral("steps")).toInt(), rules), o);
        if (shrunk.isEmpty()) {
            say(QStringLiteral("sequence %1 does not fail when run on its own").arg(i));
            continue;
        }
        // The waiting rules it shows a fault of: with one of them left out, it passes.
        QStringList needs;
        for (const QString &r : QString::fromLatin1(Switchable).split(QLatin1Char(',')))
            if (rules.on(qPrintable(r)) && sup.runOne(shrunk, QStringList(rules.relaxed.values() << r).join(QLatin1Char(','))).passed)
                needs << r;
        const QString text = QStringLiteral("# %1: %2\n# found by seed %3, sequence %4\n# needs: %5\n")
                                 .arg(o.rule, o.text).arg(seed).arg(i).arg(needs.join(QLatin1Char(','))) + toText(shrunk);
        say(QStringLiteral("sequence %1 shrunk to %2 steps:\n%3").arg(i).arg(shrunk.size()).arg(text));
        if (args.isSet(QStringLiteral("keep"))) {
            QDir().mkpath(args.value(QStringLiteral("keep")));
            QFile out(QDir(args.value(QStringLiteral("keep"))).filePath(QStringLiteral("%1-%2-%3.seq").arg(o.rule).arg(seed).arg(i)));
            if (out.open(QIODevice::WriteOnly))
                out.write(text.toUtf8());
        }
    }
    return failures.isEmpty() ? 0 : 1;
}
