// The recovery copy's format: it gives back what it was given, and refuses anything else.

#include "core/MemoryImage.h"
#include "core/ModelFile.h"
#include "core/RecoveryFile.h"

#include <QTest>

using namespace quillet;

class TestRecoveryFile : public QObject {
    Q_OBJECT
private slots:
    void refusesWhatItDidNotWrite();
};

void TestRecoveryFile::refusesWhatItDidNotWrite()
{
    RecoveryCopy copy;
    copy.loadedKind = 2;
    copy.currentFile = QStringLiteral("/x/\u00e9t\u00e9.MOD");
    copy.caption = QStringLiteral("Quillet  [/x/\u00e9t\u00e9.MOD]");
    copy.writtenMs = 1700000000123;
    copy.document = QByteArray(modelfile::Size, '\x07');
    const QByteArray good = recoveryBytes(copy);
    RecoveryCopy back;
    QVERIFY(parseRecovery(good, back, nullptr));
    QCOMPARE(back.currentFile, copy.currentFile);
    QCOMPARE(back.caption, copy.caption);
    QCOMPARE(back.writtenMs, copy.writtenMs);
    QCOMPARE(back.document, copy.document);

    // Cut short anywhere, or one byte more.
    for (int n : {0, 10, 40, int(good.size()) - 33, int(good.size()) - 1})
        QVERIFY2(!parseRecovery(good.left(n), back, nullptr), qPrintable(QString::number(n)));
    QVERIFY(!parseRecovery(good + 'x', back, nullptr));
    // Well sealed but wrong inside: a model-sized document under the image's kind.
    copy.loadedKind = 1;
    QString reason;
    QVERIFY(!parseRecovery(recoveryBytes(copy), back, &reason));
    QVERIFY2(reason.contains(QStringLiteral("bytes where")), qPrintable(reason));
}

QTEST_GUILESS_MAIN(TestRecoveryFile)
#include "tst_recoveryfile.moc"
