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

// A start of Quillet over the place, the start-up question answered as given; its copies
// are written at once.
struct Session {
    Globals g;
    ScriptedUiServices ui;
    std::unique_ptr<frmMain> w;

    explicit Session(const Place &place, int answer = 0)
    {
        if (answer)
            ui.answer(answer);
        w = startSession(g, ui, place);
        w->findChild<DocumentRecovery *>()->delayMs = 0;
    }
};

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
    void exitWhileACopyIsWrittenLeavesNone();
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
        Session s(place);
        QVERIFY(questions(s.ui).isEmpty());
        QCOMPARE(place.copies().size(), 1);
    }

    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    Session s(place, answer::Yes);
    QCOMPARE(questions(s.ui), QStringList{Question.arg(QStringLiteral("Living.DAT"))});
    QCOMPARE(s.ui.shown.constLast().buttons, MsgButtons::YesNo);

    auto expected = std::make_unique<MemoryImage>();
    QVERIFY(LOAD_DATA_FILE(place.dataFile(), *expected, nullptr));
    TimerWorkset timers;
    ReadTimers(*expected, timers);
    timerEdit(timers);
    WriteTimers(*expected, timers);
    QVERIFY(std::memcmp(s.g.Image.data(), expected->data(), MemoryImage::TotalBytes) == 0);
    QCOMPARE(s.g.LoadedKind, 1);
    QCOMPARE(s.g.Modified, 1);
    QCOMPARE(s.g.CurrentFile, place.dataFile());
    QCOMPARE(s.w->windowTitle(), QStringLiteral("Quillet  [") + place.dataFile() + QLatin1Char(']'));
    QCOMPARE(listTexts(s.w->ListView1), QStringList({"MENU", "TV", "DVD", "AMP"}));
    QVERIFY(actionEnabled(s.w.get(), "mnuTimer"));
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
        Session s(place);
        s.ui.answerFile(place.modelFile());
        TRIGGER(s.w.get(), "mnuFileOpenMODEL");
        TRIGGER(s.w.get(), "mnuKeyEdit");
        expected = modelFileBytes(s.g);
        QTRY_COMPARE(place.copies().size(), 1);
        // The window goes without Exit.
    }
    Session s(place, answer::Yes);
    QCOMPARE(questions(s.ui), QStringList{Question.arg(QStringLiteral("Tv.MOD"))});
    QCOMPARE(modelFileBytes(s.g), expected);
    QCOMPARE(s.g.LoadedKind, 2);
    QCOMPARE(s.g.Modified, 1);
    QCOMPARE(s.g.CurrentFile, place.modelFile());
    QCOMPARE(listTexts(s.w->ListView1), QStringList{"MODEL"});
    QVERIFY(!actionEnabled(s.w.get(), "mnuTimer"));
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

    Session s(place, answer::No);
    const QStringList warnings = s.ui.texts().filter(QStringLiteral("recovery copy"));
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].contains(QDir::toNativeSeparators(damaged)) && warnings[0].contains(QStringLiteral("checksum")),
             qPrintable(warnings[0]));
    QCOMPARE(questions(s.ui), QStringList{Question.arg(QStringLiteral("the downloaded memory"))});
    // The good copy is deleted, the damaged one set aside, not deleted; nothing is loaded.
    QVERIFY(place.copies().isEmpty());
    QCOMPARE(readFile(damaged + QStringLiteral(".damaged")), bad);
    QCOMPARE(s.g.LoadedKind, 0);
    QCOMPARE(s.w->windowTitle(), QStringLiteral("Quillet"));

    Session again(place);
    QVERIFY(again.ui.texts().filter(QRegularExpression(QStringLiteral("recovery copy|did not close"))).isEmpty());
}

void TestRecovery::savedReplacedOrLeftWorkLeavesNoCopy()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    Session s(place);
    s.ui.answerFile(place.dataFile());
    TRIGGER(s.w.get(), "mnuFileOpenDATA");
    QCOMPARE(s.g.Modified, 0);
    QTest::qWait(20);
    QVERIFY(place.copies().isEmpty());   // nothing unsaved, nothing kept

    TRIGGER(s.w.get(), "mnuTimer");
    QTRY_COMPARE(place.copies().size(), 1);
    TRIGGER(s.w.get(), "mnuFileSave");
    QTRY_VERIFY(place.copies().isEmpty());

    // No, then a cancelled file dialog: the work is still in the window, and so guarded.
    TRIGGER(s.w.get(), "mnuTimer");
    QTRY_COMPARE(place.copies().size(), 1);
    s.ui.answer(answer::No);
    TRIGGER(s.w.get(), "mnuFileOpenDATA");
    QCOMPARE(s.g.Modified, 1);
    QCOMPARE(place.copies().size(), 1);
    // No, then another document.
    s.ui.answer(answer::No);
    s.ui.answerFile(place.modelFile());
    TRIGGER(s.w.get(), "mnuFileOpenMODEL");
    QCOMPARE(s.g.LoadedKind, 2);
    QTRY_VERIFY(place.copies().isEmpty());

    TRIGGER(s.w.get(), "mnuKeyEdit");
    QTRY_COMPARE(place.copies().size(), 1);
    s.ui.answer(answer::No);
    TRIGGER(s.w.get(), "mnuFileClose");
    QVERIFY(s.w->hasExited());
    QVERIFY(QDir(place.recovery()).entryList(QDir::Files).isEmpty());
}

void TestRecovery::exitWhileACopyIsWrittenLeavesNone()
{
    // Exit as the copy of the last change is on its way to the disk: the removal that Exit
    // asks for must not be lost behind the write, or the next start offers discarded work.
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    for (int i = 0; i < 5; ++i) {
        Session s(place);
        s.ui.answerFile(place.dataFile());
        TRIGGER(s.w.get(), "mnuFileOpenDATA");
        TRIGGER(s.w.get(), "mnuTimer");
        QTRY_COMPARE(place.copies().size(), 1);
        TRIGGER(s.w.get(), "mnuTimer");
        QCoreApplication::processEvents();   // the copy's timer runs out: a write is asked for
        s.ui.answer(answer::No);
        TRIGGER(s.w.get(), "mnuFileClose");
        QVERIFY(s.w->hasExited());
        QVERIFY2(QDir(place.recovery()).entryList(QDir::Files).isEmpty(), qPrintable(QString::number(i)));
    }
}

void TestRecovery::copyThatCannotBeWrittenIsReportedOnce()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    QVERIFY(writeFile(place.recovery(), "a file where the folder belongs"));
    Session s(place);
    s.ui.answerFile(place.dataFile());
    TRIGGER(s.w.get(), "mnuFileOpenDATA");
    const QString caption = s.w->windowTitle();
    s.ui.clear();
    for (int i = 0; i < 3; ++i) {
        TRIGGER(s.w.get(), "mnuTimer");
        QTest::qWait(20);
    }
    QCOMPARE(s.ui.shown.size(), 1);
    QCOMPARE(s.ui.shown[0].title, QStringLiteral("Warning"));
    QVERIFY2(s.ui.shown[0].text.contains(QStringLiteral("Recovery")), qPrintable(s.ui.shown[0].text));
    QCOMPARE(s.g.Modified, 1);
    QCOMPARE(s.w->windowTitle(), caption);
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
