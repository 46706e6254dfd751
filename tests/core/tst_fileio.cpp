// The guarded save's rules for a caller that must not replace what it did not mean to:
// a file that appears while the save runs, and a save that is stopped before it commits.
// The bounded read: its size agrees with what it read, and a pipe never stalls it.

#include "core/FileIO.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <sys/stat.h>

using namespace quillet;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

}  // namespace

class TestFileIO : public QObject {
    Q_OBJECT
private slots:
    void aNewFileNeverReplacesOneThatAppeared();
    void aStoppedSaveLeavesNoTemporaryFile();
    void aGrowingFileIsSizedByWhatWasRead();
    void aPipeIsReadOnlyWhenNamed();
};

void TestFileIO::aNewFileNeverReplacesOneThatAppeared()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.DAT"));
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    // Just before the commit, another program puts a file there, or a link to nowhere.
    for (const bool link : {false, true}) {
        SaveRules rules;
        rules.replace = false;
        rules.stillWanted = [&] {
            if (link)
                QFile::link(elsewhere, path);
            else
                write(path, "theirs");
            return true;
        };
        QString error;
        QVERIFY(!saveWholeFile(path, "ours", &error, rules));
        QVERIFY2(error.contains(QStringLiteral("appeared meanwhile")), qPrintable(error));
        QCOMPARE(link ? QFileInfo(path).symLinkTarget() : QString::fromLatin1(contents(path)),
                 link ? elsewhere : QStringLiteral("theirs"));
        QVERIFY(!QFile::exists(elsewhere));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 1);
        QFile::remove(path);
    }

    // Without anything in the way it is an ordinary new file, with the permissions any new
    // file gets here (not only its owner's, as the temporary one it was written through).
    QVERIFY(saveWholeFile(path, "ours", nullptr, SaveRules{false, {}}));
    QCOMPARE(contents(path), QByteArray("ours"));
    write(dir.filePath(QStringLiteral("reference")), "x");
    QCOMPARE(QFile::permissions(path), QFile::permissions(dir.filePath(QStringLiteral("reference"))));
}

void TestFileIO::aStoppedSaveLeavesNoTemporaryFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.png"));
    for (const bool replace : {true, false}) {
        if (replace)
            write(path, "before");
        QString error;
        QVERIFY(!saveWholeFile(path, "after", &error, SaveRules{replace, [] { return false; }}));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), replace ? 1 : 0);
        QCOMPARE(contents(path), replace ? QByteArray("before") : QByteArray());
        QFile::remove(path);
    }
}

void TestFileIO::aGrowingFileIsSizedByWhatWasRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("growing"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    std::atomic<bool> done{false};
    std::thread grower([&] {
        while (!done) {
            f.write(QByteArray(10, 'x'));
            if (f.size() > 3000)
                f.resize(0), f.seek(0);
        }
    });
    int wrong = 0;
    for (int i = 0; i < 20000; ++i) {
        QByteArray bytes;
        qint64 size = -1;
        readFileAtMost(path, 1000, bytes, nullptr, &size);
        wrong += bytes.size() > 1000 || size < bytes.size() || (bytes.size() < 1000 && size != bytes.size());
    }
    done = true;
    grower.join();
    QCOMPARE(wrong, 0);
}

void TestFileIO::aPipeIsReadOnlyWhenNamed()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    // No writer: refused at once rather than waited for.
    QByteArray bytes;
    QString error;
    QVERIFY(!readFileAtMost(path, 10, bytes, &error));
    QVERIFY2(error.contains(QStringLiteral("not a regular file")), qPrintable(error));
    // Named by the user: read to the same limit, whether the writer comes first or last.
    for (const bool writerFirst : {true, false}) {
        std::thread writer([&] {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write("0123456789ABC");
        });
        if (writerFirst)
            QTest::qWait(50);
        qint64 size = -1;
        const bool read = readFileAtMost(path, 10, bytes, &error, &size, Streams::Read);
        writer.join();
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(bytes, QByteArray("0123456789"));
        QCOMPARE(size, 11);
    }
}

QTEST_GUILESS_MAIN(TestFileIO)
#include "tst_fileio.moc"
