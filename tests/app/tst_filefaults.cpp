#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/ModelFile.h"
#include "support/AppTestSupport.h"

#include <QMap>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

const QString SaveQuestion = QStringLiteral("Data has been modified, do you want to save?");

// A save file whose device gives out after `limit` bytes, as a failing disk or a pulled
// network share does, with the reason the system would give.
class FailingSaveFile : public QSaveFile {
public:
    FailingSaveFile(const QString &path, qint64 limit, QString reason)
        : QSaveFile(path), limit_(limit), reason_(std::move(reason))
    {
    }

protected:
    qint64 writeData(const char *data, qint64 len) override
    {
        if (written_ >= limit_) {
            setErrorString(reason_);
            return -1;
        }
        const qint64 n = QSaveFile::writeData(data, std::min(len, limit_ - written_));
        if (n > 0)
            written_ += n;
        return n;
    }

private:
    qint64 limit_;
    qint64 written_ = 0;
    QString reason_;
};

// What a failed load or save must leave exactly as it was.
struct Document {
    int loadedKind = 0;
    int modified = 0;
    QString currentFile;
    QString caption;
    QByteArray image;
    QByteArray workset;
    QStringList devices;
};

Document documentOf(const MainWindowFixture &f)
{
    const Globals &g = *f.g;
    return {g.LoadedKind,
            g.Modified,
            g.CurrentFile,
            f.w->windowTitle(),
            QByteArray(reinterpret_cast<const char *>(g.Image.data()), MemoryImage::TotalBytes),
            modelFileBytes(g),
            listTexts(f.w->ListView1)};
}

void compareDocuments(const Document &now, const Document &before)
{
    QCOMPARE(now.loadedKind, before.loadedKind);
    QCOMPARE(now.modified, before.modified);
    QCOMPARE(now.currentFile, before.currentFile);
    QCOMPARE(now.caption, before.caption);
    QVERIFY2(now.image == before.image, "the image changed");
    // With a model loaded the DeviceWorkset is the document; with an image, a scratch area.
    if (before.loadedKind == 2)
        QVERIFY2(now.workset == before.workset, "the model changed");
    QCOMPARE(now.devices, before.devices);
}

QStringList folderEntries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

bool runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Makes a folder read-only even for root, and undoes that however the test ends:
// the immutable attribute where the file system has it, else a read-only bind mount.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString path) : path_(std::move(path))
    {
        if (runTool(QStringLiteral("chattr"), {QStringLiteral("+i"), path_})) {
            how_ = Immutable;
        } else if (runTool(QStringLiteral("mount"), {QStringLiteral("--bind"), path_, path_})) {
            how_ = BindMount;
            if (!runTool(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro,bind"), path_}))
                release();
        }
    }
    ~ReadOnlyFolder() { release(); }
    bool active() const { return how_ != None; }
    void release()
    {
        if (how_ == Immutable)
            runTool(QStringLiteral("chattr"), {QStringLiteral("-i"), path_});
        else if (how_ == BindMount)
            runTool(QStringLiteral("umount"), {path_});
        how_ = None;
    }

private:
    enum { None, Immutable, BindMount } how_ = None;
    QString path_;
};

// A small file system of its own, mounted over a folder and unmounted at the end.
class SmallDisk {
public:
    SmallDisk(QString path, const QString &size) : path_(std::move(path))
    {
        QDir().mkpath(path_);
        mounted_ = runTool(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                    QStringLiteral("size=") + size, QStringLiteral("tmpfs"), path_});
    }
    ~SmallDisk()
    {
        if (mounted_)
            runTool(QStringLiteral("umount"), {path_});
    }
    bool mounted() const { return mounted_; }
    // Takes up what room is left, so that the next write finds the disk full.
    bool fill() const
    {
        QFile filler(QDir(path_).filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size()) {
        }
        return true;
    }

private:
    QString path_;
    bool mounted_ = false;
};

}  // namespace

// Saves and loads that fail part way, into folders that refuse them, onto a full disk, or
// of files that disappear: every time the previous file is intact byte for byte, the
// document is as it was, and the user is told which file failed and why.
class TestFileFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void saveFailsPartWay_data();
    void saveFailsPartWay();
    void readOnlyFolder();
    void fullDisk();
    void exportAndPrintOntoAFullDisk();
    void fileVanishesBeforeTheRead_data();
    void fileVanishesBeforeTheRead();
    void readFailsPartWay();

private:
    QString dataPath(const QString &name) const { return f_->path("DATA/" + name); }
    QString modelPath(const QString &name) const { return f_->path("MODEL/" + name); }
    void openDocument(const QString &path, bool model);
    void selectInTree(const QStringList &below);
    void clickDevice(const QString &name);
    // Exactly one new "Warning" box, naming the file and giving the reason.
    void expectWarning(int shownBefore, const QString &file, const QStringList &reasons);

    QTemporaryDir settingsDir_;
    std::unique_ptr<MainWindowFixture> f_;
};

void TestFileFaults::initTestCase()
{
    isolateSettings(settingsDir_.path());
}

void TestFileFaults::init()
{
    f_ = std::make_unique<MainWindowFixture>();
    QDir(f_->dir.path()).mkpath("DATA");
    QDir(f_->dir.path()).mkpath("MODEL");
    saveImage(dataPath("abc.dat"), standardImage);
    saveImage(dataPath("other.DAT"), [](MemoryImage &image) {
        clearMenu(image);
        nameDevice(image, 1, "VCR", 0, 0, 0);
        image.set(77, 7, 0x77);
    });
    auto model = std::make_unique<DeviceWorkset>();
    for (auto &r : model->DevBlockBuf)
        r.fill(0x3C);
    QVERIFY(writeFile(modelPath("tv.MOD"), modelFileBytes(*model)));
    model->DevLocBuf.fill(0x11);
    QVERIFY(writeFile(modelPath("other.MOD"), modelFileBytes(*model)));
    f_->open();
}

void TestFileFaults::cleanup()
{
    f_.reset();
}

void TestFileFaults::openDocument(const QString &path, bool model)
{
    f_->ui.answerFile(path);
    TRIGGER(f_->w.get(), model ? "mnuFileOpenMODEL" : "mnuFileOpenDATA");
    QCOMPARE(f_->g->CurrentFile, path);
    // Unsaved work the failures below must not lose.
    if (model)
        f_->g->DevSlotBuf[1][1] = 7;
    else
        f_->g->Image.set(300, 11, 0xCD);
    f_->g->Modified = 1;
}

void TestFileFaults::selectInTree(const QStringList &below)
{
    f_->w->FillFileTree();
    QTreeWidgetItem *item = treeItem(f_->w->TreeView1, QStringList{f_->g->AppDirName} + below);
    QVERIFY2(item, qPrintable(below.join('/')));
    clickItem(f_->w->TreeView1, item);
}

void TestFileFaults::clickDevice(const QString &name)
{
    QTreeWidget *list = f_->w->ListView1;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(0) == name) {
            clickItem(list, list->topLevelItem(i));
            return;
        }
    }
    QFAIL(qPrintable("no device " + name));
}

void TestFileFaults::expectWarning(int shownBefore, const QString &file, const QStringList &reasons)
{
    const auto &shown = f_->ui.shown;
    QCOMPARE(shown.size(), shownBefore + 1);
    QCOMPARE(shown.last().title, QStringLiteral("Warning"));
    QCOMPARE(shown.last().icon, MsgIcon::Warning);
    QVERIFY2(shown.last().text.contains(file), qPrintable(shown.last().text));
    bool reasonGiven = false;
    for (const QString &r : reasons)
        reasonGiven = reasonGiven || shown.last().text.contains(r, Qt::CaseInsensitive);
    QVERIFY2(reasonGiven, qPrintable(shown.last().text));
}

void TestFileFaults::saveFailsPartWay_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<qint64>("limit");
    // Nothing written, one byte, a write buffer's worth (or half a model), all but the last byte.
    const QStringList commands = {"Save data", "Save As over another data file", "Save model",
                                  "Save As over another model", "Save Model over a model", "Exit's save",
                                  "Fast Open's save"};
    for (const QString &command : commands) {
        const qint64 size = command.contains("model", Qt::CaseInsensitive) ? modelfile::Size : datafile::CompleteSize;
        for (qint64 limit : {qint64(0), qint64(1), std::min<qint64>(16384, size / 2), size - 1})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2 bytes").arg(command).arg(limit))) << command << limit;
    }
}

void TestFileFaults::saveFailsPartWay()
{
    QFETCH(QString, command);
    QFETCH(qint64, limit);
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    const bool model = command == "Save model" || command == "Save As over another model";
    openDocument(model ? modelPath("tv.MOD") : dataPath("abc.dat"), model);

    QString target;
    if (command == "Save data" || command == "Save model") {
        target = g.CurrentFile;
    } else if (command == "Save Model over a model") {
        target = modelPath("other.MOD");
        clickDevice("TV");
        f_->ui.answerFile(target);
        f_->ui.answer(answer::OK);   // replace
    } else if (command == "Fast Open's save") {
        // Yes to the question, and the save through the dialog (over the open file) fails:
        // the other file must not be opened.
        target = g.CurrentFile;
        selectInTree({"DATA", "other.DAT"});
        f_->ui.answer(answer::Yes);
        f_->ui.answerFile(target);
        f_->ui.answer(answer::OK);
    } else if (command == "Exit's save") {
        target = dataPath("other.DAT");
        f_->ui.answer(answer::Yes);
        f_->ui.answerFile(target);
        f_->ui.answer(answer::OK);
    } else {
        target = model ? modelPath("other.MOD") : dataPath("other.DAT");
        f_->ui.answerFile(target);
        f_->ui.answer(answer::OK);
    }
    const QByteArray previous = readFile(target);
    QVERIFY(!previous.isEmpty());
    const QStringList folder = folderEntries(QFileInfo(target).path());
    const Document before = documentOf(*f_);
    const int shownBefore = static_cast<int>(f_->ui.shown.size());

    int saves = 0;
    g.makeSaveFile = [&](const QString &path) -> std::unique_ptr<QSaveFile> {
        ++saves;
        return std::make_unique<FailingSaveFile>(path, limit, QStringLiteral("Input/output error"));
    };
    const char *action = command.startsWith("Save As")          ? "mnuFileSaveAs"
                         : command == "Save Model over a model" ? "mnuModelSave"
                         : command == "Exit's save"             ? "mnuFileClose"
                         : command == "Fast Open's save"        ? "mnuLoad"
                                                                : "mnuFileSave";
    TRIGGER(w, action);

    QCOMPARE(saves, 1);
    QVERIFY2(readFile(target) == previous, "the previous file changed");
    QCOMPARE(folderEntries(QFileInfo(target).path()), folder);   // no half-written file left
    // The questions asked on the way count as shown too.
    const int questions = command == "Fast Open's save" || command == "Exit's save" ? 2
                          : command == "Save data" || command == "Save model" ? 0
                                                                              : 1;
    expectWarning(shownBefore + questions, target, {"Input/output error"});
    compareDocuments(documentOf(*f_), before);
    QVERIFY(!w->hasExited());

    // With the device working again the same command succeeds.
    g.makeSaveFile = nullptr;
    if (command == "Save data" || command == "Save model") {
        TRIGGER(w, "mnuFileSave");
        QCOMPARE(g.Modified, 0);
        QCOMPARE(readFile(target), model ? modelFileBytes(g) : dataFileBytes(g.Image));
    }
}

void TestFileFaults::readOnlyFolder()
{
    frmMain *w = f_->w.get();
    openDocument(dataPath("abc.dat"), false);
    const QByteArray previous = readFile(dataPath("abc.dat"));
    const QByteArray previousModel = readFile(modelPath("tv.MOD"));
    ReadOnlyFolder data(f_->path("DATA"));
    ReadOnlyFolder models(f_->path("MODEL"));
    if (!data.active() || !models.active())
        QSKIP("neither chattr +i nor a read-only bind mount is possible here");
    const QStringList reasons = {"Permission denied", "Operation not permitted", "Read-only file system"};
    const Document before = documentOf(*f_);

    int shown = static_cast<int>(f_->ui.shown.size());
    TRIGGER(w, "mnuFileSave");
    expectWarning(shown, dataPath("abc.dat"), reasons);

    shown = static_cast<int>(f_->ui.shown.size());
    f_->ui.answerFile(dataPath("new.DAT"));
    TRIGGER(w, "mnuFileSaveAs");
    expectWarning(shown, dataPath("new.DAT"), reasons);
    QVERIFY(!QFileInfo::exists(dataPath("new.DAT")));

    shown = static_cast<int>(f_->ui.shown.size());
    clickDevice("TV");
    f_->ui.answerFile(modelPath("tv.MOD"));
    f_->ui.answer(answer::OK);   // replace
    TRIGGER(w, "mnuModelSave");
    expectWarning(shown + 1, modelPath("tv.MOD"), reasons);

    data.release();
    models.release();
    QVERIFY(readFile(dataPath("abc.dat")) == previous);
    QVERIFY(readFile(modelPath("tv.MOD")) == previousModel);
    QCOMPARE(folderEntries(f_->path("DATA")), QStringList({"abc.dat", "other.DAT"}));
    QCOMPARE(folderEntries(f_->path("MODEL")), QStringList({"other.MOD", "tv.MOD"}));
    compareDocuments(documentOf(*f_), before);
}

void TestFileFaults::fullDisk()
{
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    const QString folder = f_->path("FULL");
    // Room for one data file and one model, not for a second data file.
    SmallDisk disk(folder, QStringLiteral("192k"));
    const QString data = folder + QDir::separator() + "old.DAT";
    const QString model = folder + QDir::separator() + "old.MOD";
    QVERIFY(QFile::copy(dataPath("abc.dat"), data));
    QVERIFY(QFile::copy(modelPath("tv.MOD"), model));
    const QStringList reasons = {"No space left on device"};
    if (!disk.mounted()) {
        // No mount here: a device that reports the full disk stands in for it (it cannot
        // show a write that fails only when the save file is closed).
        qInfo("No tmpfs can be mounted here; a failing device stands in for the full disk.");
        g.makeSaveFile = [](const QString &path) -> std::unique_ptr<QSaveFile> {
            return std::make_unique<FailingSaveFile>(path, 4096, QStringLiteral("No space left on device"));
        };
    }
    const QByteArray previous = readFile(data);
    const QByteArray previousModel = readFile(model);

    openDocument(data, false);
    if (disk.mounted())
        QVERIFY(disk.fill());
    const QStringList entries = folderEntries(folder);
    Document before = documentOf(*f_);
    int shown = static_cast<int>(f_->ui.shown.size());
    TRIGGER(w, "mnuFileSave");
    expectWarning(shown, data, reasons);
    compareDocuments(documentOf(*f_), before);

    shown = static_cast<int>(f_->ui.shown.size());
    f_->ui.answerFile(folder + QDir::separator() + "new.DAT");
    TRIGGER(w, "mnuFileSaveAs");
    expectWarning(shown, "new.DAT", reasons);
    compareDocuments(documentOf(*f_), before);
    QVERIFY(readFile(data) == previous);
    QCOMPARE(folderEntries(folder), entries);

    // A model document on the same disk. Its save is small: only a full disk refuses it.
    g.Modified = 0;
    openDocument(model, true);
    before = documentOf(*f_);
    shown = static_cast<int>(f_->ui.shown.size());
    TRIGGER(w, "mnuFileSave");
    expectWarning(shown, model, reasons);
    compareDocuments(documentOf(*f_), before);
    QVERIFY(readFile(model) == previousModel);
    QCOMPARE(folderEntries(folder), entries);
}

void TestFileFaults::exportAndPrintOntoAFullDisk()
{
    frmMain *w = f_->w.get();
    const QString folder = f_->path("FULL");
    SmallDisk disk(folder, QStringLiteral("4m"));
    const QString sep = QDir::separator();
    const QStringList targets = {folder + sep + "guide.pdf", folder + sep + "shots.png"};
    openDocument(dataPath("abc.dat"), false);
    // A guide and its pictures, exported there before.
    for (const QString &target : targets) {
        f_->ui.answerFile(target);
        TRIGGER(w, "mnuFileExport");
    }
    QVERIFY(QFileInfo::exists(targets[0]));
    QVERIFY(QFileInfo::exists(folder + sep + "shots - MENU.png"));
    if (disk.mounted()) {
        QVERIFY(disk.fill());
    } else {
        f_->g->makeSaveFile = [](const QString &path) -> std::unique_ptr<QSaveFile> {
            return std::make_unique<FailingSaveFile>(path, 0, QStringLiteral("No space left on device"));
        };
    }
    QMap<QString, QByteArray> before;
    for (const QString &name : folderEntries(folder))
        before.insert(name, readFile(folder + sep + name));

    // Exported again over them: each fails with the reason, and what was there stays whole.
    for (const QString &target : targets) {
        f_->ui.answerFile(target);
        f_->ui.answer(answer::OK);   // "replace"
        TRIGGER(w, "mnuFileExport");
        QVERIFY2(f_->ui.lastText().contains(QFileInfo(target).completeBaseName())
                     && f_->ui.lastText().contains(QStringLiteral("No space left on device"), Qt::CaseInsensitive),
                 qPrintable(f_->ui.lastText()));
    }
    // Printed to a file there, from the print preview: the same.
    f_->ui.onDialog([&targets](QDialog &d) {
        auto &preview = static_cast<QPrintPreviewDialog &>(d);
        preview.printer()->setOutputFormat(QPrinter::PdfFormat);
        preview.printer()->setOutputFileName(targets[0]);
        auto *widget = d.findChild<QPrintPreviewWidget *>();
        QVERIFY(widget);
        widget->print();
    });
    TRIGGER(w, "mnuFilePrint");
    QVERIFY2(f_->ui.lastText().contains(QStringLiteral("guide.pdf"))
                 && f_->ui.lastText().contains(QStringLiteral("No space left on device"), Qt::CaseInsensitive),
             qPrintable(f_->ui.lastText()));
    QCOMPARE(folderEntries(folder), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(readFile(folder + sep + it.key()) == it.value(), qPrintable(it.key()));
}

void TestFileFaults::fileVanishesBeforeTheRead_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("becomesFolder");
    for (bool folder : {false, true}) {
        const char *how = folder ? ", replaced by a folder" : ", deleted";
        for (const char *command : {"Open DATA", "Open MODEL", "Fast Open data", "Fast Open model", "Open Model.."})
            QTest::newRow(qPrintable(QString::fromLatin1(command) + how)) << QString::fromLatin1(command) << folder;
    }
}

void TestFileFaults::fileVanishesBeforeTheRead()
{
    QFETCH(QString, command);
    QFETCH(bool, becomesFolder);
    frmMain *w = f_->w.get();
    openDocument(dataPath("abc.dat"), false);
    const bool model = command.contains("MODEL", Qt::CaseInsensitive) || command == "Open Model..";
    const QString victim = model ? modelPath("other.MOD") : dataPath("other.DAT");
    auto takeAway = [victim, becomesFolder] {
        QVERIFY(QFile::remove(victim));
        if (becomesFolder)
            QVERIFY(QDir().mkpath(victim));
    };
    if (command == "Open Model..")
        clickDevice("TV");   // the import needs a device chosen in the list
    if (command.startsWith("Fast Open") || command == "Open Model..") {
        selectInTree(model ? QStringList{"MODEL", "other.MOD"} : QStringList{"DATA", "other.DAT"});
        takeAway();   // between the click in the tree and the command
    } else {
        f_->ui.answerFile(victim);
        f_->ui.beforeFileAnswer = [&](const QString &) { takeAway(); };
    }
    // Open Model.. loads into the open document and asks nothing first.
    const bool asks = command != "Open Model..";
    if (asks)
        f_->ui.answer(answer::No);   // do not save the unsaved work: open anyway
    const Document before = documentOf(*f_);
    const int shown = static_cast<int>(f_->ui.shown.size());

    const char *action = command == "Open DATA"      ? "mnuFileOpenDATA"
                         : command == "Open MODEL"   ? "mnuFileOpenMODEL"
                         : command == "Open Model.." ? "mnuModelLoad"
                                                     : "mnuLoad";
    TRIGGER(w, action);
    expectWarning(shown + (asks ? 1 : 0), victim, {becomesFolder ? "is a folder" : "No such file"});
    compareDocuments(documentOf(*f_), before);
    QVERIFY(f_->ui.dialogsShown.isEmpty());   // no target dialog for a model that never loaded
}

void TestFileFaults::readFailsPartWay()
{
    // Reading this file fails with an input/output error after it has been opened.
    if (!QFile::link(QStringLiteral("/proc/self/mem"), dataPath("broken.DAT"))
        || !QFile::link(QStringLiteral("/proc/self/mem"), modelPath("broken.MOD")))
        QSKIP("no /proc/self/mem to read from");
    frmMain *w = f_->w.get();
    openDocument(dataPath("abc.dat"), false);
    const Document before = documentOf(*f_);
    const QStringList reasons = {"Input/output error"};

    int shown = static_cast<int>(f_->ui.shown.size());
    f_->ui.answer(answer::No);
    f_->ui.answerFile(dataPath("broken.DAT"));
    TRIGGER(w, "mnuFileOpenDATA");
    expectWarning(shown + 1, dataPath("broken.DAT"), reasons);
    compareDocuments(documentOf(*f_), before);

    shown = static_cast<int>(f_->ui.shown.size());
    f_->ui.answer(answer::No);
    selectInTree({"MODEL", "broken.MOD"});
    TRIGGER(w, "mnuLoad");
    expectWarning(shown + 1, modelPath("broken.MOD"), reasons);
    compareDocuments(documentOf(*f_), before);
}

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
