#include "app/Startup.h"
#include "core/Paths.h"
#include "render/Pages.h"
#include "render/RenderTestSupport.h"
#include "support/AppTestSupport.h"

#include <QStatusBar>

#include <QFileInfo>
#include <QTemporaryDir>

using namespace quillet;
using namespace quillet::testing;

// Start-up from an installation that cannot be written, with a fresh home: the documents
// go to the per-user folder, the shipped files come from the installation.
class TestInstalled : public QObject {
    Q_OBJECT
private slots:
    void startsCleanAndKeepsDocumentsPerUser();
};

void TestInstalled::startsCleanAndKeepsDocumentsPerUser()
{
    const QString prefix = qEnvironmentVariable("QUILLET_INSTALLED");
    QVERIFY2(QFileInfo(prefix + "/bin/quillet").isExecutable(), "QUILLET_INSTALLED must name an installed prefix");
    QTemporaryDir home;
    QTemporaryDir settings;
    isolateSettings(settings.path());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());

    Globals g;
    ScriptedUiServices ui;
    StartupOptions options;
    options.appDir = prefix + "/bin";
    options.splashMs = 0;
    auto w = runStartup(g, ui, options);

    // Splash, icon and help found in the installation; nothing to warn about.
    QCOMPARE(ui.texts(), QStringList());
    const QString perUser = QDir::toNativeSeparators(home.path() + "/Quillet");
    QCOMPARE(g.AppDir, perUser);
    QCOMPARE(g.AppDirName, QStringLiteral("Quillet"));
    QCOMPARE(g.HelpFile, QDir::toNativeSeparators(prefix + "/share/quillet/HELP.HLP"));
    QVERIFY(!w->windowIcon().isNull());
    QVERIFY(QFileInfo(perUser + "/DATA").isDir());
    QVERIFY(QFileInfo(perUser + "/MODEL").isDir());
    QCOMPARE(readFile(perUser + "/setup.inf"), QByteArray("Com Port: 1\r\n"));

    // A data file put there shows in the tree, opens from it and saves there.
    saveImage(perUser + "/DATA/home.DAT", standardImage);
    w->FillFileTree();
    QTreeWidgetItem *node = treeItem(w->TreeView1, {"Quillet", "DATA", "home.DAT"});
    QVERIFY(node);
    clickItem(w->TreeView1, node);
    TRIGGER(w.get(), "mnuLoad");
    QCOMPARE(g.CurrentFile, perUser + QDir::separator() + "DATA" + QDir::separator() + "home.DAT");
    g.Image.set(300, 11, 0x5A);
    TRIGGER(w.get(), "mnuFileSave");
    QCOMPARE(static_cast<quint8>(readFile(perUser + "/DATA/home.DAT").at(2 + 300 * 266 + 11)), quint8(0x5A));
    // The open dialog starts there too.
    TRIGGER(w.get(), "mnuFileOpenDATA");
    QCOMPARE(ui.fileRequests.last().request.startFolder, perUser + QDir::separator() + "DATA" + QDir::separator());

    // Export finds the pictures in the installation: an icon key comes out drawn, and the
    // status bar says where the pictures went.
    auto tv = std::make_unique<DeviceWorkset>();
    clearDevice(*tv);
    putKey(*tv, 0, 0, 0, 0, 0, 0, 2, 2, QString(), 5);
    WriteDeviceWorkset(g.Image, *tv, 0);
    ui.clear();
    ui.answerFile(perUser + "/den.png");
    TRIGGER(w.get(), "mnuFileExport");
    QCOMPARE(ui.texts(), QStringList());
    const KeyFaces shipped(prefix + "/share/quillet", KeyFaces::Pictures::WithIcons);
    QVERIFY(shipped.missingFiles().isEmpty());
    const QImage written(perUser + "/den - TV.png");
    QCOMPARE(written.convertToFormat(QImage::Format_RGB32),
             pictureImage(devicePicture(QStringLiteral("TV"), *tv, shipped)));
    QVERIFY2(w->StatusBar1->currentMessage().contains(perUser), qPrintable(w->StatusBar1->currentMessage()));

    QVERIFY(!QFileInfo::exists(prefix + "/bin/DATA"));
    QVERIFY(!QFileInfo::exists(prefix + "/bin/setup.inf"));
}

QTEST_MAIN(TestInstalled)
#include "tst_installed.moc"
