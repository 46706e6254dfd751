// Recovery copies of unsaved work: what a session that ends without Exit leaves behind,
// and what the next start makes of it.

#include "app/DocumentRecovery.h"
#include "app/QtUiServices.h"
#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/DataFile.h"
#include "core/ModelFile.h"
#include "core/Paths.h"
#include "core/RecoveryFile.h"
#include "support/AppTestSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

// The start of the question for a named file or for "the downloaded memory".
QString questionFor(const QString &what)
{
    return QStringLiteral("Quillet did not close normally. Restore the unsaved changes to %1, kept on ").arg(what);
}
QString questionFor(const char *path)
{
    return questionFor(QLatin1Char('"') + QDir::toNativeSeparators(QString::fromLocal8Bit(path)) + QLatin1Char('"'));
}

// What the timer page's OK leaves in the buffers: one timer set to 17:42, or to 18:42 when it
// is at 17:42 already, so that every OK is a change.
void timerEdit(TimerWorkset &t)
{
    t.TimerBuf[2][3] = t.TimerBuf[2][3] == 17 ? 18 : 17;
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

// A copy of a whole memory as a session that ended without Exit leaves it, with a lock file
// when given one.
QString leaveCopy(const QString &folder, const QString &name, const QString &currentFile, qint64 writtenMs,
                  const QByteArray &lock = {}, const QString &caption = {})
{
    QDir().mkpath(folder);
    RecoveryCopy copy;
    copy.loadedKind = 1;
    copy.currentFile = currentFile;
    copy.caption = caption.isEmpty() ? QStringLiteral("Quillet  [%1]").arg(currentFile) : caption;
    copy.writtenMs = writtenMs;
    copy.document = QByteArray(MemoryImage::TotalBytes, '\x5A');
    const QString path = QDir(folder).filePath(name + QStringLiteral(".rec"));
    if (!writeFile(path, recoveryBytes(copy)))
        return {};
    if (!lock.isNull() && !writeFile(QDir(folder).filePath(name + QStringLiteral(".lock")), lock))
        return {};
    return path;
}

// Acts on the next message box once it is up, as a user would.
void onNextBox(const std::function<void(QMessageBox *)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, act, started] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box && started->elapsed() < 10000)
            return;
        poll->stop();
        poll->deleteLater();
        if (box)
            act(box);
    });
    poll->start();
}

bool openToOthers(const QString &path)
{
    constexpr auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                            | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    return (QFileInfo(path).permissions() & others) != 0;
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
    void realBoxKeepsTheCopyOnEscape();
    void questionSaysWhatAndWhenAndTrustsNoForgedName();
    void copiesAreTheOwnersAloneAndNeverHidden();
    void copiesLeaveTheDocumentsFolder();
    void aQuickSecondEditIsWhatIsKept();
    void linksAreRefused();

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
    QCOMPARE(questions(s.ui).size(), 1);
    QVERIFY(questions(s.ui)[0].startsWith(questionFor(qPrintable(place.dataFile()))));
    QVERIFY(!questions(s.ui)[0].contains(QStringLiteral("was saved on")));
    QCOMPARE(s.ui.shown.constLast().buttons, MsgButtons::YesNoLater);

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
    QCOMPARE(questions(s.ui).size(), 1);
    QVERIFY(questions(s.ui)[0].startsWith(questionFor(qPrintable(place.modelFile()))));
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
    QCOMPARE(questions(s.ui).size(), 1);
    QVERIFY(questions(s.ui)[0].startsWith(questionFor(QStringLiteral("the downloaded memory"))));
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

void TestRecovery::realBoxKeepsTheCopyOnEscape()
{
    // Escape and the close button give each box's escape answer; the scripted services
    // answer an Escape entry the same way.
    const std::pair<MsgButtons, int> sets[] = {{MsgButtons::OK, answer::OK},
                                               {MsgButtons::OKCancel, answer::Cancel},
                                               {MsgButtons::YesNo, answer::No},
                                               {MsgButtons::YesNoLater, answer::Later},
                                               {MsgButtons::YesNoCancel, answer::Cancel},
                                               {MsgButtons::OKCancelSafe, answer::Cancel}};
    QtUiServices real;
    for (const auto &[buttons, expected] : sets) {
        for (const bool escape : {true, false}) {
            onNextBox([escape](QMessageBox *box) {
                if (escape)
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->close();
            });
            QCOMPARE(real.message(nullptr, QStringLiteral("?"), QStringLiteral("Warning"), MsgIcon::Warning, buttons),
                     expected);
        }
        ScriptedUiServices scripted;
        scripted.answer(ScriptedUiServices::Escape);
        QCOMPARE(scripted.message(nullptr, QStringLiteral("?"), QStringLiteral("Warning"), MsgIcon::Warning, buttons),
                 expected);
    }

    // An OK that cannot be undone is not what Enter gives.
    onNextBox([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(real.message(nullptr, QStringLiteral("?"), QStringLiteral("Warning"), MsgIcon::Warning,
                          MsgButtons::OKCancelSafe),
             answer::Cancel);

    // The restore question on the real box: only No deletes, only Yes restores.
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    QVERIFY(!leaveCopy(place.recovery(), QStringLiteral("left"), place.dataFile(),
                       QDateTime::currentMSecsSinceEpoch())
                 .isEmpty());
    auto click = [](const char *text) {
        return [text](QMessageBox *box) {
            for (QAbstractButton *b : box->buttons())
                if (b->text().remove(QLatin1Char('&')) == QLatin1String(text))
                    return QTest::mouseClick(b, Qt::LeftButton);
            box->done(0);   // no such button: the checks below fail
        };
    };
    const struct {
        std::function<void(QMessageBox *)> act;
        int copies;
        int loadedKind;
    } steps[] = {{[](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); }, 1, 0},
                 {click("Later"), 1, 0},
                 {click("Yes"), 1, 1},
                 {click("No"), 0, 0}};
    for (const auto &step : steps) {
        Globals g;
        QtUiServices ui;
        onNextBox(step.act);
        std::unique_ptr<frmMain> w = startSession(g, ui, place);
        QCOMPARE(place.copies().size(), step.copies);
        QCOMPARE(g.LoadedKind, step.loadedKind);
    }
}

void TestRecovery::questionSaysWhatAndWhenAndTrustsNoForgedName()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    // Kept long before the file was last saved.
    const QDateTime kept(QDate(2023, 1, 2), QTime(3, 4, 5));
    QVERIFY(!leaveCopy(place.recovery(), QStringLiteral("older"), place.dataFile(), kept.toMSecsSinceEpoch()).isEmpty());
    const QByteArray onDisk = readFile(place.dataFile());
    {
        Session s(place, answer::Yes);
        const QStringList q = questions(s.ui);
        QCOMPARE(q.size(), 1);
        QVERIFY2(q[0].startsWith(questionFor(qPrintable(place.dataFile())) + QStringLiteral("2023-01-02 at 03:04:05?\n")
                                 + QStringLiteral("The file was saved on ")),
                 qPrintable(q[0]));
        QCOMPARE(s.g.CurrentFile, place.dataFile());
        // The first Save asks for a name; cancelled, the newer file is as it was.
        TRIGGER(s.w.get(), "mnuFileSave");
        QCOMPARE(s.ui.fileRequests.size(), 1);
        QVERIFY(s.ui.fileRequests[0].save);
        QCOMPARE(readFile(place.dataFile()), onDisk);
        QCOMPARE(s.g.Modified, 1);
        s.ui.answer(answer::No);
        TRIGGER(s.w.get(), "mnuFileClose");
    }

    // A name that is not an absolute path of the copy's kind is not taken: the memory comes
    // back unnamed, and Save writes nowhere.
    const QByteArray model = readFile(place.modelFile());
    for (const QString &forged : {QStringLiteral("DATA/Living.DAT"), place.modelFile()}) {
        QVERIFY(!leaveCopy(place.recovery(), QStringLiteral("forged"), forged, QDateTime::currentMSecsSinceEpoch())
                     .isEmpty());
        Session s(place, answer::Yes);
        QCOMPARE(questions(s.ui).size(), 1);
        QVERIFY2(questions(s.ui)[0].startsWith(questionFor(QStringLiteral("the downloaded memory"))),
                 qPrintable(questions(s.ui)[0]));
        QCOMPARE(s.g.LoadedKind, 1);
        QCOMPARE(s.g.CurrentFile, QString());
        QCOMPARE(s.w->windowTitle(), QStringLiteral("Quillet  [DOWNLOAD]"));
        TRIGGER(s.w.get(), "mnuFileSave");
        QCOMPARE(readFile(place.modelFile()), model);
        QCOMPARE(readFile(place.dataFile()), onDisk);
        s.ui.answer(answer::No);
        TRIGGER(s.w.get(), "mnuFileClose");
    }

    // An imported text is no download: the question and the caption say what it was.
    QVERIFY(!leaveCopy(place.recovery(), QStringLiteral("imported"), QString(), QDateTime::currentMSecsSinceEpoch(),
                       {}, QStringLiteral("Quillet  [IMPORTED]"))
                 .isEmpty());
    Session s(place, answer::Yes);
    QVERIFY2(questions(s.ui).value(0).startsWith(questionFor(QStringLiteral("the imported memory"))),
             qPrintable(questions(s.ui).value(0)));
    QCOMPARE(s.w->windowTitle(), QStringLiteral("Quillet  [IMPORTED]"));
    s.ui.answer(answer::No);
    TRIGGER(s.w.get(), "mnuFileClose");
}

void TestRecovery::copiesAreTheOwnersAloneAndNeverHidden()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    {
        Session s(place);
        s.ui.answerFile(place.dataFile());
        TRIGGER(s.w.get(), "mnuFileOpenDATA");
        TRIGGER(s.w.get(), "mnuTimer");
        QTRY_COMPARE(place.copies().size(), 1);
        QVERIFY(!openToOthers(place.recovery()));
        for (const QString &name : QDir(place.recovery()).entryList(QDir::Files))
            QVERIFY2(!openToOthers(QDir(place.recovery()).filePath(name)), qPrintable(name));
        // The window goes without Exit; its lock goes with it.
    }
    // The copy's lock as a Quillet on another computer leaves it, and one nobody can read:
    // neither can be judged stale here, and neither may hide the copy.
    const QString copy = QDir(place.recovery()).filePath(place.copies().constFirst());
    const QString lock = copy.chopped(4) + QStringLiteral(".lock");
    // Left open to others by an earlier version: closed as soon as Quillet starts.
    QVERIFY(QFile::setPermissions(place.recovery(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                        | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                        | QFileDevice::ExeOther));
    QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const QByteArray machine = QSysInfo::machineUniqueId();
    // A process that runs, so that the lock is not stale on its face.
    const QByteArray running = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                               + QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + '\n';
    const std::pair<QByteArray, QString> locks[] = {
        {QByteArray("4242\nQuillet\nelsewhere\n0123456789\n"), QStringLiteral("on another computer (elsewhere)")},
        // One of the two alike is still another computer.
        {running + host + "\n0123456789\n", QStringLiteral("on another computer (%1)").arg(QString::fromUtf8(host))},
        {running + "elsewhere\n" + machine + "\n", QStringLiteral("on another computer (elsewhere)")},
        {QByteArray(""), QStringLiteral("cannot be told apart")}};
    for (const auto &[contents, said] : locks) {
        QVERIFY(writeFile(lock, contents));
        Session later(place, answer::Later);
        QCOMPARE(questions(later.ui).size(), 1);
        QVERIFY2(questions(later.ui)[0].contains(said), qPrintable(questions(later.ui)[0]));
        QVERIFY(QFileInfo::exists(copy) && QFileInfo::exists(lock));
        QVERIFY(!openToOthers(place.recovery()) && !openToOthers(copy));
    }
    Session no(place, answer::No);
    QVERIFY(place.copies().isEmpty());
    QVERIFY(!QFileInfo::exists(lock));
}

void TestRecovery::copiesLeaveTheDocumentsFolder()
{
#ifndef Q_OS_LINUX
    QSKIP("the per-user data folder is moved through XDG_DATA_HOME");
#endif
    QTemporaryDir home;
    const QByteArray before = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    const auto restore = qScopeGuard([&before] {
        if (before.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", before);
    });
    // Installed, the per-user data folder is the file tree's root: no copy belongs in it.
    const QString documents = userDataFolder() + QDir::separator();
    QVERIFY(!DocumentRecovery::defaultFolder().startsWith(documents));

    // A copy an earlier version left in the documents' folder is still offered, and its
    // folder goes once empty.
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    QVERIFY(!leaveCopy(DocumentRecovery::earlierFolder(), QStringLiteral("left"), place.dataFile(),
                       QDateTime::currentMSecsSinceEpoch())
                 .isEmpty());
    Globals g;
    ScriptedUiServices ui;
    ui.answer(answer::Yes);
    StartupOptions options;
    options.appDir = place.appDir();
    options.showSplash = false;
    std::unique_ptr<frmMain> w = runStartup(g, ui, options);
    QCOMPARE(g.LoadedKind, 1);
    QVERIFY(!QFileInfo::exists(DocumentRecovery::earlierFolder()));
    QCOMPARE(filesIn(DocumentRecovery::defaultFolder(), QStringLiteral("*.rec")).size(), 1);
    QVERIFY(!openToOthers(DocumentRecovery::defaultFolder()));
    ui.answer(answer::No);
    TRIGGER(w.get(), "mnuFileClose");
}

void TestRecovery::aQuickSecondEditIsWhatIsKept()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    Session s(place);
    s.ui.answerFile(place.dataFile());
    TRIGGER(s.w.get(), "mnuFileOpenDATA");
    // Two edits before the copy is written: the copy is of the second.
    TRIGGER(s.w.get(), "mnuTimer");
    s.w->hooks.showEditPlus = [&s] {
        s.g.TimerBuf[2][4] = 43;
        s.g.EditResult = 255;
    };
    TRIGGER(s.w.get(), "mnuTimer");
    QTRY_COMPARE(place.copies().size(), 1);
    QTest::qWait(100);
    RecoveryCopy copy;
    QVERIFY(parseRecovery(readFile(QDir(place.recovery()).filePath(place.copies().constFirst())), copy, nullptr));
    QCOMPARE(copy.document, QByteArray(reinterpret_cast<const char *>(s.g.Image.data()), MemoryImage::TotalBytes));
}

void TestRecovery::linksAreRefused()
{
    QTemporaryDir dir;
    const Place place{dir.path()};
    place.make();
    // The recovery folder is a link to a folder of the user's, holding a file like a copy.
    const QString user = place.path("user");
    QVERIFY(QDir().mkpath(user));
    QVERIFY(writeFile(QDir(user).filePath(QStringLiteral("mine.rec")), "mine"));
    const auto open = QFile::permissions(user);
    QVERIFY(QFile::link(user, place.recovery()));
    Session s(place);
    s.ui.answerFile(place.dataFile());
    TRIGGER(s.w.get(), "mnuFileOpenDATA");
    s.ui.clear();
    TRIGGER(s.w.get(), "mnuTimer");
    TRIGGER(s.w.get(), "mnuTimer");
    QTRY_COMPARE(s.ui.shown.size(), 1);
    QVERIFY2(s.ui.shown[0].text.contains(QStringLiteral("is a symbolic link")), qPrintable(s.ui.shown[0].text));
    QCOMPARE(QDir(user).entryList(QDir::Files), QStringList{QStringLiteral("mine.rec")});
    QCOMPARE(QFile::permissions(user), open);
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
