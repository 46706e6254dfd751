#include "core/FileOps.h"
#include "core/ModelFile.h"
#include "core/Waits.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillet;

namespace {
// Every byte of the workset different, so a misplaced buffer shows.
void fillPattern(DeviceWorkset &dev, int seed)
{
    int n = seed;
    auto fill = [&](auto &records) {
        for (auto &r : records) {
            if constexpr (std::is_integral_v<std::decay_t<decltype(r)>>)
                r = static_cast<Byte>(n++ * 7);
            else
                for (auto &b : r)
                    b = static_cast<Byte>(n++ * 7);
        }
    };
    fill(dev.DevSlotBuf);
    fill(dev.DevRectBuf);
    fill(dev.DevLocBuf);
    fill(dev.DevLabelBuf);
    fill(dev.DevBlockBuf);
}

bool sameWorkset(const DeviceWorkset &a, const DeviceWorkset &b)
{
    return a.DevSlotBuf == b.DevSlotBuf && a.DevRectBuf == b.DevRectBuf && a.DevLocBuf == b.DevLocBuf
        && a.DevLabelBuf == b.DevLabelBuf && a.DevBlockBuf == b.DevBlockBuf;
}

QByteArray get(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class TestModelFile : public QObject {
    Q_OBJECT
private slots:
    void roundTripKeepsAllFiveBuffersInOrder();
    void shortFileIsRefusedAndChangesNothing();
    void longFileIsReadUpToModelSize();
    void failedSaveKeepsPreviousFile();
    void fileOperationsGiveTheSystemsReason();
    void waits();
};

void TestModelFile::roundTripKeepsAllFiveBuffersInOrder()
{
    QTemporaryDir dir;
    auto out = std::make_unique<DeviceWorkset>();
    fillPattern(*out, 1);
    const QString path = dir.filePath("TV.MOD");
    QString error;
    QVERIFY2(SAVE_MODEL_FILE(path, *out, &error), qPrintable(error));
    const QByteArray bytes = get(path);
    QCOMPARE(bytes.size(), 3876);
    // The buffers lie end to end in the order a bank's areas are copied.
    QCOMPARE(static_cast<Byte>(bytes[0]), out->DevSlotBuf[0][0]);
    QCOMPARE(static_cast<Byte>(bytes[47]), out->DevSlotBuf[3][11]);
    QCOMPARE(static_cast<Byte>(bytes[48]), out->DevRectBuf[0][0]);
    QCOMPARE(static_cast<Byte>(bytes[144]), out->DevLocBuf[0]);
    QCOMPARE(static_cast<Byte>(bytes[180]), out->DevLabelBuf[0][0]);
    QCOMPARE(static_cast<Byte>(bytes[1236]), out->DevBlockBuf[0][0]);
    QCOMPARE(static_cast<Byte>(bytes[3875]), out->DevBlockBuf[9][263]);

    auto in = std::make_unique<DeviceWorkset>();
    QVERIFY(LOAD_MODEL_FILE(path, *in, &error));
    QVERIFY(sameWorkset(*in, *out));
}

void TestModelFile::shortFileIsRefusedAndChangesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("short.MOD");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(3875, '\x11'));
    f.close();
    auto dev = std::make_unique<DeviceWorkset>();
    fillPattern(*dev, 3);
    auto before = std::make_unique<DeviceWorkset>(*dev);
    QString error;
    QVERIFY(!LOAD_MODEL_FILE(path, *dev, &error));
    QVERIFY(error.contains(path));
    QVERIFY(sameWorkset(*dev, *before));
    // A missing file too.
    QVERIFY(!LOAD_MODEL_FILE(dir.filePath("none.MOD"), *dev, &error));
    QVERIFY(error.contains("none.MOD"));
    QVERIFY(sameWorkset(*dev, *before));
}

void TestModelFile::longFileIsReadUpToModelSize()
{
    QTemporaryDir dir;
    auto src = std::make_unique<DeviceWorkset>();
    fillPattern(*src, 5);
    QByteArray bytes = modelFileBytes(*src);
    bytes.append(QByteArray(500, '\x77'));
    const QString path = dir.filePath("long.MOD");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    auto dev = std::make_unique<DeviceWorkset>();
    QVERIFY(LOAD_MODEL_FILE(path, *dev, nullptr));
    QVERIFY(sameWorkset(*dev, *src));
}

void TestModelFile::failedSaveKeepsPreviousFile()
{
    QTemporaryDir dir;
    auto dev = std::make_unique<DeviceWorkset>();
    fillPattern(*dev, 9);
    QString error;
    // A folder in place of the file.
    QVERIFY(QDir(dir.path()).mkdir("folder.MOD"));
    QVERIFY(!SAVE_MODEL_FILE(dir.filePath("folder.MOD"), *dev, &error));
    QVERIFY(error.contains("folder.MOD"));
    // A folder that does not exist.
    QVERIFY(!SAVE_MODEL_FILE(dir.filePath("gone/x.MOD"), *dev, &error));
    // A path through a file: the write fails and the file in the way stays as it was.
    QFile blocker(dir.filePath("plain"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.write("keep");
    blocker.close();
    QVERIFY(!SAVE_MODEL_FILE(dir.filePath("plain/x.MOD"), *dev, &error));
    QCOMPARE(get(dir.filePath("plain")), QByteArray("keep"));
}

void TestModelFile::fileOperationsGiveTheSystemsReason()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(!removeFile(dir.filePath("none.DAT"), &error));
    QVERIFY2(error.contains("none.DAT") && error.contains("No such file", Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(!renamePath(dir.filePath("none.DAT"), dir.filePath("other.DAT"), &error));
    QVERIFY(error.contains("No such file", Qt::CaseInsensitive));
    QVERIFY(makeFolder(dir.filePath("DATA"), &error));
    QVERIFY(makeFolder(dir.filePath("DATA"), &error));   // already there is fine
    QFile f(dir.filePath("MODEL"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(!makeFolder(dir.filePath("MODEL"), &error));
    QVERIFY(error.contains("MODEL"));
    QVERIFY(samePath(dir.filePath("DATA"), dir.path() + "/./DATA"));
    QVERIFY(!samePath(dir.filePath("DATA"), dir.filePath("MODEL")));
}

void TestModelFile::waits()
{
    QElapsedTimer clock;
    clock.start();
    Delay(60);
    QVERIFY(clock.elapsed() > 60);
    clock.restart();
    Pause(0);
    Pause(10);
    QVERIFY(clock.elapsed() < 50);
}

QTEST_GUILESS_MAIN(TestModelFile)
#include "tst_modelfile.moc"
