// Recovery copies of unsaved work: what a session that ends without Exit leaves behind,
// and what the next start makes of it.

#include "app/DocumentRecovery.h"
#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/DataFile.h"
#include "core/ModelFile.h"
#include "core/RecoveryFile.h"
#include "support/AppTestSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

const QString Question = QStringLiteral("Quillet did not close normally. Restore the unsaved changes to %1?");

// What the timer page's OK leaves in the buffers: one timer set to 17:42.
void timerEdit(TimerWorkset &t)
{
    t.TimerBuf[2][3] = 17;
    t.TimerBuf[2][4] = 42;
}

void labelEdit(DeviceWorkset &dev)
{
    dev.DevLabelBuf[1][40] = 'Q';
}

QStringList filesIn(const QString &folder, const QString &pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files);
}

// A program folder with a data file and a model file, and its own recovery folder.
struct Place {
    QString root;
    QString path(const char *relative) const { return QDir::toNativeSeparators(root + QLatin1Char('/') + QLatin1String(relative)); }
    QString appDir() const { return path("app"); }
    QString recovery() const { return path("Recovery"); }
    QString dataFile() const { return path("app/DATA/Living.DAT"); }
    QString modelFile() const { return path("app/MODEL/Tv.MOD"); }
    QStringList copies() const { return filesIn(recovery(), QStringLiteral("*.rec")); }

    void make() const
    {
        QDir().mkpath(path("app/DATA"));
        QDir().mkpath(path("app/MODEL"));
        saveImage(dataFile(), [](MemoryImage &image) {
            standardImage(image);
            // Bytes far out too, in the blocks nothing interprets.
            for (int i = 200 * MemoryImage::PageSize; i < MemoryImage::TotalBytes; i += 97)
                image.data()[i] = static_cast<std::uint8_t>(i / 97);
        });
        DeviceWorkset dev;
        for (int i = 0; i < 48; ++i)
            dev.DevSlotBuf[i / 12][i % 12] = static_cast<Byte>(i * 5);
        writeFile(modelFile(), modelFileBytes(dev));
        // With its icon there, start-up asks nothing but the question.
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        icon.save(path("app/program icon.ico"), "ICO");
    }
};

std::unique_ptr<frmMain> startSession(Globals &g, UiServices &ui, const Place &place)
{
    StartupOptions options;
    options.appDir = place.appDir();
    options.showSplash = false;
    options.recoveryDir = place.recovery();
    auto w = runStartup(g, ui, options);
    w->hooks.showEditPlus = [&g] {
        timerEdit(g);
        g.EditResult = 255;
    };
    w->hooks.showEditKey = [&g] {
        labelEdit(g);
        g.EditResult = 255;
    };
    return w;
}

DocumentRecovery *recoveryOf(frmMain &w)
{
    auto *r = w.findChild<DocumentRecovery *>();
    r->delayMs = 0;
    return r;
}

QStringList questions(const ScriptedUiServices &ui)
{
    return ui.texts().filter(QStringLiteral("did not close normally"));
}

// The child of killedSessionIsRestoredByteForByte: opens the data file, edits a timer,
// says so and waits to be killed.
int killedSession(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const Place place{QString::fromLocal8Bit(argv[2])};
    isolateSettings(place.path("settings"));
    auto *g = new Globals;   // a killed process frees nothing
    auto *ui = new ScriptedUiServices;
    frmMain *w = startSession(*g, *ui, place).release();
    ui->answerFile(place.dataFile());
    w->action(QStringLiteral("mnuFileOpenDATA"))->trigger();
    w->action(QStringLiteral("mnuTimer"))->trigger();
    std::printf("edited %d\n", g->Modified);
    std::fflush(stdout);
    return app.exec();
}

}  // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void killedSessionIsRestoredByteForByte();
    void modelComesBackAsTheModel();
    void noDeletesAndADamagedCopyIsSetAside();
    void savedReplacedOrLeftWorkLeavesNoCopy();
    void copyThatCannotBeWrittenIsReportedOnce();

private:
    QTemporaryDir settings_;
};

void TestRecovery::initTestCase()
{
    isolateSettings(settings_.path());
}

void TestRecovery::killedSessionIsRestoredByteForByte()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--killed-session"), place.root});
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine(), 20000);
    QCOMPARE(child.readLine().trimmed(), QByteArray("edited 1"));
    QTRY_COMPARE_WITH_TIMEOUT(place.copies().size(), 1, 10000);

    {
        // Another Quillet started meanwhile leaves the running session's copy alone.
        Globals g;
        ScriptedUiServices ui;
        auto w = startSession(g, ui, place);
        QVERIFY(questions(ui).isEmpty());
        QCOMPARE(place.copies().size(), 1);
    }

    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    Globals g;
    ScriptedUiServices ui;
    ui.answer(answer::Yes);
    auto w = startSession(g, ui, place);
    QCOMPARE(questions(ui), QStringList{Question.arg(QStringLiteral("Living.DAT"))});
    QCOMPARE(ui.shown.constLast().buttons, MsgButtons::YesNo);

    auto expected = std::make_unique<MemoryImage>();
    QVERIFY(LOAD_DATA_FILE(place.dataFile(), *expected, nullptr));
    TimerWorkset timers;
    ReadTimers(*expected, timers);
    timerEdit(timers);
    WriteTimers(*expected, timers);
    QVERIFY(std::memcmp(g.Image.data(), expected->data(), MemoryImage::TotalBytes) == 0);
    QCOMPARE(g.LoadedKind, 1);
    QCOMPARE(g.Modified, 1);
    QCOMPARE(g.CurrentFile, place.dataFile());
    QCOMPARE(w->windowTitle(), QStringLiteral("Quillet  [") + place.dataFile() + QLatin1Char(']'));
    QCOMPARE(listTexts(w->ListView1), QStringList({"MENU", "TV", "DVD", "AMP"}));
    QVERIFY(actionEnabled(w.get(), "mnuTimer"));
    // The restored work is guarded as the session goes on; the killed one's lock is gone.
    QCOMPARE(place.copies().size(), 1);
    QCOMPARE(filesIn(place.recovery(), QStringLiteral("*.lock")).size(), 1);
}

void TestRecovery::modelComesBackAsTheModel()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    QByteArray expected;
    {
        Globals g;
        ScriptedUiServices ui;
        auto w = startSession(g, ui, place);
        recoveryOf(*w);
        ui.answerFile(place.modelFile());
        TRIGGER(w.get(), "mnuFileOpenMODEL");
        TRIGGER(w.get(), "mnuKeyEdit");
        expected = modelFileBytes(g);
        QTRY_COMPARE(place.copies().size(), 1);
        // The window goes without Exit.
    }
    Globals g;
    ScriptedUiServices ui;
    ui.answer(answer::Yes);
    auto w = startSession(g, ui, place);
    QCOMPARE(questions(ui), QStringList{Question.arg(QStringLiteral("Tv.MOD"))});
    QCOMPARE(modelFileBytes(g), expected);
    QCOMPARE(g.LoadedKind, 2);
    QCOMPARE(g.Modified, 1);
    QCOMPARE(g.CurrentFile, place.modelFile());
    QCOMPARE(listTexts(w->ListView1), QStringList{"MODEL"});
    QVERIFY(!actionEnabled(w.get(), "mnuTimer"));
}

void TestRecovery::noDeletesAndADamagedCopyIsSetAside()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    RecoveryCopy copy;
    copy.loadedKind = 1;
    copy.document = QByteArray(MemoryImage::TotalBytes, '\x5A');
    const QByteArray good = recoveryBytes(copy);
    QByteArray bad = good;
    bad[bad.size() / 2] = static_cast<char>(bad[bad.size() / 2] ^ 1);   // one bit gone bad
    QDir().mkpath(place.recovery());
    const QString damaged = place.recovery() + QStringLiteral("/left.rec");
    QVERIFY(writeFile(damaged, bad));
    QVERIFY(writeFile(place.recovery() + QStringLiteral("/other.rec"), good));
    // The newest is looked at first: the question, then the damaged one.
    QFile older(damaged);
    QVERIFY(older.open(QIODevice::ReadWrite)
            && older.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    older.close();

    Globals g;
    ScriptedUiServices ui;
    ui.answer(answer::No);
    auto w = startSession(g, ui, place);
    const QStringList warnings = ui.texts().filter(QStringLiteral("recovery copy"));
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].contains(QDir::toNativeSeparators(damaged)) && warnings[0].contains(QStringLiteral("checksum")),
             qPrintable(warnings[0]));
    QCOMPARE(questions(ui), QStringList{Question.arg(QStringLiteral("the downloaded memory"))});
    // The good copy is deleted, the damaged one set aside, not deleted; nothing is loaded.
    QVERIFY(place.copies().isEmpty());
    QCOMPARE(readFile(damaged + QStringLiteral(".damaged")), bad);
    QCOMPARE(g.LoadedKind, 0);
    QCOMPARE(w->windowTitle(), QStringLiteral("Quillet"));

    Globals again;
    ScriptedUiServices ui2;
    auto w2 = startSession(again, ui2, place);
    QVERIFY(ui2.texts().filter(QRegularExpression(QStringLiteral("recovery copy|did not close"))).isEmpty());
}

void TestRecovery::savedReplacedOrLeftWorkLeavesNoCopy()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    Globals g;
    ScriptedUiServices ui;
    auto w = startSession(g, ui, place);
    recoveryOf(*w);
    ui.answerFile(place.dataFile());
    TRIGGER(w.get(), "mnuFileOpenDATA");
    QCOMPARE(g.Modified, 0);
    QTest::qWait(20);
    QVERIFY(place.copies().isEmpty());   // nothing unsaved, nothing kept

    TRIGGER(w.get(), "mnuTimer");
    QTRY_COMPARE(place.copies().size(), 1);
    TRIGGER(w.get(), "mnuFileSave");
    QTRY_VERIFY(place.copies().isEmpty());

    // No, then a cancelled file dialog: the work is still in the window, and so guarded.
    TRIGGER(w.get(), "mnuTimer");
    QTRY_COMPARE(place.copies().size(), 1);
    ui.answer(answer::No);
    TRIGGER(w.get(), "mnuFileOpenDATA");
    QCOMPARE(g.Modified, 1);
    QCOMPARE(place.copies().size(), 1);
    // No, then another document.
    ui.answer(answer::No);
    ui.answerFile(place.modelFile());
    TRIGGER(w.get(), "mnuFileOpenMODEL");
    QCOMPARE(g.LoadedKind, 2);
    QTRY_VERIFY(place.copies().isEmpty());

    TRIGGER(w.get(), "mnuKeyEdit");
    QTRY_COMPARE(place.copies().size(), 1);
    ui.answer(answer::No);
    TRIGGER(w.get(), "mnuFileClose");
    QVERIFY(w->hasExited());
    QVERIFY(QDir(place.recovery()).entryList(QDir::Files).isEmpty());
}

void TestRecovery::copyThatCannotBeWrittenIsReportedOnce()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    QVERIFY(writeFile(place.recovery(), "a file where the folder belongs"));
    Globals g;
    ScriptedUiServices ui;
    auto w = startSession(g, ui, place);
    recoveryOf(*w);
    ui.answerFile(place.dataFile());
    TRIGGER(w.get(), "mnuFileOpenDATA");
    const QString caption = w->windowTitle();
    ui.clear();
    for (int i = 0; i < 3; ++i) {
        TRIGGER(w.get(), "mnuTimer");
        QTest::qWait(20);
    }
    QCOMPARE(ui.shown.size(), 1);
    QCOMPARE(ui.shown[0].title, QStringLiteral("Warning"));
    QVERIFY2(ui.shown[0].text.contains(QStringLiteral("Recovery")), qPrintable(ui.shown[0].text));
    QCOMPARE(g.Modified, 1);
    QCOMPARE(w->windowTitle(), caption);
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--killed-session") == 0)
        return killedSession(argc, argv);
    QApplication app(argc, argv);
    TestRecovery test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
