#include "core/Globals.h"
#include "core/SetupFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace quillet;

namespace {
void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray get(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class TestSetupFile : public QObject {
    Q_OBJECT
private slots:
    void readsPort_data();
    void readsPort();
    void fileWithoutMarkerFailsAndKeepsPort();
    void unreadableFileFails();
    void writesExactLine_data();
    void writesExactLine();
    void writeThenReadRoundTrips();
    void failedWriteKeepsOldFileAndSaysWhy();
    void creationAtStartMatchesNameWithoutCase();
};

void TestSetupFile::readsPort_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("port");
    QTest::newRow("port 1 as written") << QByteArray("Com Port: 1\r\n") << 1;
    QTest::newRow("port 2") << QByteArray("Com Port: 2\r\n") << 2;
    QTest::newRow("port 3 is kept") << QByteArray("Com Port: 3\r\n") << 3;
    // Reading starts one past the colon, so the digit right behind it is lost.
    QTest::newRow("no blank after colon") << QByteArray("Com Port:2\r\n") << 0;
    QTest::newRow("marker not on first line") << QByteArray("[serial]\r\nspeed 9600\r\nCom Port: 2\r\n") << 2;
    QTest::newRow("marker inside a line") << QByteArray("port is Com Port: 2 here\r\n") << 2;
    QTest::newRow("first marker line wins") << QByteArray("Com Port: 2\r\nCom Port: 1\r\n") << 2;
    QTest::newRow("line feeds only") << QByteArray("x\nCom Port: 2\n") << 2;
    QTest::newRow("no line end") << QByteArray("Com Port: 7") << 7;
    QTest::newRow("extra blanks") << QByteArray("Com Port:    4\r\n") << 4;
    QTest::newRow("digits then text") << QByteArray("Com Port: 12abc\r\n") << 12;
    QTest::newRow("no digits") << QByteArray("Com Port: abc\r\n") << 0;
    QTest::newRow("nothing after marker") << QByteArray("Com Port:\r\n") << 0;
    QTest::newRow("half rounds to even down") << QByteArray("Com Port: 2.5\r\n") << 2;
    QTest::newRow("half rounds to even up") << QByteArray("Com Port: 3.5\r\n") << 4;
    QTest::newRow("exponent") << QByteArray("Com Port: 1e1\r\n") << 10;
    QTest::newRow("negative as written") << QByteArray("Com Port:-3\r\n") << 3;
    QTest::newRow("sign after blank") << QByteArray("Com Port: -3\r\n") << -3;
}

void TestSetupFile::readsPort()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, port);
    QTemporaryDir dir;
    put(dir.filePath("setup.inf"), contents);
    int read = -99;
    QString error;
    QVERIFY2(ReadComPort(dir.path(), read, &error), qPrintable(error));
    QCOMPARE(read, port);
}

void TestSetupFile::fileWithoutMarkerFailsAndKeepsPort()
{
    QTemporaryDir dir;
    // Case matters for the marker.
    put(dir.filePath("setup.inf"), "com port: 2\r\nComPort: 2\r\n");
    int port = 5;
    QString error;
    bool missing = false;
    QVERIFY(!ReadComPort(dir.path(), port, &error, &missing));
    QVERIFY(missing);
    QCOMPARE(port, 5);
    QVERIFY(error.contains("setup.inf"));
}

void TestSetupFile::unreadableFileFails()
{
    QTemporaryDir dir;
    int port = 5;
    QString error;
    bool missing = true;
    QVERIFY(!ReadComPort(dir.path(), port, &error, &missing));   // no file at all
    QVERIFY(!missing);
    QVERIFY(error.contains("setup.inf"));
    QVERIFY(QDir(dir.path()).mkdir("setup.inf"));                 // a folder in its place
    QVERIFY(!ReadComPort(dir.path(), port, &error, &missing));
    QVERIFY(!missing);
    QCOMPARE(port, 5);
}

void TestSetupFile::writesExactLine_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("1") << 1 << QByteArray("Com Port: 1\r\n");
    QTest::newRow("12") << 12 << QByteArray("Com Port: 12\r\n");
    QTest::newRow("0") << 0 << QByteArray("Com Port: 0\r\n");
    QTest::newRow("negative") << -3 << QByteArray("Com Port:-3\r\n");
    QTest::newRow("lowest") << std::numeric_limits<int>::min() << QByteArray("Com Port:-2147483648\r\n");
}

void TestSetupFile::writesExactLine()
{
    QFETCH(int, port);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    put(dir.filePath("setup.inf"), "old contents that are longer than the new line\r\n");
    QString error;
    QVERIFY2(WriteComPort(dir.path(), port, &error), qPrintable(error));
    QCOMPARE(get(dir.filePath("setup.inf")), bytes);
}

void TestSetupFile::writeThenReadRoundTrips()
{
    QTemporaryDir dir;
    Globals g;
    g.AppDir = QDir::toNativeSeparators(dir.path());
    for (int port : {1, 2, 3, 255}) {
        g.ComPort = port;
        QVERIFY(WriteComPort(g, nullptr));
        g.ComPort = -1;
        QVERIFY(ReadComPort(g, nullptr));
        QCOMPARE(g.ComPort, port);
    }
    QCOMPARE(get(dir.filePath("setup.inf")).size(), 15);   // "Com Port: 255\r\n"
}

void TestSetupFile::failedWriteKeepsOldFileAndSaysWhy()
{
    QTemporaryDir dir;
    QString error;
    // The folder does not exist.
    QVERIFY(!WriteComPort(dir.filePath("missing"), 2, &error));
    QVERIFY(error.contains("setup.inf"));
    // A folder stands where the file should be.
    QVERIFY(QDir(dir.path()).mkdir("setup.inf"));
    error.clear();
    QVERIFY(!WriteComPort(dir.path(), 2, &error));
    QVERIFY(!error.isEmpty());
}

void TestSetupFile::creationAtStartMatchesNameWithoutCase()
{
    QTemporaryDir empty;
    bool created = false;
    QString error;
    QVERIFY(ensureSetupFile(empty.path(), &created, &error));
    QVERIFY(created);
    QCOMPARE(get(empty.filePath("setup.inf")), QByteArray("Com Port: 1\r\n"));
    // A second start leaves it alone.
    put(empty.filePath("setup.inf"), "Com Port: 2\r\n");
    QVERIFY(ensureSetupFile(empty.path(), &created, &error));
    QVERIFY(!created);
    QCOMPARE(get(empty.filePath("setup.inf")), QByteArray("Com Port: 2\r\n"));

    // An upper-case SETUP.INF counts as the file: nothing new is made, and reading and
    // writing use it.
    QTemporaryDir upper;
    put(upper.filePath("SETUP.INF"), "Com Port: 2\r\n");
    QVERIFY(ensureSetupFile(upper.path(), &created, &error));
    QVERIFY(!created);
    QVERIFY(!QFile::exists(upper.filePath("setup.inf")));
    int port = 0;
    QVERIFY(ReadComPort(upper.path(), port, &error));
    QCOMPARE(port, 2);
    QVERIFY(WriteComPort(upper.path(), 1, &error));
    QCOMPARE(get(upper.filePath("SETUP.INF")), QByteArray("Com Port: 1\r\n"));
    QCOMPARE(QDir(upper.path()).entryList(QDir::Files).size(), 1);
}

QTEST_GUILESS_MAIN(TestSetupFile)
#include "tst_setupfile.moc"
