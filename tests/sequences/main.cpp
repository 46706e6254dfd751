// Random sequences of a user's actions on the real main window, each step checked against
// a model of what must hold. The sequences run in a worker process, so that a crash, a
// hang or a kill on purpose ends only the worker; a failing sequence is shrunk to the
// shortest that still fails the same rule and kept as a file that the suite replays.
//
//   sequences [--count N] [--seed S] [--steps N] [--jobs N] [--keep DIR]
//   sequences --replay DIR

#include "Runner.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QMutex>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <functional>
#include <random>
#include <thread>

using namespace seq;

namespace {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString readText(const QString &path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

// The worker: runs sequences in this process and says how each went, one line each. At a
// kill it puts down the model and waits to be killed; the next worker resumes from there.
int worker(const QCommandLineParser &args)
{
    const QString root = args.value(u"root"_s), app = root + u"/app"_s;
    // Nothing of the user's own: the per-user folders are the worker's.
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + u"/home"_s));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + u"/settings"_s);
    QSettings(u"Quillet"_s, u"Quillet"_s).setValue(u"Settings/HistoryKeep"_s, 3);
    // The program's folder on a small disk of its own, so that a full disk is a real one.
    QDir().mkpath(app);
    if (!args.isSet(u"resume"_s))
        QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=16m"_s, u"tmpfs"_s, app});
    const QString assets = qEnvironmentVariable("QUILLET_ASSETS", QCoreApplication::applicationDirPath());
    for (const QString &name : {u"IMG0-31.jpg"_s, u"IMG128-150.jpg"_s, u"IMG2350-52.jpg"_s, u"NO.ICO"_s, u"NONE.jpg"_s,
                                u"program icon.ico"_s, u"HELP.HLP"_s})
        QFile::copy(assets + u'/' + name, app + u'/' + name);

    const auto runner = Runner::create(root);
    int first = args.value(u"first"_s).toInt(), k = -1;
    const int steps = args.value(u"steps"_s).toInt();
    Model resumed;
    QString resumedText;
    if (args.isSet(u"resume"_s)) {
        QFile in(args.value(u"resume"_s));
        in.open(QIODevice::ReadOnly);
        QDataStream state(&in);
        state >> first >> k >> resumedText >> resumed;
    }
    for (int i = first; i <= args.value(u"last"_s).toInt(); ++i) {
        const Sequence s = k >= 0                     ? fromText(resumedText)
                           : args.isSet(u"file"_s) ? fromText(readText(args.value(u"file"_s)))
                                                   : generate(args.value(u"seed"_s).toULongLong(), i, steps);
        say(u"begin %1"_s.arg(i));
        Failure f;
        bool good = k >= 0 ? runner->resume(resumed, s[k++], &f) : (k = 0, runner->start(&f));
        for (; good && k < s.size(); ++k) {
            say(u"step %1 %2"_s.arg(i).arg(k));
            // A kill makes its edits first, if it has any, and comes when they stand.
            good = runner->run(s[k], &f);
            if (good && s[k].kind == u"kill") {
                QFile out(root + u"/kill.state"_s);
                out.open(QIODevice::WriteOnly);
                QDataStream state(&out);
                state << i << k << toText(s) << runner->model();
                out.close();
                runner->calm();
                say(u"kill %1 %2"_s.arg(s[k]("ms")).arg(out.fileName()));
                for (;;)
                    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
            }
        }
        say(good ? u"pass %1"_s.arg(i) : u"fail %1 %2 %3 %4"_s.arg(i).arg(k - 1).arg(f.rule, f.text));
        k = -1;
    }
    say(u"end"_s);
    return 0;
}

struct Outcome { bool passed = false; int step = -1; QString rule, text; };

// The supervisor: starts workers, kills them when a step asks, notices crashes and hangs.
struct Supervisor {
    QStringList common;   // --steps for every worker
    std::atomic<long long> steps = 0;

    // Runs sequences first..last of a worker's kind; `done` hears of each.
    void chain(const QStringList &kind, int first, int last, const std::function<void(int, const Outcome &)> &done)
    {
        QTemporaryDir root;
        QStringList resume;
        int current = first - 1, step = -1;
        while (current < last) {
            QProcess p;
            p.start(QCoreApplication::applicationFilePath(), QStringList{u"--worker"_s, u"--root"_s, root.path(), u"--first"_s,
                                                                        QString::number(current + 1), u"--last"_s,
                                                                        QString::number(last)} + common + kind + resume);
            resume.clear();
            const int started = current;
            QByteArray errors;
            QString ending;
            while (ending.isEmpty()) {
                if (!p.canReadLine() && !p.waitForReadyRead(60000)) {
                    ending = p.state() == QProcess::Running ? u"hang"_s : u"crash"_s;
                    p.kill();
                }
                errors = (errors + p.readAllStandardError()).right(2000);
                while (ending.isEmpty() && p.canReadLine()) {
                    const QStringList w = QString::fromUtf8(p.readLine()).trimmed().split(u' ');
                    if (w[0] == u"begin")
                        current = w[1].toInt(), step = -1;
                    else if (w[0] == u"step")
                        step = w[2].toInt(), ++steps;
                    else if (w[0] == u"pass" || w[0] == u"fail")
                        done(current, {w[0] == u"pass", w.value(2).toInt(), w.value(3), w.mid(4).join(u' ')});
                    else if (w[0] == u"end")
                        ending = w[0], current = last;
                    else if (w[0] == u"kill") {
                        // A kill at its moment; the next worker takes over where this one was.
                        QThread::msleep(w[1].toULong());
                        p.kill();
                        resume = {u"--resume"_s, w[2]};
                        ending = w[0], --current;
                    }
                }
            }
            p.waitForFinished(30000);
            errors += p.readAllStandardError();
            // A sanitizer's report at the worker's exit (leaks) shows only in its status.
            if (ending == u"end" && (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0))
                ending = u"crash"_s;
            if (ending != u"kill")
                QProcess::execute(u"umount"_s, {u"-l"_s, root.path() + u"/app"_s});
            if (ending == u"crash" || ending == u"hang") {
                current = std::max(current, started + 1);   // not even one began: it will not go better
                done(current, {false, step, ending, QString::fromLocal8Bit(errors.right(600)).simplified()});
            }
        }
    }

    Outcome runOne(const Sequence &s)
    {
        QTemporaryDir dir;
        QFile out(dir.filePath(u"one.seq"_s));
        out.open(QIODevice::WriteOnly);
        out.write(toText(s).toUtf8());
        out.close();
        Outcome result{false, -1, u"lost"_s, {}};
        chain({u"--file"_s, out.fileName()}, 0, 0, [&result](int, const Outcome &o) { result = o; });
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
        for (Step &step : s)
            for (auto &[k, v] : step.params)
                while (k == u"n" && v > 1 && (--v, fails(s) || (++v, false))) {
                }
        return s;
    }
};

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions({{u"count"_s, u"Sequences to run."_s, u"n"_s, u"20"_s},
                     {u"seed"_s, u"Seed; a fresh one by default."_s, u"n"_s},
                     {u"steps"_s, u"Steps a sequence, about."_s, u"n"_s, u"30"_s},
                     {u"keep"_s, u"Where shrunk failures are kept."_s, u"dir"_s},
                     {u"jobs"_s, u"Workers side by side."_s, u"n"_s, u"1"_s},
                     {u"replay"_s, u"Replays the kept sequences of a folder."_s, u"dir"_s}});
    for (const QString &internal : {u"root"_s, u"first"_s, u"last"_s, u"file"_s, u"resume"_s})
        args.addOption({internal, u"(internal)"_s, u"x"_s});
    args.addOption({u"worker"_s, u"(internal)"_s});
    args.process(app);
    if (args.isSet(u"worker"_s))
        return worker(args);

    Supervisor sup;
    sup.common = {u"--steps"_s, args.value(u"steps"_s)};
    if (args.isSet(u"replay"_s)) {
        const QDir dir(args.value(u"replay"_s));
        int failed = 0;
        for (const QString &name : dir.entryList({u"*.seq"_s}, QDir::Files, QDir::Name)) {
            const Outcome o = sup.runOne(fromText(readText(dir.filePath(name))));
            say(o.passed ? u"pass "_s + name : u"FAIL %1 at step %2: %3: %4"_s.arg(name).arg(o.step).arg(o.rule, o.text));
            failed += o.passed ? 0 : 1;
        }
        return failed ? 1 : 0;
    }

    const quint64 seed = args.isSet(u"seed"_s) ? args.value(u"seed"_s).toULongLong() : std::random_device{}();
    const int count = args.value(u"count"_s).toInt(), steps = args.value(u"steps"_s).toInt();
    say(u"seed %1, %2 sequences of about %3 steps"_s.arg(seed).arg(count).arg(steps));
    QElapsedTimer clock;
    clock.start();
    QList<QPair<int, Outcome>> failures;
    // Workers side by side, each on its share of the sequences.
    const int jobs = std::clamp(args.value(u"jobs"_s).toInt(), 1, 16);
    QMutex lock;
    std::vector<std::thread> threads;
    for (int j = 0; j < jobs; ++j)
        threads.emplace_back([&, j] {
            sup.chain({u"--seed"_s, QString::number(seed)}, count * j / jobs, count * (j + 1) / jobs - 1,
                      [&](int i, const Outcome &o) {
                          const QMutexLocker locked(&lock);
                          if (!o.passed)
                              failures.append({i, o}), say(u"FAIL sequence %1 at step %2: %3: %4"_s.arg(i).arg(o.step)
                                                                .arg(o.rule, o.text));
                      });
        });
    for (std::thread &t : threads)
        t.join();
    const double seconds = clock.elapsed() / 1000.0, stepsRun = double(sup.steps);
    say(u"%1 sequences, %2 steps in %3 s: %4 steps a second; %5 passed, %6 failed"_s.arg(count).arg(stepsRun)
            .arg(seconds, 0, 'f', 1).arg(stepsRun / seconds, 0, 'f', 1).arg(count - failures.size()).arg(failures.size()));

    for (const auto &[i, o] : failures) {
        const Sequence shrunk = sup.shrink(generate(seed, i, steps), o);
        if (shrunk.isEmpty()) {
            say(u"sequence %1 does not fail when run on its own"_s.arg(i));
            continue;
        }
        const QString text = u"# %1: %2\n# found by seed %3, sequence %4\n"_s.arg(o.rule, o.text).arg(seed).arg(i)
                             + toText(shrunk);
        say(u"sequence %1 shrunk to %2 steps:\n"_s.arg(i).arg(shrunk.size()) + text);
        if (args.isSet(u"keep"_s) && QDir().mkpath(args.value(u"keep"_s))) {
            QFile out(QDir(args.value(u"keep"_s)).filePath(u"%1-%2-%3.seq"_s.arg(o.rule).arg(seed).arg(i)));
            if (out.open(QIODevice::WriteOnly))
                out.write(text.toUtf8());
        }
    }
    return failures.isEmpty() ? 0 : 1;
}
