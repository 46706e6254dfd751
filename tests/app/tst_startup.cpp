#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "support/AppTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

void makePictures(const QString &dir)
{
    QImage splash(320, 240, QImage::Format_RGB32);
    splash.fill(Qt::darkBlue);
    QVERIFY(splash.save(dir + "/START.jpg", "JPG"));
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    QVERIFY(icon.save(dir + "/program icon.ico", "ICO"));
}

QSettings userSettings()
{
    return QSettings(QStringLiteral("Quillet"), QStringLiteral("Quillet"));
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void firstStartInEmptyFolder();
    void splashIsShownForTheDelayAndThenClosed();
    void existingSettingsFileIsReadNotReplaced_data();
    void existingSettingsFileIsReadNotReplaced();
    void whatCannotBePreparedIsToldAndStartGoesOn();
    void windowSettingsAreRestoredInTwips();
    void closeRequestIsIgnoredAndExitStoresEverything();
    void exitWhileMinimisedKeepsTheLastNormalPlace();
    void windowComesBackAsItWasLeft();
    void exitWritesPortEvenWhenSetupFileFails();

private:
    std::unique_ptr<frmMain> start(const QString &dir, int splashMs = 0);

    QTemporaryDir settingsDir_;
    std::unique_ptr<Globals> g_;
    ScriptedUiServices ui_;
};

void TestStartup::initTestCase()
{
    isolateSettings(settingsDir_.path());
}

void TestStartup::init()
{
    g_ = std::make_unique<Globals>();
    ui_.clear();
    QSettings s = userSettings();
    s.clear();
    s.sync();
}

std::unique_ptr<frmMain> TestStartup::start(const QString &dir, int splashMs)
{
    StartupOptions options;
    options.appDir = dir;
    options.splashMs = splashMs;
    options.recoveryDir = settingsDir_.filePath(QStringLiteral("Recovery"));
    return runStartup(*g_, ui_, options);
}

void TestStartup::firstStartInEmptyFolder()
{
    QTemporaryDir dir;
    auto w = start(dir.path());
    const QString appDir = QDir::toNativeSeparators(dir.path());
    QCOMPARE(g_->AppDir, appDir);
    QCOMPARE(g_->AppDirName, QDir(dir.path()).dirName());
    QCOMPARE(g_->HelpFile, appDir + QDir::separator() + "HELP.HLP");
    QVERIFY(QFileInfo(dir.filePath("DATA")).isDir());
    QVERIFY(QFileInfo(dir.filePath("MODEL")).isDir());
    QCOMPARE(readFile(dir.filePath("setup.inf")), QByteArray("Com Port: 1\r\n"));
    QCOMPARE(g_->ComPort, 1);

    // The window is up with its tree, in the start state.
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Quillet"));
    QCOMPARE(w->TreeView1->topLevelItemCount(), 1);
    QTreeWidgetItem *root = w->TreeView1->topLevelItem(0);
    QCOMPARE(root->text(0), g_->AppDirName);
    QCOMPARE(childTexts(root), QStringList({"DATA", "MODEL"}));
    QCOMPARE(w->lblTitle[0]->text(), appDir + QDir::separator());
    QCOMPARE(w->lblTitle[1]->text(), QStringLiteral("NONE"));
    QCOMPARE(w->lblTitle[2]->text(), QStringLiteral("Backup"));
    QCOMPARE(g_->LoadedKind, 0);
    QCOMPARE(g_->SelectedBank, 255);

    // No pictures in an empty folder: each is named in a warning, and start-up went on.
    QCOMPARE(ui_.shown.size(), 2);
    QVERIFY(ui_.shown[0].text.contains(dir.filePath("START.jpg")));
    QVERIFY(ui_.shown[1].text.contains("program icon.ico"));
    for (const auto &s : ui_.shown) {
        QCOMPARE(s.title, QStringLiteral("Warning"));
        QCOMPARE(s.icon, MsgIcon::Warning);
    }
}

void TestStartup::splashIsShownForTheDelayAndThenClosed()
{
    QTemporaryDir dir;
    makePictures(dir.path());
    StartupOptions options;
    options.appDir = dir.path();
    options.splashMs = 300;
    options.recoveryDir = settingsDir_.filePath(QStringLiteral("Recovery"));
    QPointer<QWidget> splash;
    QElapsedTimer clock;
    options.splashShown = [&](QWidget *s) {
        splash = s;
        QCOMPARE(s->objectName(), QStringLiteral("frmSplash"));
        QVERIFY(s->isVisible());
        // 325 x 245 outside, the 320 x 240 picture inside a thin border.
        QCOMPARE(s->frameGeometry(), QRect(0, 0, 325, 245));
        const QImage shown = s->grab().toImage();
        const QRgb picture = QImage(dir.filePath("START.jpg")).pixel(0, 0);
        QCOMPARE(shown.pixel(2, 2), picture);
        QCOMPARE(shown.pixel(321, 241), picture);
        QVERIFY(shown.pixel(1, 1) != picture && shown.pixel(322, 242) != picture);
        clock.start();
    };
    auto w = runStartup(*g_, ui_, options);
    QVERIFY(clock.isValid());
    QVERIFY(clock.elapsed() >= 300);   // the wait came after the splash was up
    QVERIFY(splash.isNull());          // and it is gone once the main window shows
    QVERIFY(ui_.shown.isEmpty());
    QVERIFY(w->isVisible());
    QVERIFY(!w->windowIcon().isNull());
}

void TestStartup::existingSettingsFileIsReadNotReplaced_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("port");
    QTest::newRow("port 2") << "setup.inf" << QByteArray("Com Port: 2\r\n") << 2;
    QTest::newRow("upper-case name") << "SETUP.INF" << QByteArray("Com Port: 2\r\n") << 2;
    QTest::newRow("marker on a later line") << "setup.inf" << QByteArray("hello\r\nCom Port: 3\r\n") << 3;
    QTest::newRow("no marker means port 1") << "setup.inf" << QByteArray("nothing here\r\n") << 1;
    QTest::newRow("empty file means port 1") << "setup.inf" << QByteArray() << 1;
}

void TestStartup::existingSettingsFileIsReadNotReplaced()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(int, port);
    QTemporaryDir dir;
    makePictures(dir.path());
    QVERIFY(writeFile(dir.filePath(name), contents));
    auto w = start(dir.path());
    QCOMPARE(g_->ComPort, port);
    QCOMPARE(readFile(dir.filePath(name)), contents);
    QCOMPARE(QDir(dir.path()).entryList({"setup.inf"}, QDir::Files).size(), 1);   // no second file
    QVERIFY(ui_.shown.isEmpty());
}

void TestStartup::whatCannotBePreparedIsToldAndStartGoesOn()
{
    QTemporaryDir dir;
    makePictures(dir.path());
    // A file where the DATA folder belongs, and a folder where setup.inf belongs.
    QVERIFY(writeFile(dir.filePath("DATA"), "x"));
    QVERIFY(QDir(dir.path()).mkdir("setup.inf"));
    auto w = start(dir.path());
    QVERIFY(w->isVisible());
    QVERIFY(QFileInfo(dir.filePath("MODEL")).isDir());
    QCOMPARE(g_->ComPort, 1);
    const QStringList texts = ui_.texts();
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts[0].contains(QDir::toNativeSeparators(dir.filePath("DATA"))), qPrintable(texts[0]));
    QVERIFY2(texts[1].contains("setup.inf") && texts[1].contains("folder"), qPrintable(texts[1]));
}

void TestStartup::windowSettingsAreRestoredInTwips()
{
    QTemporaryDir dir;
    makePictures(dir.path());
    const qreal dpiX = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    const qreal dpiY = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    {
        // Defaults: 1000, 1000, 6500, 6500 twips, for the client area.
        auto w = start(dir.path());
        QCOMPARE(w->geometry().topLeft(), QPoint(qRound(1000 * dpiX / 1440), qRound(1000 * dpiY / 1440)));
        QCOMPARE(w->size(), QSize(qRound(6500 * dpiX / 1440), qRound(6500 * dpiY / 1440)));
    }
    {
        QSettings s = userSettings();
        s.setValue("Settings/MainLeft", "1440");
        s.setValue("Settings/MainTop", "720");
        s.setValue("Settings/MainWidth", "7200");
        s.setValue("Settings/MainHeight", "5760");
        s.setValue("Settings/ViewMode", "2");
        s.sync();
    }
    g_ = std::make_unique<Globals>();
    auto w = start(dir.path());
    QCOMPARE(w->geometry().topLeft(), QPoint(qRound(dpiX), qRound(dpiY / 2)));
    QCOMPARE(w->size(), QSize(qRound(5 * dpiX), qRound(4 * dpiY)));
    QCOMPARE(w->ViewMode, 2);
}

void TestStartup::closeRequestIsIgnoredAndExitStoresEverything()
{
    QTemporaryDir dir;
    makePictures(dir.path());
    auto w = start(dir.path());
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    QVERIFY(!(w->windowFlags() & Qt::WindowCloseButtonHint));

    w->setGeometry(150, 120, 600, 450);
    g_->ComPort = 2;
    TRIGGER(w.get(), "mnuFileClose");
    QVERIFY(w->hasExited());
    QVERIFY(!w->isVisible());
    QCOMPARE(readFile(dir.filePath("setup.inf")), QByteArray("Com Port: 2\r\n"));
    const qreal dpiX = w->screen()->logicalDotsPerInchX();
    const qreal dpiY = w->screen()->logicalDotsPerInchY();
    QSettings s = userSettings();
    QCOMPARE(s.value("Settings/MainLeft").toString(), QString::number(qRound(150 * 1440 / dpiX)));
    QCOMPARE(s.value("Settings/MainTop").toString(), QString::number(qRound(120 * 1440 / dpiY)));
    QCOMPARE(s.value("Settings/MainWidth").toString(), QString::number(qRound(600 * 1440 / dpiX)));
    QCOMPARE(s.value("Settings/MainHeight").toString(), QString::number(qRound(450 * 1440 / dpiY)));
    QCOMPARE(s.value("Settings/ViewMode").toString(), QStringLiteral("3"));
}

void TestStartup::exitWhileMinimisedKeepsTheLastNormalPlace()
{
    QTemporaryDir dir;
    makePictures(dir.path());
    {
        QSettings s = userSettings();
        s.setValue("Settings/MainLeft", "2000");
        s.setValue("Settings/ViewMode", "0");
        s.sync();
    }
    auto w = start(dir.path());
    w->move(300, 300);
    w->showMinimized();
    QVERIFY(w->isMinimized());
    TRIGGER(w.get(), "mnuFileClose");
    QSettings s = userSettings();
    QCOMPARE(s.value("Settings/MainLeft").toString(), QStringLiteral("2000"));
    QVERIFY(!s.contains("Settings/MainTop"));
    QCOMPARE(s.value("Settings/ViewMode").toString(), QStringLiteral("0"));   // read at start, written again
}

void TestStartup::windowComesBackAsItWasLeft()
{
    QTemporaryDir dir;
    makePictures(dir.path());
    const QRect place(150, 120, 600, 450);
    auto stored = [] {
        QSettings s = userSettings();
        QStringList v;
        for (const char *key : {"MainLeft", "MainTop", "MainWidth", "MainHeight", "MainMaximized"})
            v << s.value(QStringLiteral("Settings/") + key).toString();
        return v;
    };
    auto w = start(dir.path());
    w->setGeometry(place);
    TRIGGER(w.get(), "mnuFileClose");
    const QStringList normalExit = stored();
    QCOMPARE(normalExit.last(), QStringLiteral("0"));

    // Left maximised: the same place is stored, and the window comes back maximised over it.
    g_ = std::make_unique<Globals>();
    w = start(dir.path());
    QCOMPARE(w->geometry(), place);
    w->showMaximized();
    QTRY_VERIFY(w->isMaximized());
    TRIGGER(w.get(), "mnuFileClose");
    QCOMPARE(stored().mid(0, 4), normalExit.mid(0, 4));
    QCOMPARE(stored().last(), QStringLiteral("1"));
    g_ = std::make_unique<Globals>();
    w = start(dir.path());
    QVERIFY(w->isMaximized());
    QCOMPARE(w->normalGeometry(), place);
    w->showNormal();
    QTRY_COMPARE(w->geometry(), place);

    // A small size as Exit stored it is kept down to the window's own minimum; one larger
    // than the screen is cut to it, frame and all.
    const QRect screen = w->screen()->availableGeometry();
    for (const QSize size : {QSize(160, 110), QSize(screen.width() + 500, screen.height() + 400)}) {
        w->showNormal();
        w->setMinimumSize(0, 0);
        w->setGeometry(QRect(place.topLeft(), size));
        TRIGGER(w.get(), "mnuFileClose");
        g_ = std::make_unique<Globals>();
        w = start(dir.path());
        if (size.width() < screen.width())
            QCOMPARE(w->size(), size.expandedTo(w->minimumSize()));
        QVERIFY(screen.contains(w->frameGeometry()));
    }
}

void TestStartup::exitWritesPortEvenWhenSetupFileFails()
{
    QTemporaryDir dir;
    makePictures(dir.path());
    auto w = start(dir.path());
    // setup.inf replaced by a folder behind the program's back.
    QVERIFY(QFile::remove(dir.filePath("setup.inf")));
    QVERIFY(QDir(dir.path()).mkdir("setup.inf"));
    ui_.clear();
    TRIGGER(w.get(), "mnuFileClose");
    QCOMPARE(ui_.shown.size(), 1);
    QCOMPARE(ui_.shown[0].title, QStringLiteral("Warning"));
    QVERIFY(ui_.shown[0].text.contains("setup.inf"));
    QVERIFY(w->hasExited());   // Exit still ends
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
