// "Compare with File..": the document against a data or model file, shown in frmCompare.

#include "app/CompareWithFile.h"
#include "app/frmCompare.h"
#include "app/QtUiServices.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/ModelFile.h"
#include "core/Paths.h"
#include "support/AppTestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QPushButton>
#include <QTreeWidget>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

// What frmCompare shows: every row below the groups with its three columns.
struct Shown {
    QString caption, summary;
    QStringList groups, rows;
};

ScriptedUiServices::DialogScript readAndClose(Shown &shown)
{
    return [&shown](QDialog &d) {
        auto &c = static_cast<frmCompare &>(d);
        shown.caption = c.windowTitle();
        shown.summary = c.lblSummary->text();
        for (int i = 0; i < c.TreeDiff->topLevelItemCount(); ++i) {
            QTreeWidgetItem *group = c.TreeDiff->topLevelItem(i);
            QVERIFY(group->isExpanded());
            shown.groups << group->text(0);
            for (int s = 0; s < group->childCount(); ++s)
                for (int r = 0; r < group->child(s)->childCount(); ++r) {
                    QTreeWidgetItem *row = group->child(s)->child(r);
                    shown.rows << group->child(s)->text(0) + QStringLiteral(" | ") + row->text(0)
                                      + QStringLiteral(" | ") + row->text(1) + QStringLiteral(" | ") + row->text(2);
                }
        }
        QVERIFY(clickButton(&d, QStringLiteral("ComCLOSE")));
    };
}

}  // namespace

class TestCompareFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dataDocumentAgainstAFile();
    void modelDocumentAgainstAModelFile();
    void realDialogsTitledAndOnScreen();

private:
    QTemporaryDir settings_;
};

void TestCompareFile::initTestCase()
{
    isolateSettings(settings_.path());
}

void TestCompareFile::dataDocumentAgainstAFile()
{
    MainWindowFixture f;
    f.open();
    QVERIFY(!actionEnabled(f.w.get(), QStringLiteral("mnuFileCompare")));
    saveImage(f.path(QStringLiteral("DATA/doc.DAT")), standardImage);
    // The other file: the DVD under another name, and a byte that no area holds.
    saveImage(f.path(QStringLiteral("DATA/other.DAT")), [](MemoryImage &m) {
        standardImage(m);
        nameDevice(m, 2, QStringLiteral("BLU"), 0, 1, 1);
        m.set(400, 11, 0x01);
    });
    f.ui.answerFile(f.path(QStringLiteral("DATA/doc.DAT")));
    TRIGGER(f.w.get(), "mnuFileOpenDATA");
    f.g->Modified = 1;
    f.g->SelectedBank = 2;
    auto before = std::make_unique<MemoryImage>(f.g->Image);
    const QString caption = f.w->windowTitle();
    f.ui.clear();

    // A file that cannot be read is told, and nothing is shown.
    f.ui.answerFile(f.path(QStringLiteral("DATA/gone.DAT")));
    TRIGGER(f.w.get(), "mnuFileCompare");
    QCOMPARE(f.ui.shown.size(), 1);
    QCOMPARE(f.ui.shown[0].title, QStringLiteral("Warning"));
    QVERIFY(f.ui.shown[0].text.contains(QStringLiteral("gone.DAT")));
    QVERIFY(f.ui.dialogsShown.isEmpty());

    Shown shown;
    f.ui.answerFile(f.path(QStringLiteral("DATA/other.DAT")));
    f.ui.onDialog(readAndClose(shown));
    TRIGGER(f.w.get(), "mnuFileCompare");
    QCOMPARE(f.ui.fileRequests.last().request.filter, QStringLiteral("DATA FILE(*.DAT)|*.DAT"));
    QCOMPARE(f.ui.fileRequests.last().request.startFolder, f.path(QStringLiteral("DATA")) + nativeSeparator());
    QCOMPARE(shown.caption, QStringLiteral("Compare with other.DAT"));
    QCOMPARE(shown.summary, QStringLiteral("2 differences"));
    QCOMPARE(shown.groups, (QStringList{QStringLiteral("Devices"), QStringLiteral("Other bytes")}));
    QCOMPARE(shown.rows, (QStringList{QStringLiteral("DVD | device renamed | DVD | BLU"),
                                      QStringLiteral("Bytes outside every area | 1 byte differs |  | ")}));

    // The document is only looked at.
    QCOMPARE(std::memcmp(f.g->Image.data(), before->data(), MemoryImage::TotalBytes), 0);
    QCOMPARE(f.g->Modified, 1);
    QCOMPARE(f.g->SelectedBank, 2);
    QCOMPARE(f.g->CurrentFile, f.path(QStringLiteral("DATA/doc.DAT")));
    QCOMPARE(f.w->windowTitle(), caption);

    // The same memory: nothing to show but the summary.
    Shown same;
    f.ui.answerFile(f.path(QStringLiteral("DATA/doc.DAT")));
    f.ui.onDialog(readAndClose(same));
    TRIGGER(f.w.get(), "mnuFileCompare");
    QCOMPARE(same.summary, QStringLiteral("No differences"));
    QVERIFY(same.groups.isEmpty());
}

void TestCompareFile::modelDocumentAgainstAModelFile()
{
    MainWindowFixture f;
    f.open();
    DeviceWorkset dev;
    for (auto &r : dev.DevSlotBuf)
        r.fill(Empty);
    dev.DevSlotBuf[0][0] = 0;
    dev.DevRectBuf[0][0] = 0x00;
    dev.DevRectBuf[0][1] = 0x11;
    dev.DevLocBuf[0] = 0;
    writeLabelText(&dev.DevLabelBuf[0][2], QStringLiteral("OK"));
    QVERIFY(writeFile(f.path(QStringLiteral("MODEL/doc.MOD")), modelFileBytes(dev)));
    dev.DevRectBuf[0][0] = 0x22;
    dev.DevRectBuf[0][1] = 0x33;
    QVERIFY(writeFile(f.path(QStringLiteral("MODEL/other.MOD")), modelFileBytes(dev)));
    f.ui.answerFile(f.path(QStringLiteral("MODEL/doc.MOD")));
    TRIGGER(f.w.get(), "mnuFileOpenMODEL");
    QCOMPARE(f.g->LoadedKind, 2);
    QVERIFY(!actionEnabled(f.w.get(), QStringLiteral("mnuCompareRemote")));

    Shown shown;
    f.ui.answerFile(f.path(QStringLiteral("MODEL/other.MOD")));
    f.ui.onDialog(readAndClose(shown));
    TRIGGER(f.w.get(), "mnuFileCompare");
    QCOMPARE(f.ui.fileRequests.last().request.filter, QStringLiteral("MODEL FILE(*.MOD)|*.MOD"));
    QCOMPARE(shown.summary, QStringLiteral("1 difference"));
    QCOMPARE(shown.rows, QStringList{QStringLiteral(
                             "Device, page 1, key 1 | OK moved | column 1, row 1 | column 3, row 3")});
}

void TestCompareFile::realDialogsTitledAndOnScreen()
{
    // The real file dialog and boxes, answered with keys as a user answers them.
    MainWindowFixture f;
    f.open();
    saveImage(f.path(QStringLiteral("DATA/doc.DAT")), standardImage);
    f.ui.answerFile(f.path(QStringLiteral("DATA/doc.DAT")));
    TRIGGER(f.w.get(), "mnuFileOpenDATA");
    QtUiServices ui;
    QString fileDialogTitle, compareTitle;
    QTimer answering;
    connect(&answering, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            fileDialogTitle = files->windowTitle();
            auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(f.path(QStringLiteral("DATA/doc.DAT")));
            QTest::keyClick(name, Qt::Key_Return);
        } else if (modal && modal->objectName() == QLatin1String("frmCompare")) {
            compareTitle = modal->windowTitle();
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    answering.start(50);
    compareWithFile(*f.g, ui, f.w.get());
    QCOMPARE(fileDialogTitle, QStringLiteral("Compare with File"));
    QCOMPARE(compareTitle, QStringLiteral("Compare with doc.DAT"));

    // Any modal window laid out larger than the screen opens inside it.
    QDialog large(f.w.get());
    large.resize(large.screen()->availableGeometry().size() * 2);
    bool inside = false;
    QTimer::singleShot(0, &large, [&] {
        inside = large.screen()->availableGeometry().contains(large.frameGeometry());
        QTest::keyClick(&large, Qt::Key_Escape);
    });
    QCOMPARE(ui.showModal(large), int(QDialog::Rejected));
    QVERIFY(inside);
}

QTEST_MAIN(TestCompareFile)
#include "tst_comparefile.moc"
