#include "core/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;

// Where documents and shipped files are, by the layout the program finds itself in.
class TestPaths : public QObject {
    Q_OBJECT
private slots:
    void installationByLayout_data();
    void installationByLayout();
};

void TestPaths::installationByLayout_data()
{
    QTest::addColumn<bool>("helpBeside");
    QTest::addColumn<bool>("helpInShare");
    QTest::addColumn<bool>("installed");
    // A build folder or an unpacked copy, even with an installation next to it.
    QTest::newRow("portable") << true << false << false;
    QTest::newRow("portable beside an installation") << true << true << false;
    // Installed under a prefix: documents per user even though root could write bin/.
    QTest::newRow("installed") << false << true << true;
    // Nothing shipped anywhere (a bare folder): stays where it is.
    QTest::newRow("bare folder") << false << false << false;
}

void TestPaths::installationByLayout()
{
    QFETCH(bool, helpBeside);
    QFETCH(bool, helpInShare);
    QFETCH(bool, installed);
    QTemporaryDir prefix;
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QCoreApplication::setApplicationName("Quillet");
    QDir(prefix.path()).mkpath("bin");
    QDir(prefix.path()).mkpath("share/quillet");
    if (helpBeside)
        QVERIFY(QFile(prefix.filePath("bin/HELP.HLP")).open(QIODevice::WriteOnly));
    if (helpInShare)
        QVERIFY(QFile(prefix.filePath("share/quillet/HELP.HLP")).open(QIODevice::WriteOnly));

    const QString bin = QDir::toNativeSeparators(prefix.filePath("bin"));
    const Installation where = locateInstallation(prefix.filePath("bin") + "/");
    QCOMPARE(where.installed, installed);
    QCOMPARE(where.documents, installed ? QDir::toNativeSeparators(home.filePath("Quillet")) : bin);
    QCOMPARE(where.shipped, installed ? QDir::toNativeSeparators(prefix.filePath("share/quillet")) : bin);
}

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
