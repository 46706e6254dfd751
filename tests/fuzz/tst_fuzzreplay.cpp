// Every input the fuzzers ever broke Quillet with, and every seed, through the same
// harness the fuzz targets run, without libFuzzer. A broken promise aborts the program
// with its reason, so a regression fails this test even in a build without sanitizers;
// the sanitizer build of the suite also catches what only they can see.

#include "fuzz/Harness.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace quillet::fuzz;

class TestFuzzReplay : public QObject {
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
    void everyTargetHasARegressionFolder();
    void seedsReachWhatTheyAreFor();
};

void TestFuzzReplay::replay_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("input");
    for (Target t : AllTargets) {
        const QString name = targetName(t);
        for (const Seed &s : seeds(t))
            QTest::newRow(qPrintable(name + QStringLiteral(" seed ") + s.name)) << int(t) << s.bytes;
        const QDir folder(QStringLiteral(QUILLET_FUZZ_REGRESSIONS "/") + name);
        for (const QString &file : folder.entryList(QDir::Files, QDir::Name)) {
            if (file.startsWith(QLatin1Char('.')) || file.endsWith(QLatin1String(".md")))
                continue;
            QFile f(folder.filePath(file));
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
            QTest::newRow(qPrintable(name + QLatin1Char(' ') + file)) << int(t) << f.readAll();
        }
    }
}

void TestFuzzReplay::replay()
{
    QFETCH(int, target);
    QFETCH(QByteArray, input);
    run(static_cast<Target>(target), input);
}

void TestFuzzReplay::everyTargetHasARegressionFolder()
{
    // scripts/fuzz.sh keeps findings there; a missing folder would silently replay nothing.
    for (Target t : AllTargets)
        QVERIFY2(QDir(QStringLiteral(QUILLET_FUZZ_REGRESSIONS "/") + targetName(t)).exists(), qPrintable(targetName(t)));
}

void TestFuzzReplay::seedsReachWhatTheyAreFor()
{
    // Seeds that stopped working would leave the fuzzers mutating failures only.
    std::vector<Seed> transfer = seeds(Target::Transfer);
    auto seed = [&](const QString &name) {
        for (const Seed &s : transfer)
            if (s.name == name)
                return s.bytes;
        return QByteArray();
    };
    run(Target::Transfer, seed(QStringLiteral("download.bin")));
    QCOMPARE(lastRun().messages, QStringList{QStringLiteral(" OK !")});
    QCOMPARE(lastRun().loadedKind, 1);
    QVERIFY(lastRun().imageIsRealistic);
    run(Target::Transfer, seed(QStringLiteral("upload.bin")));
    QCOMPARE(lastRun().messages, QStringList{QStringLiteral(" OK !")});
    run(Target::Transfer, seed(QStringLiteral("silent.bin")));
    QCOMPARE(lastRun().messages, QStringList{QStringLiteral(" fail !")});
    QCOMPARE(lastRun().loadedKind, 0);

    // The realistic data file opens (the editors may refuse what the input types).
    run(Target::DataFile, seeds(Target::DataFile).front().bytes);
    QVERIFY(lastRun().messages.filter(QStringLiteral("Cannot")).isEmpty());
    QCOMPARE(lastRun().loadedKind, 1);
}

QTEST_MAIN(TestFuzzReplay)
#include "tst_fuzzreplay.moc"
