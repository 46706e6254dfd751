#include "cli/CliTestSupport.h"
#include "support/HistoryTestFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

// quillet-cli history over a folder with a damaged and a foreign file in it.
class TestCliHistory : public QObject {
    Q_OBJECT
private slots:
    void listsNewestFirstWithWhatChanged();
};

void TestCliHistory::listsNewestFirstWithWhatChanged()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("History"));
    makeHistoryFolder(folder);

    const CliResult text = runCliInProcess({QStringLiteral("history"), QStringLiteral("--folder"), folder});
    QCOMPARE(text.code, 0);
    const QStringList lines = text.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QStringLiteral("2026-01-04 10:00:00  download  ") + historyFolderLines()[0]);
    QCOMPARE(lines[1], QStringLiteral("2026-01-03 10:00:00  download  2026-01-03 10-00-00 download.DAT: ")
                           + historyFolderLines()[1]);
    QCOMPARE(lines[2], QStringLiteral("2026-01-02 10:00:00  upload    ") + historyFolderLines()[2]);
    QVERIFY(lines[4].endsWith(QStringLiteral("-         notes.txt: ") + historyFolderLines()[4]));

    const CliResult json = runCliInProcess({QStringLiteral("history"), QStringLiteral("--json"),
                                            QStringLiteral("--folder=") + folder});
    QCOMPARE(json.code, 0);
    const QJsonObject doc = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(doc[QStringLiteral("format")].toString(), QStringLiteral("quillet-history"));
    QCOMPARE(doc[QStringLiteral("version")].toInt(), 1);
    const QJsonArray entries = doc[QStringLiteral("entries")].toArray();
    QCOMPARE(entries.size(), 5);
    for (int i = 0; i < 5; ++i) {
        const QJsonObject e = entries[i].toObject();
        const bool ok = i == 0 || i == 2 || i == 3;
        QCOMPARE(e[ok ? QStringLiteral("summary") : QStringLiteral("problem")].toString(), historyFolderLines()[i]);
        QVERIFY(e[ok ? QStringLiteral("problem") : QStringLiteral("summary")].isNull());
    }
    QCOMPARE(entries[2].toObject()[QStringLiteral("transfer")].toString(), QStringLiteral("upload"));
    QVERIFY(entries[4].toObject()[QStringLiteral("transfer")].isNull());
    QCOMPARE(entries[0].toObject()[QStringLiteral("time")].toString(), QStringLiteral("2026-01-04T10:00:00"));

    // A folder that is not there is said so, with its name.
    const CliResult missing = runCliInProcess({QStringLiteral("history"), QStringLiteral("--folder"), dir.filePath("none")});
    QCOMPARE(missing.code, 2);
    QVERIFY(missing.err.contains(dir.filePath("none")));
}

QTEST_GUILESS_MAIN(TestCliHistory)
#include "tst_clihistory.moc"
