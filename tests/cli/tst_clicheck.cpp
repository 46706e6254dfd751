// The memory check: one memory per kind of finding, made as a user makes it (the editors'
// edits, the text) or as a foreign file holds it, and the check on the command line.

#include "CliTestSupport.h"
#include "support/AppTestSupport.h"
#include "support/PtyRemote.h"

#include "core/DataFile.h"
#include "core/ImageReading.h"
#include "core/LayoutEdits.h"
#include "core/MemoryCheck.h"
#include "core/MemoryText.h"
#include "core/RecordLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

using Change = std::function<void(MemoryImage &)>;

QString findingsText(const std::vector<Finding> &findings)
{
    QStringList lines;
    for (const Finding &f : findings)
        lines << f.line();
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

class TestCliCheck : public QObject {
    Q_OBJECT
private slots:
    void samplesHaveNoErrors();
};

void TestCliCheck::samplesHaveNoErrors()
{
    auto image = std::make_unique<MemoryImage>(demoImage());
    const std::vector<Finding> demo = checkMemory(*image);
    qDebug().noquote() << findingsText(demo);
    QCOMPARE(countFindings(demo).errors, 0);
}

QTEST_GUILESS_MAIN(TestCliCheck)
#include "tst_clicheck.moc"
