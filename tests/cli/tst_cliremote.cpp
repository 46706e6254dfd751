// press, macro and timers on the simulator's demo memory.

#include "cli/CliTestSupport.h"
#include "core/DataFile.h"
#include "support/PtyRemote.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

class TestCliRemote : public QObject {
    Q_OBJECT
private slots:
    void eachCommandSaysWhatTheRemoteDoes_data();
    void eachCommandSaysWhatTheRemoteDoes();
};

void TestCliRemote::eachCommandSaysWhatTheRemoteDoes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    // Worked out from the demo's records: each step's key, then its delay.
    QTest::newRow("press") << QStringList{"press", "FILE", "dvd player", "1"}
                           << "DVD Player  page 1  key 1  POWER  column 1, row 1\n";
    QTest::newRow("macro") << QStringList{"macro", "FILE", "movie night"}
                           << "+0.0 s  TV  key 1  POWER\n+0.5 s  Amplifier  key 1  POWER\n"
                              "+1.5 s  DVD Player  key 1  POWER\n+3.5 s  TV  key 8  OK\n+5.5 s  end\n";
    // 2026-12-24 is a Thursday.
    QTest::newRow("timers") << QStringList{"timers", "FILE", "--from", "2026-12-24", "--days", "2"}
                            << "2026-12-24 Thu 07:00  timer 1 (Wake up)  TV  key 1  POWER\n"
                               "2026-12-24 Thu 20:15  timer 2 (Christmas film)  TV  key 5  CH +\n"
                               "2026-12-24 Thu 23:30  timer 3 (Amp off)  Amplifier  key 1  POWER\n"
                               "2026-12-25 Fri 07:00  timer 1 (Wake up)  TV  key 1  POWER\n";
    QTest::newRow("press --json") << QStringList{"press", "FILE", "TV", "play", "--json"}
                                  << R"("format": "quillet-press",)";
}

void TestCliRemote::eachCommandSaysWhatTheRemoteDoes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    arguments.replaceInStrings(QStringLiteral("FILE"), writeTestFile(dir.filePath(QStringLiteral("demo.DAT")),
                                                                     dataFileBytes(demoImage())));
    const CliResult r = runCliInProcess(arguments);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(expected), qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TestCliRemote)
#include "tst_cliremote.moc"
