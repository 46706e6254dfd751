// The transfer engine against the remote simulator's model, in virtual time.

#include "app/ScriptedUiServices.h"
#include "core/Globals.h"
#include "link/SteadyClock.h"
#include "link/Transfer.h"
#include "link/VirtualLink.h"
#include "tools/remotesim/DemoImage.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstring>
#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

const MemoryImage &demoImage()
{
    static const MemoryImage image = [] {
        MemoryImage m;
        sim::buildDemoImage(m);
        return m;
    }();
    return image;
}

struct Rig {
    Globals g;
    ScriptedUiServices ui;
    VirtualClock clock;
    sim::SimulatedRemote model;
    ModelPort port;
    ScriptedEscape escape;
    RecordingDisplay display;
    TransferEngine engine;

    Rig(const sim::Options &o, const MemoryImage &remote)
        : model(o, remote), port(model, clock), engine(g, ui, port, clock, escape, display)
    {
    }

    // Timer1: one event every 10 ms until the transfer has finished.
    int run(int maxEvents = 50)
    {
        int events = 0;
        while (engine.active() && events < maxEvents) {
            clock.now += 10;
            engine.TransferTick();
            ++events;
        }
        return events;
    }
};

std::unique_ptr<Rig> rig(const sim::Options &o = {}, const MemoryImage &remote = demoImage())
{
    auto r = std::make_unique<Rig>(o, remote);
    r->engine.timeoutMs = 2000;
    return r;
}

sim::Options quiet()
{
    sim::Options o;
    o.beaconMs = 0;
    return o;
}

bool samePages(const MemoryImage &a, const MemoryImage &b, int from, int to)
{
    for (int p = from; p <= to; ++p)
        if (std::memcmp(a.page(p), b.page(p), MemoryImage::PageSize) != 0)
            return false;
    return true;
}

int countOf(const QString &text, const QString &what) { return text.count(what); }

void fillImage(MemoryImage &image, unsigned char value)
{
    std::memset(image.data(), value, MemoryImage::TotalBytes);
}

}  // namespace

class TestTransfer : public QObject {
    Q_OBJECT
private slots:
    void fullDownload();
    void fullUpload();
    void shortDownloadStoresOnlyItsPages();
    void progressValues_data();
    void progressValues();

    void silentRemoteFailsAfterElevenEvents();
    void silentRemoteFailsUploadWithoutChangingTheDocument();
    void downloadTimeoutInRestartStateStartsAgain();
    void downloadTimeoutInToleratedStateResends();
    void downloadReachingTheEndInTheTenthEventStillFails();
    void silenceAddsUpAcrossUploadWaitsOnly();
    void steadyClockWaitsRealTime();
    void uploadTimeoutInToleratedStateKeepsWaiting();
    void uploadTimeoutsAboveTenFail();
    void uploadTimeoutInRestartStateStartsAgain();
    void badPagesAreRefusedAndSentAgain_data();
    void badPagesAreRefusedAndSentAgain();
    void refusedUploadPageIsSentAgain();
    void pageNumberMismatchRestarts();
    void pageStartingWithContinueStartsOver();
    void noiseIsDroppedInHandshakeStates();
    void escapeStopsDownload();
    void escapeStopsUpload_data();
    void escapeStopsUpload();
    void impossiblePageCountFailsAtOnce_data();
    void impossiblePageCountFailsAtOnce();

    void pageRefusedOverAndOverFails();
    void onlyUnexpectedBytesCountAsSilence();

    void bytesLeftInQueueGoToNextTransfer();
    void staleBytesInPortAreDiscardedAtStart();
    void portOpenFailureChangesNothing();
    void writeFailureEndsTransfer();
    void hangUpMidDownloadFails();
    void hangUpMidUploadFailsEvenNearTheEnd();

    void discardQuestionBeforeDownload();
    void commandsWhileTransferRunsDoNothing();
};

void TestTransfer::fullDownload()
{
    auto r = rig(quiet());
    fillImage(r->g.Image, 0xEE);
    r->g.CurrentFile = QStringLiteral("/x/OLD.DAT");
    r->g.SelectedBank = 3;
    r->g.ComPort = 2;
    r->engine.StartDownload();
    QCOMPARE(r->port.commPort, 2);
    QCOMPARE(r->port.settings, QStringLiteral("9600,E,8,2"));
    QVERIFY(r->display.timerOn);
    QCOMPARE(r->display.panelCaption, QStringLiteral("Download from Remote "));

    // The whole memory arrives in the first event; the second finishes.
    QCOMPARE(r->run(), 2);
    QCOMPARE(r->engine.TickCount, 2);
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 511));
    QCOMPARE(r->g.Image.at(512, 0), 0xEE);

    QCOMPARE(r->ui.shown.size(), 1);
    QCOMPARE(r->ui.shown[0].text, QStringLiteral(" OK !"));
    QCOMPARE(r->ui.shown[0].title, QStringLiteral("Notify"));
    QCOMPARE(r->ui.shown[0].icon, MsgIcon::Warning);
    QCOMPARE(r->g.LoadedKind, 1);
    QCOMPARE(r->g.Modified, 1);
    QVERIFY(r->g.CurrentFile.isEmpty());
    QCOMPARE(r->display.listTitle, QString());
    QCOMPARE(r->display.captionSuffix, QStringLiteral("  [DOWNLOAD]"));
    QCOMPARE(r->g.SelectedBank, 255);
    QCOMPARE(r->display.refreshes, 1);
    QVERIFY(!r->display.timerOn);
    QVERIFY(!r->display.panelShown);
    QVERIFY(!r->port.isOpen);
    QCOMPARE(r->engine.DownloadActive, 0);

    // A Delay of 100 ms after every accepted page but the last.
    QCOMPARE(r->clock.delays.size(), size_t(511));
    QCOMPARE(r->display.progress.size(), size_t(511));
    QCOMPARE(r->display.progress.front(), 0);
    QCOMPARE(r->display.progress.back(), 99);

    const QString &log = r->engine.TransferLog;
    QVERIFY(log.startsWith(QStringLiteral("READ\r\n\r\nPageAddress: 0\r\n\r\nPageAddress: 1\r\n")));
    QCOMPARE(countOf(log, QStringLiteral("READ\r\n")), 2);
    QCOMPARE(countOf(log, QStringLiteral("PageAddress:")), 512);
    QVERIFY(log.contains(QStringLiteral("\r\nPageAddress: 511\r\n")));
    QCOMPARE(r->display.log, log);

    QVERIFY(r->port.writtenBytes().startsWith(QByteArray::fromHex("ff55")));
    QCOMPARE(r->model.stats().downloadsCompleted, 1);
}

void TestTransfer::fullUpload()
{
    MemoryImage blank;
    auto r = rig({}, blank);
    r->g.Image = demoImage();
    r->g.LoadedKind = 2;
    r->g.Modified = 0;
    r->g.CurrentFile = QStringLiteral("/x/A.MOD");
    r->engine.StartUpload();
    QCOMPARE(r->display.panelCaption, QStringLiteral("Upload to Remote "));
    r->run();

    QVERIFY(samePages(r->model.image(), demoImage(), 0, 511));
    QCOMPARE(r->model.stats().uploadsCompleted, 1);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" OK !")});
    QCOMPARE(r->ui.shown[0].title, QStringLiteral("Notify"));
    QCOMPARE(r->g.LoadedKind, 1);
    QCOMPARE(r->g.Modified, 1);
    QVERIFY(r->g.CurrentFile.isEmpty());
    QCOMPARE(r->display.captionSuffix, QStringLiteral("  [DOWNLOAD]"));
    QCOMPARE(r->display.refreshes, 1);
    // The upload waits on no clock.
    QVERIFY(r->clock.delays.empty());
    QCOMPARE(r->clock.pauses, 0LL);
    QCOMPARE(r->display.progress.back(), 99);

    // FF 66 to the remote's 55, continue to its 54, then the transfer header and page 0.
    const QByteArray head = r->port.writtenBytes().left(12 + 266 + 5);
    QCOMPARE(head.left(12), QByteArray::fromHex("ff6600ff770000ff0100ff77"));
    QCOMPARE(head.mid(12, 266), QByteArray(reinterpret_cast<const char *>(demoImage().page(0)), 266));
    const QString &log = r->engine.TransferLog;
    QVERIFY(log.startsWith(QStringLiteral("SEND\r\n\r\nPageAddress: 0\r\n")));
    QCOMPARE(countOf(log, QStringLiteral("PageAddress:")), 512);
}

void TestTransfer::shortDownloadStoresOnlyItsPages()
{
    sim::Options o = quiet();
    o.pageCount = 5;
    auto r = rig(o);
    fillImage(r->g.Image, 0xEE);
    r->engine.StartDownload();
    r->run();
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 4));
    QCOMPARE(r->g.Image.at(5, 0), 0xEE);
    QCOMPARE(r->g.Image.at(5, 100), 0xEE);
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QCOMPARE(r->engine.PagesLeft, 0);
    // The progress assumes 512 pages.
    QCOMPARE(r->display.progress, (std::vector<int>{99, 99, 99, 99}));
}

void TestTransfer::progressValues_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("download, 511 left") << true << 511 << 0;
    QTest::newRow("download, 256 left") << true << 256 << 50;
    QTest::newRow("download, 1 left") << true << 1 << 99;
    QTest::newRow("download, none left") << true << 0 << 100;
    QTest::newRow("upload, page 5") << false << 5 << 0;
    QTest::newRow("upload, page 6") << false << 6 << 1;
    QTest::newRow("upload, page 128") << false << 128 << 25;
    QTest::newRow("upload, page 511") << false << 511 << 99;
}

void TestTransfer::progressValues()
{
    QFETCH(bool, download);
    QFETCH(int, value);
    QFETCH(int, expected);
    QCOMPARE(download ? TransferEngine::downloadProgress(value) : TransferEngine::uploadProgress(value), expected);
}

void TestTransfer::silentRemoteFailsAfterElevenEvents()
{
    sim::Options o = quiet();
    o.silent = true;
    auto r = rig(o);
    fillImage(r->g.Image, 0xEE);
    r->g.LoadedKind = 1;
    r->g.Modified = 0;
    r->engine.StartDownload();
    QCOMPARE(r->run(), 11);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r->ui.shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(r->ui.shown[0].icon, MsgIcon::Warning);
    QCOMPARE(r->engine.TickCount, 11);
    QCOMPARE(r->engine.RetryCount, 0);
    QCOMPARE(r->engine.DownState, 255);
    QCOMPARE(r->g.LoadedKind, 0);
    QCOMPARE(r->g.Modified, 0);
    QCOMPARE(r->display.captionSuffix, QStringLiteral("  [NONE]"));
    QCOMPARE(r->display.listTitle, QString());
    QCOMPARE(r->g.SelectedBank, 255);
    QCOMPARE(r->display.refreshes, 1);
    QCOMPARE(r->g.Image.at(0, 5), 0xEE);
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("READ")), 11);
    // Ten waits ran out, each after the wall-clock limit, not a count of polls.
    QVERIFY(r->clock.now >= 10 * 2000);
    QVERIFY(r->clock.now < 11 * 2000 + 200);
    // Each start sent FF 55 again.
    QCOMPARE(r->port.writtenBytes(), QByteArray::fromHex("ff55").repeated(10));
}

void TestTransfer::silentRemoteFailsUploadWithoutChangingTheDocument()
{
    sim::Options o = quiet();
    o.silent = true;
    auto r = rig(o);
    r->g.LoadedKind = 1;
    r->g.Modified = 1;
    r->g.CurrentFile = QStringLiteral("/x/KEEP.DAT");
    r->g.SelectedBank = 4;
    r->engine.StartUpload();
    QCOMPARE(r->run(), 11);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r->ui.shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(r->engine.UpState, 255);
    QCOMPARE(r->g.LoadedKind, 1);
    QCOMPARE(r->g.Modified, 1);
    QCOMPARE(r->g.CurrentFile, QStringLiteral("/x/KEEP.DAT"));
    QCOMPARE(r->g.SelectedBank, 4);
    QCOMPARE(r->display.captionSuffix, QStringLiteral("(unchanged)"));
    QCOMPARE(r->display.refreshes, 0);
    QVERIFY(!r->display.timerOn);
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("SEND\r\n")), 11);
}

void TestTransfer::downloadTimeoutInRestartStateStartsAgain()
{
    sim::Options o = quiet();
    o.pageCount = 8;
    o.stalls.push_back({sim::Point::Hs9, 3, 2500});
    auto r = rig(o);
    r->engine.StartDownload();
    QCOMPARE(r->run(), 3);
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 7));
    // The second event began again from page 0.
    const QString &log = r->engine.TransferLog;
    QCOMPARE(countOf(log, QStringLiteral("READ")), 3);
    QCOMPARE(countOf(log, QStringLiteral("PageAddress: 0\r\n")), 2);
    QCOMPARE(countOf(log, QStringLiteral("PageAddress: 3\r\n")), 2);
    QCOMPARE(countOf(log, QStringLiteral("PageAddress: 4\r\n")), 1);
    QCOMPARE(r->engine.RetryCount, 0);
    QCOMPARE(r->model.stats().restarts, 1);
}

void TestTransfer::downloadTimeoutInToleratedStateResends()
{
    sim::Options o = quiet();
    o.pageCount = 8;
    o.stalls.push_back({sim::Point::Hs14, 3, 2500});
    auto r = rig(o);
    r->engine.StartDownload();
    QCOMPARE(r->run(), 3);
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 7));
    QCOMPARE(r->engine.RetryCount, 1);
    const QString &log = r->engine.TransferLog;
    QCOMPARE(countOf(log, QStringLiteral("READ")), 3);
    // No page came twice: the next event sent the continue sequence again.
    QCOMPARE(countOf(log, QStringLiteral("PageAddress:")), 8);
    QVERIFY(r->port.writtenBytes().contains(QByteArray::fromHex("00ffaa00ff7700ff77")));
}

void TestTransfer::downloadReachingTheEndInTheTenthEventStillFails()
{
    // The remote says nothing through nine events; all pages arrive in the tenth, and the
    // eleventh event, which would finish it, is one too many.
    sim::Options o = quiet();
    o.pageCount = 4;
    o.stalls.push_back({sim::Point::Hello, 0, 9 * 2010 + 1000});
    auto r = rig(o);
    fillImage(r->g.Image, 0xEE);
    r->engine.StartDownload();
    QCOMPARE(r->run(), 11);
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 3));
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r->g.LoadedKind, 0);
    QCOMPARE(r->display.captionSuffix, QStringLiteral("  [NONE]"));
}

void TestTransfer::silenceAddsUpAcrossUploadWaitsOnly()
{
    // Two pauses of the remote, each shorter than the limit but longer together. The
    // download starts every wait afresh; the upload counts from its last page frame on.
    sim::Options down = quiet();
    down.pageCount = 6;
    down.stalls = {{sim::Point::Hs9, 2, 1200}, {sim::Point::Hs10, 2, 1200}};
    auto d = rig(down);
    d->engine.StartDownload();
    QCOMPARE(d->run(), 2);
    QCOMPARE(d->ui.lastText(), QStringLiteral(" OK !"));
    QCOMPARE(d->engine.RetryCount, 0);
    QCOMPARE(d->model.stats().restarts, 0);

    MemoryImage blank;
    sim::Options up;
    up.stalls = {{sim::Point::UlHs4, 2, 1200}, {sim::Point::UlHs5, 2, 1200}};
    auto u = rig(up, blank);
    u->g.Image = demoImage();
    u->g.LoadedKind = 1;
    u->engine.StartUpload();
    u->run();
    QCOMPARE(u->ui.lastText(), QStringLiteral(" OK !"));
    QCOMPARE(u->engine.RetryCount, 1);
    QVERIFY(samePages(u->model.image(), demoImage(), 0, 511));
}

void TestTransfer::steadyClockWaitsRealTime()
{
    SteadyClock clock;
    int painted = 0;
    clock.whileDelaying = [&] { ++painted; };
    QElapsedTimer t;
    t.start();
    clock.Delay(120);
    const qint64 took = t.elapsed();
    QVERIFY2(took >= 120 && took < 400, qPrintable(QString::number(took)));
    QVERIFY(painted > 0);
    t.restart();
    clock.Delay(0);
    clock.Pause(1000);
    QVERIFY(t.elapsed() < 50);
    const std::int64_t before = clock.elapsedMs();
    QTest::qSleep(30);
    QVERIFY(clock.elapsedMs() - before >= 29);
}

void TestTransfer::uploadTimeoutInToleratedStateKeepsWaiting()
{
    MemoryImage blank;
    sim::Options o;
    o.stalls.push_back({sim::Point::UlHs4, 2, 2500});
    auto r = rig(o, blank);
    r->g.Image = demoImage();
    r->g.LoadedKind = 1;
    r->engine.StartUpload();
    r->run();
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QCOMPARE(r->engine.RetryCount, 1);
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("SEND")), 2);
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress:")), 512);
    QVERIFY(samePages(r->model.image(), demoImage(), 0, 511));
}

void TestTransfer::uploadTimeoutsAboveTenFail()
{
    MemoryImage blank;
    sim::Options o;
    o.stalls.push_back({sim::Point::UlHs4, 2, 12 * 2000});
    auto r = rig(o, blank);
    r->g.Image = demoImage();
    r->g.LoadedKind = 2;
    r->g.Modified = 1;
    r->engine.StartUpload();
    QCOMPARE(r->run(), 2);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r->engine.PageNo, 2);
    QCOMPARE(r->engine.UpState, 255);
    QCOMPARE(r->g.LoadedKind, 2);
    QCOMPARE(r->g.Modified, 1);
}

void TestTransfer::uploadTimeoutInRestartStateStartsAgain()
{
    MemoryImage blank;
    sim::Options o;
    o.answerTimeoutMs = 1500;
    o.stalls.push_back({sim::Point::Verdict, 3, 2500});
    auto r = rig(o, blank);
    r->g.Image = demoImage();
    r->g.LoadedKind = 1;
    r->engine.StartUpload();
    r->run();
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress: 0\r\n")), 2);
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress: 4\r\n")), 1);
    QCOMPARE(r->model.stats().uploadsStarted, 2);
    QVERIFY(samePages(r->model.image(), demoImage(), 0, 511));
}

void TestTransfer::badPagesAreRefusedAndSentAgain_data()
{
    QTest::addColumn<bool>("highByte");
    QTest::newRow("checksum") << false;
    QTest::newRow("page-number high byte 2") << true;
}

void TestTransfer::badPagesAreRefusedAndSentAgain()
{
    QFETCH(bool, highByte);
    sim::Options o = quiet();
    o.pageCount = 10;
    (highByte ? o.badHighBytePage : o.badChecksumPage) = 4;
    auto r = rig(o);
    fillImage(r->g.Image, 0xEE);
    r->engine.StartDownload();
    r->run();
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 9));
    QCOMPARE(r->model.stats().pagesRefusedByPc, 1);
    QCOMPARE(r->port.writtenBytes().count(QByteArray::fromHex("00ffff")), 1);
    // A refused page is logged and answered but neither stored nor counted.
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress: 4\r\n")), 2);
    QCOMPARE(r->clock.delays.size(), size_t(10));
    QCOMPARE(r->engine.RetryCount, 0);
}

void TestTransfer::refusedUploadPageIsSentAgain()
{
    MemoryImage blank;
    sim::Options o;
    o.refusePage = 7;
    auto r = rig(o, blank);
    r->g.Image = demoImage();
    r->g.LoadedKind = 1;
    r->engine.StartUpload();
    r->run();
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress: 7\r\n")), 2);
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress:")), 513);
    QCOMPARE(r->model.stats().pagesRefused, 1);
    QVERIFY(samePages(r->model.image(), demoImage(), 0, 511));
}

void TestTransfer::pageNumberMismatchRestarts()
{
    sim::Options o = quiet();
    o.pageCount = 10;
    o.outOfOrderPage = 6;
    auto r = rig(o);
    fillImage(r->g.Image, 0xEE);
    r->engine.StartDownload();
    QCOMPARE(r->run(), 3);
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 9));
    // No answer, no log line for the misplaced page; the next event starts at page 0.
    QVERIFY(!r->port.writtenBytes().contains(QByteArray::fromHex("00ffff")));
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress: 6\r\n")), 1);
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress: 5\r\n")), 2);
    QCOMPARE(r->model.stats().restarts, 1);
}

void TestTransfer::pageStartingWithContinueStartsOver()
{
    sim::Options o = quiet();
    o.pageCount = 6;
    o.leadContinuePage = 3;
    auto r = rig(o);
    r->engine.StartDownload();
    QCOMPARE(r->run(), 2);
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 5));
    QCOMPARE(r->model.stats().pagesRefusedByPc, 0);
    QCOMPARE(countOf(r->engine.TransferLog, QStringLiteral("PageAddress: 3\r\n")), 1);
}

void TestTransfer::noiseIsDroppedInHandshakeStates()
{
    // Stray bytes before every handshake byte, both ways: nothing the PC sends changes.
    for (bool upload : {false, true}) {
        QByteArray written[2];
        for (int noisy = 0; noisy < 2; ++noisy) {
            sim::Options o;
            o.pageCount = 12;
            o.noise = noisy == 1;
            MemoryImage blank;
            auto r = rig(o, upload ? blank : demoImage());
            if (upload) {
                r->g.Image = demoImage();
                r->g.LoadedKind = 1;
                r->engine.StartUpload();
            } else {
                r->engine.StartDownload();
            }
            r->run();
            QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
            if (upload)
                QVERIFY(samePages(r->model.image(), demoImage(), 0, 511));
            else
                QVERIFY(samePages(r->g.Image, demoImage(), 0, 11));
            written[noisy] = r->port.writtenBytes();
        }
        QCOMPARE(written[1], written[0]);
    }
}

void TestTransfer::escapeStopsDownload()
{
    sim::Options o = quiet();
    auto r = rig(o);
    fillImage(r->g.Image, 0xEE);
    r->escape.down = [&] { return r->engine.PageNo >= 5; };
    r->engine.StartDownload();
    QCOMPARE(r->run(), 1);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r->g.LoadedKind, 0);
    QCOMPARE(r->g.Modified, 0);
    QCOMPARE(r->display.captionSuffix, QStringLiteral("  [NONE]"));
    // The pages that arrived stay.
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 4));
    QCOMPARE(r->g.Image.at(5, 10), 0xEE);
}

void TestTransfer::escapeStopsUpload_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("status");
    QTest::newRow("after 5 pages") << 5 << QStringLiteral(" fail !")
                                   << QStringLiteral("Stopped: Escape pressed at page 6 of 512.");
    QTest::newRow("after 509 pages") << 509 << QStringLiteral(" fail !")
                                     << QStringLiteral("Stopped: Escape pressed at page 510 of 512.");
    QTest::newRow("after 510 pages") << 510 << QStringLiteral(" OK !") << QString();
}

void TestTransfer::escapeStopsUpload()
{
    QFETCH(int, pages);
    QFETCH(QString, message);
    QFETCH(QString, status);
    MemoryImage blank;
    auto r = rig({}, blank);
    r->g.Image = demoImage();
    r->g.LoadedKind = 2;
    r->g.Modified = 1;
    r->escape.down = [&] { return r->engine.PageNo >= pages; };
    r->engine.StartUpload();
    r->run();
    QCOMPARE(r->engine.PageNo, pages);
    QCOMPARE(r->ui.texts(), QStringList{message});
    QCOMPARE(r->display.status, status);
    const bool ok = message == QStringLiteral(" OK !");
    QCOMPARE(r->g.LoadedKind, ok ? 1 : 2);
    QCOMPARE(r->g.Modified, 1);
    QCOMPARE(r->display.captionSuffix, ok ? QStringLiteral("  [DOWNLOAD]") : QStringLiteral("(unchanged)"));
}

void TestTransfer::impossiblePageCountFailsAtOnce_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("no pages") << 0;
    QTest::newRow("513 pages") << 513;
    QTest::newRow("high byte 80") << 0x8005;
}

void TestTransfer::impossiblePageCountFailsAtOnce()
{
    QFETCH(int, count);
    sim::Options o = quiet();
    o.pageCount = count;
    auto r = rig(o);
    fillImage(r->g.Image, 0xEE);
    r->engine.StartDownload();
    QCOMPARE(r->run(), 1);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r->g.LoadedKind, 0);
    QCOMPARE(r->g.Image.at(0, 10), 0xEE);
    QVERIFY(r->engine.TransferLog.contains(QStringLiteral("Page count refused")));
    // Nothing was answered after the count.
    QCOMPARE(r->port.writtenBytes(), QByteArray::fromHex("ff55ff5400ff77"));
}

void TestTransfer::pageRefusedOverAndOverFails()
{
    for (bool upload : {false, true}) {
        sim::Options o = upload ? sim::Options{} : quiet();
        o.misbehaveTimes = 1000;
        (upload ? o.refusePage : o.badChecksumPage) = 3;
        MemoryImage blank;
        auto r = rig(o, upload ? blank : demoImage());
        r->g.Image = demoImage();
        r->g.LoadedKind = 1;
        upload ? r->engine.StartUpload() : r->engine.StartDownload();
        QCOMPARE(r->run(), 1);
        QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
        QVERIFY(r->engine.TransferLog.contains(QStringLiteral("Page refused too often")));
        // Tried eleven times, then gave up.
        QCOMPARE(r->engine.TransferLog.count(QStringLiteral("PageAddress: 3\r\n")), 11);
    }
}

// A line that brings nothing but bytes no state wants, e.g. another device on the port.
class BabblingPort : public SerialPort {
public:
    explicit BabblingPort(VirtualClock &clock) : clock_(clock) {}
    void setCommPort(int) override {}
    void setSettings(const QString &) override {}
    bool open() override { return true; }
    void close() override {}
    bool writeByte(std::uint8_t) override { return true; }
    int bytesWaiting() override { return 1; }
    QByteArray readAll() override
    {
        clock_.now += 1;   // a byte takes its time on the line
        return QByteArray(1, '\x13');
    }
    void waitForBytes(int) override {}
    QString errorString() const override { return {}; }

private:
    VirtualClock &clock_;
};

void TestTransfer::onlyUnexpectedBytesCountAsSilence()
{
    for (bool upload : {false, true}) {
        Globals g;
        g.LoadedKind = 1;
        ScriptedUiServices ui;
        VirtualClock clock;
        BabblingPort port(clock);
        ScriptedEscape escape;
        RecordingDisplay display;
        TransferEngine engine(g, ui, port, clock, escape, display);
        upload ? engine.StartUpload() : engine.StartDownload();
        int events = 0;
        while (engine.active() && events < 20) {
            clock.now += 10;
            engine.TransferTick();
            ++events;
        }
        QCOMPARE(events, 11);
        QCOMPARE(ui.texts(), QStringList{QStringLiteral(" fail !")});
        QCOMPARE(engine.TransferLog.count(QStringLiteral("Only unexpected bytes")), 10);
        QVERIFY(clock.now >= 10 * 2000);
    }
}

void TestTransfer::bytesLeftInQueueGoToNextTransfer()
{
    // The remote's 55 arrives with the last page's final handshake: the finished download
    // leaves it queued, and the upload that follows takes it as the remote being ready.
    sim::Options o = quiet();
    o.pageCount = 3;
    o.afterDownload = QByteArray::fromHex("55");
    auto r = rig(o);
    r->engine.StartDownload();
    r->run();
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QCOMPARE(r->engine.ReceiveQueue.size(), size_t(1));
    QCOMPARE(r->engine.ReceiveQueue.front(), 0x55);

    r->g.Image = demoImage();
    const int before = static_cast<int>(r->port.written.size());
    r->engine.StartUpload();
    r->clock.now += 10;
    r->engine.TransferTick();
    QCOMPARE(r->port.writtenBytes().mid(before, 2), QByteArray::fromHex("ff66"));
    r->run();
    QCOMPARE(r->ui.lastText(), QStringLiteral(" OK !"));
    QCOMPARE(r->model.stats().uploadsCompleted, 1);
    QVERIFY(r->engine.ReceiveQueue.empty());
}

void TestTransfer::staleBytesInPortAreDiscardedAtStart()
{
    MemoryImage blank;
    sim::Options o = quiet();
    auto r = rig(o, blank);
    r->g.Image = demoImage();
    r->g.LoadedKind = 1;
    r->port.staleOnOpen = QByteArray::fromHex("55");
    r->engine.StartUpload();
    QCOMPARE(r->run(), 11);
    // The stale 55 was not taken for the remote being ready.
    QVERIFY(r->port.written.empty());
    QCOMPARE(r->ui.lastText(), QStringLiteral(" fail !"));
}

void TestTransfer::portOpenFailureChangesNothing()
{
    for (bool upload : {false, true}) {
        auto r = rig(quiet());
        r->g.LoadedKind = 1;
        r->g.Modified = 0;
        r->port.failOpen = true;
        upload ? r->engine.StartUpload() : r->engine.StartDownload();
        QCOMPARE(r->ui.shown.size(), 1);
        QCOMPARE(r->ui.shown[0].text, r->port.openError);
        QCOMPARE(r->ui.shown[0].title, QStringLiteral("Warning"));
        QCOMPARE(r->ui.shown[0].icon, MsgIcon::Warning);
        QVERIFY(!r->engine.active());
        QCOMPARE(r->display.timerStarts, 0);
        QVERIFY(!r->display.panelShown);
        QCOMPARE(r->display.refreshes, 0);
        QCOMPARE(r->display.captionSuffix, QStringLiteral("(unchanged)"));
        QCOMPARE(r->g.LoadedKind, 1);
        QCOMPARE(r->g.Modified, 0);
        // And the next command may try again.
        r->port.failOpen = false;
        upload ? r->engine.StartUpload() : r->engine.StartDownload();
        QVERIFY(r->engine.active());
    }
}

void TestTransfer::writeFailureEndsTransfer()
{
    auto r = rig(quiet());
    r->port.failWriteAfter = 40;
    r->engine.StartDownload();
    QCOMPARE(r->run(), 1);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r->port.written.size(), size_t(40));
    QVERIFY(r->engine.TransferLog.contains(QStringLiteral("Port error: /dev/ttyS0: write failed")));
    QCOMPARE(r->g.LoadedKind, 0);
}

void TestTransfer::hangUpMidDownloadFails()
{
    sim::Options o = quiet();
    o.hangUpAfterPage = 3;
    auto r = rig(o);
    fillImage(r->g.Image, 0xEE);
    r->engine.StartDownload();
    QCOMPARE(r->run(), 1);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QVERIFY(samePages(r->g.Image, demoImage(), 0, 3));
    QCOMPARE(r->g.Image.at(4, 10), 0xEE);
    // In the remote's terms, in the log box as in the reason; pages count from 1.
    QVERIFY2(r->engine.TransferLog.contains(QStringLiteral("Port error: the remote hung up at page 4")),
             qPrintable(r->engine.TransferLog));
    QCOMPARE(r->engine.failureReason(), QStringLiteral("the remote hung up at page 4"));
    // Failed at once, not after waits ran out.
    QVERIFY(r->clock.now < 2000);
}

void TestTransfer::hangUpMidUploadFailsEvenNearTheEnd()
{
    MemoryImage blank;
    sim::Options o;
    o.hangUpAfterPage = 511;
    auto r = rig(o, blank);
    r->g.Image = demoImage();
    r->g.LoadedKind = 2;
    r->engine.StartUpload();
    r->run();
    QCOMPARE(r->engine.PageNo, 511);
    QCOMPARE(r->ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r->g.LoadedKind, 2);
}

void TestTransfer::discardQuestionBeforeDownload()
{
    struct Case {
        int loadedKind;
        int answer;
        bool saveSucceeds;
        bool starts;
        int modifiedAfter;
        std::vector<int> saves;
    };
    const Case cases[] = {
        {1, answer::Cancel, true, false, 1, {}},
        {1, answer::No, true, true, 1, {}},
        {1, answer::Yes, true, true, 0, {1}},
        {2, answer::Yes, true, true, 0, {2}},
        {1, answer::Yes, false, false, 1, {1}},   // save cancelled or failed
        {0, answer::Yes, true, false, 1, {}},
    };
    for (const Case &c : cases) {
        auto r = rig(quiet());
        r->g.LoadedKind = c.loadedKind;
        r->g.Modified = 1;
        r->display.saveSucceeds = c.saveSucceeds;
        r->ui.answer(c.answer);
        r->engine.StartDownload();
        QCOMPARE(r->ui.shown.size(), 1);
        QCOMPARE(r->ui.shown[0].text, QStringLiteral("Data has been modified, do you want to save?"));
        QCOMPARE(r->ui.shown[0].title, QStringLiteral("Warning"));
        QCOMPARE(r->ui.shown[0].buttons, MsgButtons::YesNoCancel);
        QCOMPARE(r->g.DialogResult, c.answer);
        QCOMPARE(r->engine.active(), c.starts);
        QCOMPARE(r->port.opens, c.starts ? 1 : 0);
        QCOMPARE(r->g.Modified, c.modifiedAfter);
        QCOMPARE(r->display.saves, c.saves);
    }
    // Unmodified data: no question.
    auto r = rig(quiet());
    r->g.LoadedKind = 1;
    r->engine.StartDownload();
    QVERIFY(r->ui.shown.isEmpty());
    QVERIFY(r->engine.active());
}

void TestTransfer::commandsWhileTransferRunsDoNothing()
{
    auto r = rig(quiet());
    r->g.LoadedKind = 1;
    r->engine.StartDownload();
    r->g.Modified = 1;
    r->engine.StartDownload();
    r->engine.StartUpload();
    QCOMPARE(r->port.opens, 1);
    QVERIFY(r->ui.shown.isEmpty());
    QCOMPARE(r->engine.UploadActive, 0);

    // An upload needs a document.
    auto idle = rig(quiet());
    idle->engine.StartUpload();
    QCOMPARE(idle->port.opens, 0);
    QVERIFY(!idle->engine.active());
}

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
