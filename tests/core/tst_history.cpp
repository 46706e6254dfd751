#include "core/DataFile.h"
#include "core/History.h"
#include "core/MemoryImage.h"
#include "core/Paths.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillet;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void keepsTheNewestAndOnlyItsOwnFiles();
    void aFileInTheWayIsReportedByName();
    void theOrderOfWritingDecidesNotTheClock();
    void twoTransfersOfOneSecondBothStay();
    void keepComesFromTheUsersSettings();
    void linksAreNeverFollowed_data();
    void linksAreNeverFollowed();

private:
    QTemporaryDir settings_;
};

void TestHistory::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_.path());
}

void TestHistory::keepsTheNewestAndOnlyItsOwnFiles()
{
    QTemporaryDir dir;
    const QString folder = historyFolder(QDir::toNativeSeparators(dir.path()));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("DATA")));
    auto image = std::make_unique<MemoryImage>();
    const QDateTime start(QDate(2024, 3, 9), QTime(23, 59, 58));
    QString path;
    QString error;
    for (int i = 0; i < 5; ++i) {
        image->set(7, 9, static_cast<std::uint8_t>(i));
        // The last two share a second; the download of that second is numbered after the upload.
        const QDateTime when = start.addSecs(qMin(i, 3));
        QVERIFY2(keepHistory(folder, *image, i % 2 ? history::Upload : history::Download, when, 3, &path, &error),
                 qPrintable(error));
        if (i == 0) {
            QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("2024-03-09 23-59-58 download.DAT"));
            // Another file of the user's beside them is none of the history's business.
            QVERIFY(QFile(QDir(folder).filePath(QStringLiteral("mine.DAT"))).open(QIODevice::WriteOnly));
        }
    }
    QStringList left = QDir(folder).entryList({QStringLiteral("*.DAT")}, QDir::Files);
    left.sort();
    QCOMPARE(left, (QStringList{QStringLiteral("2024-03-10 00-00-00 download.DAT"),
                                QStringLiteral("2024-03-10 00-00-01 download 2.DAT"),
                                QStringLiteral("2024-03-10 00-00-01 upload.DAT"), QStringLiteral("mine.DAT")}));
    QFile newest(path);
    QVERIFY(newest.open(QIODevice::ReadOnly));
    QCOMPARE(newest.readAll(), dataFileBytes(*image));
}

void TestHistory::aFileInTheWayIsReportedByName()
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("History"));
    QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
    auto image = std::make_unique<MemoryImage>();
    QString path, error;
    QVERIFY(!keepHistory(folder, *image, history::Download, QDateTime::currentDateTime(), 50, &path, &error));
    QVERIFY2(error.contains(path) && error.contains(QStringLiteral("in the way")), qPrintable(error));
}

namespace {
QStringList historyIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList({QStringLiteral("*.DAT")}, QDir::Files);
    names.sort();
    return names;
}
}  // namespace

void TestHistory::theOrderOfWritingDecidesNotTheClock()
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("History"));
    auto image = std::make_unique<MemoryImage>();
    QString path, error;
    const QDateTime now(QDate(2024, 3, 9), QTime(12, 0, 0));
    // Written when the clock ran a year ahead; then the clock is put right: the file just
    // written sorts oldest by its name, and is the one kept.
    QVERIFY2(keepHistory(folder, *image, history::Download, now.addYears(1), 1, &path, &error), qPrintable(error));
    QVERIFY2(keepHistory(folder, *image, history::Upload, now, 1, &path, &error), qPrintable(error));
    QCOMPARE(historyIn(folder), QStringList{QStringLiteral("2024-03-09 12-00-00 upload.DAT")});

    // A file the user changed since it was written is theirs: never deleted, no longer
    // counted.
    QFile changed(path);
    QVERIFY(changed.open(QIODevice::Append));
    QVERIFY(changed.write("x") == 1);
    changed.close();
    QVERIFY(keepHistory(folder, *image, history::Download, now.addSecs(1), 1, &path, &error));
    QVERIFY(keepHistory(folder, *image, history::Download, now.addSecs(2), 1, &path, &error));
    QCOMPARE(historyIn(folder), (QStringList{QStringLiteral("2024-03-09 12-00-00 upload.DAT"),
                                             QStringLiteral("2024-03-09 12-00-02 download.DAT")}));
}

void TestHistory::twoTransfersOfOneSecondBothStay()
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("History"));
    auto first = std::make_unique<MemoryImage>();
    auto second = std::make_unique<MemoryImage>();
    first->set(5, 5, 1);
    second->set(5, 5, 2);
    const QDateTime when(QDate(2024, 3, 9), QTime(12, 0, 0));
    QString firstPath, secondPath, error;
    // Another window keeps its transfer of the same second while this one is writing.
    const SaveFileFactory otherWindowMeanwhile = [&](const QString &path) {
        QString e;
        if (secondPath.isEmpty() && !keepHistory(folder, *second, history::Download, when, 50, &secondPath, &e))
            qWarning("%s", qPrintable(e));
        return std::make_unique<QSaveFile>(path);
    };
    QVERIFY2(keepHistory(folder, *first, history::Download, when, 50, &firstPath, &error, otherWindowMeanwhile),
             qPrintable(error));
    QVERIFY(firstPath != secondPath);
    QCOMPARE(historyIn(folder).size(), 2);
    QCOMPARE(readAll(firstPath), dataFileBytes(*first));
    QCOMPARE(readAll(secondPath), dataFileBytes(*second));
}

void TestHistory::linksAreNeverFollowed_data()
{
    // Where the link is (in the history folder, or the folder itself), and whether its
    // target, a user's file or folder, exists.
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<bool>("kept");
    QTest::newRow("history folder") << QString() << true << false;
    QTest::newRow("record") << history::Index << true << false;
    QTest::newRow("record to nowhere") << history::Index << false << false;
    // The name of the second is held: the next number is taken, the link left alone.
    QTest::newRow("name to nowhere") << QStringLiteral("2024-03-09 12-00-00 download.DAT") << false << true;
}

void TestHistory::linksAreNeverFollowed()
{
    QFETCH(QString, link);
    QFETCH(bool, targetExists);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("History"));
    const QString user = dir.filePath(QStringLiteral("user"));
    // A user's folder with history-like names, or a user's file.
    const QString userFile = link.isEmpty() ? QDir(user).filePath(QStringLiteral("2000-01-01 00-00-00 download.DAT")) : user;
    QDir().mkpath(link.isEmpty() ? user : folder);
    QFile f(userFile);
    QVERIFY(!targetExists || (f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && f.write("mine") == 4));
    QVERIFY(QFile::link(user, link.isEmpty() ? folder : QDir(folder).filePath(link)));
    QString path, error;
    QCOMPARE(keepHistory(folder, MemoryImage(), history::Download, QDateTime(QDate(2024, 3, 9), QTime(12, 0, 0)), 1,
                         &path, &error),
             kept);
    QVERIFY2(kept ? path.endsWith(QStringLiteral("download 2.DAT")) : error.contains(QStringLiteral("symbolic link")),
             qPrintable(error));
    QCOMPARE(readAll(userFile), targetExists ? QByteArray("mine") : QByteArray());
    QCOMPARE(QFileInfo::exists(userFile), targetExists);
}

void TestHistory::keepComesFromTheUsersSettings()
{
    QSettings s(QStringLiteral("Quillet"), QStringLiteral("Quillet"));
    s.remove(QStringLiteral("Settings/HistoryKeep"));
    QCOMPARE(historyKeep(), 50);
    s.setValue(QStringLiteral("Settings/HistoryKeep"), QStringLiteral("3"));
    QCOMPARE(historyKeep(), 3);
    s.setValue(QStringLiteral("Settings/HistoryKeep"), QStringLiteral("0"));
    QCOMPARE(historyKeep(), 50);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
