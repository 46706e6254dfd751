#include "app/ExternalFiles.h"
#include "app/frmMain.h"
#include "core/ModelFile.h"
#include "support/AppTestSupport.h"

#include <QDialog>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>

using namespace quillet;
using namespace quillet::testing;

namespace {
const QString SaveQuestion = QStringLiteral("Data has been modified, do you want to save?");
}

// Files given on the command line and dropped from a file manager open as File > Open would.
class TestExternalFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fileArgumentOpensByKind();
    void unusableFileArgumentWarnsAndKeepsNothingOpen_data();
    void unusableFileArgumentWarnsAndKeepsNothingOpen();
    void droppedFileOpensAfterTheSaveQuestion();
    void otherDropsAreRefused();
    void aFileGivenDuringATransferWaitsForItsEnd();

private:
    // Drags `mime` over the file tree and, with `drop`, drops it there, through the window
    // as the desktop would; true when the window would take or took it.
    bool dragOverTree(const QMimeData &mime, bool drop);

    QTemporaryDir settingsDir_;
    std::unique_ptr<MainWindowFixture> f_;
};

void TestExternalFiles::initTestCase()
{
    isolateSettings(settingsDir_.path());
}

void TestExternalFiles::init()
{
    f_ = std::make_unique<MainWindowFixture>();
    f_->open();
    saveImage(f_->path("DATA/abc.dat"), standardImage);
    saveImage(f_->path("DATA/other.DAT"), [](MemoryImage &image) {
        standardImage(image);
        nameDevice(image, 4, "SAT", 0, 2, 2);
    });
}

void TestExternalFiles::cleanup()
{
    f_.reset();
}

bool TestExternalFiles::dragOverTree(const QMimeData &mime, bool drop)
{
    QWindow *window = f_->w->windowHandle();
    const QPointF at = f_->w->TreeView1->mapTo(f_->w.get(), f_->w->TreeView1->rect().center());
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
    const bool taken = enter.isAccepted() && move.isAccepted();
    if (!taken || !drop) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window, &leave);
        return taken;
    }
    QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &dropped);
    return dropped.isAccepted();
}

void TestExternalFiles::fileArgumentOpensByKind()
{
    // Relative to the folder the program was started in; the kind by the extension in any case.
    const QString startFolder = QDir::currentPath();
    QDir::setCurrent(f_->path("DATA"));
    openWhenShown(*f_->w, "abc.dat");
    QDir::setCurrent(startFolder);
    QTRY_COMPARE(f_->g->LoadedKind, 1);
    QCOMPARE(f_->g->CurrentFile, f_->path("DATA/abc.dat"));
    QCOMPARE(f_->w->windowTitle(), "Quillet  [" + f_->path("DATA/abc.dat") + "]");
    QCOMPARE(listTexts(f_->w->ListView1), QStringList({"MENU", "TV", "DVD", "AMP"}));

    QString error;
    QVERIFY(SAVE_MODEL_FILE(f_->path("MODEL/tv.mod"), *f_->g, &error));
    openWhenShown(*f_->w, f_->path("MODEL/tv.mod"));
    QTRY_COMPARE(f_->g->LoadedKind, 2);
    QCOMPARE(listTexts(f_->w->ListView1), QStringList({"MODEL"}));
    QCOMPARE(f_->ui.shown.size(), 0);
}

void TestExternalFiles::unusableFileArgumentWarnsAndKeepsNothingOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "gone.DAT" << "gone.DAT";
    // A folder cannot be read as a file, even by root.
    QTest::newRow("unreadable") << "folder.DAT" << "folder.DAT";
    QTest::newRow("not a data or model file") << "notes.txt" << "only data files (*.DAT) and model files (*.MOD)";
}

void TestExternalFiles::unusableFileArgumentWarnsAndKeepsNothingOpen()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QDir(f_->path("DATA")).mkdir("folder.DAT");
    QVERIFY(writeFile(f_->path("DATA/notes.txt"), "notes"));
    openWhenShown(*f_->w, f_->path("DATA/" + name));
    QTRY_COMPARE(f_->ui.shown.size(), 1);
    QCOMPARE(f_->ui.shown[0].title, QStringLiteral("Warning"));
    QVERIFY2(f_->ui.shown[0].text.contains(reason), qPrintable(f_->ui.shown[0].text));
    QCOMPARE(f_->g->LoadedKind, 0);
    QCOMPARE(f_->g->CurrentFile, QString());
    QCOMPARE(f_->w->windowTitle(), QStringLiteral("Quillet"));
    QVERIFY(!actionEnabled(f_->w.get(), "mnuFileSave"));
}

void TestExternalFiles::droppedFileOpensAfterTheSaveQuestion()
{
    QMimeData first;
    first.setUrls({QUrl::fromLocalFile(f_->path("DATA/abc.dat"))});
    QVERIFY(dragOverTree(first, true));
    QTRY_COMPARE(f_->g->LoadedKind, 1);
    QCOMPARE(f_->g->CurrentFile, f_->path("DATA/abc.dat"));

    // Modified: the question of Open; Cancel keeps the document, No opens the dropped file.
    f_->g->Modified = 1;
    QMimeData second;
    second.setUrls({QUrl::fromLocalFile(f_->path("DATA/other.DAT"))});
    f_->ui.answer(answer::Cancel);
    QVERIFY(dragOverTree(second, true));
    QTRY_COMPARE(f_->ui.texts(), QStringList({SaveQuestion}));
    QCOMPARE(f_->g->CurrentFile, f_->path("DATA/abc.dat"));
    QCOMPARE(f_->g->Modified, 1);

    f_->ui.answer(answer::No);
    QVERIFY(dragOverTree(second, true));
    QTRY_COMPARE(f_->g->CurrentFile, f_->path("DATA/other.DAT"));
    QCOMPARE(f_->g->Modified, 0);
    QCOMPARE(listTexts(f_->w->ListView1), QStringList({"MENU", "TV", "DVD", "SAT", "AMP"}));
}

void TestExternalFiles::otherDropsAreRefused()
{
    QVERIFY(writeFile(f_->path("DATA/notes.txt"), "notes"));
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(f_->path("DATA/notes.txt"))});
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(f_->path("DATA/abc.dat")), QUrl::fromLocalFile(f_->path("DATA/other.DAT"))});
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/abc.DAT")});
    QMimeData plain;
    plain.setText(f_->path("DATA/abc.dat"));
    for (const QMimeData *mime : {&text, &two, &remote, &plain})
        QVERIFY(!dragOverTree(*mime, true));

    // While a dialog works on the document, a drop must not replace it.
    QMimeData good;
    good.setUrls({QUrl::fromLocalFile(f_->path("DATA/abc.dat"))});
    QDialog editor(f_->w.get());
    editor.setModal(true);
    editor.show();
    QVERIFY(!dragOverTree(good, true));
    editor.close();
    QVERIFY(dragOverTree(good, false));

    QTest::qWait(10);
    QCOMPARE(f_->g->LoadedKind, 0);
    QCOMPARE(f_->ui.shown.size(), 0);
}

void TestExternalFiles::aFileGivenDuringATransferWaitsForItsEnd()
{
    // The window's hold alone, as a transfer takes it: the file opens once it ends.
    const int before = f_->g->LoadedKind;
    f_->ui.holdBackground();
    openWhenShown(*f_->w, f_->path("DATA/abc.dat"));
    QTest::qWait(50);
    QCOMPARE(f_->g->LoadedKind, before);
    f_->ui.releaseBackground();
    QTRY_COMPARE(f_->g->LoadedKind, 1);
    QCOMPARE(f_->g->CurrentFile, f_->path("DATA/abc.dat"));
}

QTEST_MAIN(TestExternalFiles)
#include "tst_externalfiles.moc"
