#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/ModelFile.h"
#include "core/TextCodec.h"
#include "support/AppTestSupport.h"

#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

// n bytes of the image from a linear address, walking pages as the copy routines do.
QByteArray imageBytes(const MemoryImage &image, int address, int n)
{
    QByteArray out;
    ImageCursor c;
    c.SetCursor(address);
    for (int i = 0; i < n; ++i) {
        out.append(static_cast<char>(image.at(c.page, c.byte)));
        c.AdvanceCursor(1);
    }
    return out;
}

void fillImageBytes(MemoryImage &image, int address, int n, int seed)
{
    ImageCursor c;
    c.SetCursor(address);
    for (int i = 0; i < n; ++i) {
        image.set(c.page, c.byte, static_cast<std::uint8_t>(seed + i * 3));
        c.AdvanceCursor(1);
    }
}

// The five areas of a bank, end to end: what a model file of it holds.
QByteArray bankAreas(const MemoryImage &image, int b)
{
    return imageBytes(image, 19536 + 48 * b, 48) + imageBytes(image, 96 * b, 96)
        + imageBytes(image, 22142 + 36 * b, 36) + imageBytes(image, 24024 + 1056 * b, 1056)
        + imageBytes(image, 34848 + 2640 * b, 2640);
}

QByteArray backupAreas(const MemoryImage &image, int k)
{
    return imageBytes(image, 21624 + 48 * k, 48) + imageBytes(image, 20856 + 96 * k, 96)
        + imageBytes(image, 22505 + 36 * k, 36) + imageBytes(image, 126720 + 1056 * k, 1056)
        + imageBytes(image, 63360 + 2640 * k, 2640);
}

void fillBank(MemoryImage &image, int b, int seed)
{
    fillImageBytes(image, 19536 + 48 * b, 48, seed);
    fillImageBytes(image, 96 * b, 96, seed + 1);
    fillImageBytes(image, 22142 + 36 * b, 36, seed + 2);
    fillImageBytes(image, 24024 + 1056 * b, 1056, seed + 3);
    fillImageBytes(image, 34848 + 2640 * b, 2640, seed + 4);
}

QStringList dialogEntries(QDialog &d)
{
    QStringList out;
    auto *list = d.findChild<QListWidget *>("List1");
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Picks the entry with the given text and presses OK.
void choose(QDialog &d, const QString &entry)
{
    auto *list = d.findChild<QListWidget *>("List1");
    const auto found = list->findItems(entry, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(entry));
    list->setCurrentItem(found.first());
    QVERIFY(clickButton(&d, "ComYES"));
}

}  // namespace

// Model files as documents and as an exchange format, backups, and their dialogs.
class TestModels : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void modelIsADocumentOfItsOwn();
    void shortModelIsRefusedAndChangesNothing();
    void exportBank3AndImportIntoBank5();
    void importTargetPicksHighestOfEqualNames();
    void backupStoresDeviceAndListsFilledSlots();
    void cancelledBackupChangesNothing();

private:
    void openData();
    void clickDevice(const QString &name);
    QString modelPath(const QString &name) const { return f_->path("MODEL/" + name); }

    QTemporaryDir settingsDir_;
    std::unique_ptr<MainWindowFixture> f_;
};

void TestModels::initTestCase()
{
    isolateSettings(settingsDir_.path());
}

void TestModels::init()
{
    f_ = std::make_unique<MainWindowFixture>();
    QDir(f_->dir.path()).mkpath("DATA");
    QDir(f_->dir.path()).mkpath("MODEL");
    saveImage(f_->path("DATA/abc.dat"), [](MemoryImage &image) {
        standardImage(image);
        nameDevice(image, 3, "SAT", 0, 2, 2);
        nameDevice(image, 7, "TV", 1, 1, 1);
        fillBank(image, 3, 10);
        fillBank(image, 5, 99);
        fillBank(image, 2, 50);
        fillBank(image, 0, 70);
        // DVD's blocks start with "Z", TV's do not.
        const ImageCursor dvd = ImageAddress(34848 + 2640 * 2);
        image.set(dvd.page, dvd.byte, 'Z');
        const ImageCursor tv = ImageAddress(34848);
        image.set(tv.page, tv.byte, 'Y');
    });
    f_->open();
}

void TestModels::cleanup()
{
    f_.reset();
}

void TestModels::openData()
{
    f_->ui.answerFile(f_->path("DATA/abc.dat"));
    TRIGGER(f_->w.get(), "mnuFileOpenDATA");
    QCOMPARE(f_->g->LoadedKind, 1);
}

void TestModels::clickDevice(const QString &name)
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

void TestModels::modelIsADocumentOfItsOwn()
{
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    auto model = std::make_unique<DeviceWorkset>();
    for (int i = 0; i < 4; ++i)
        model->DevSlotBuf[i].fill(static_cast<Byte>(i + 1));
    model->DevBlockBuf[9][263] = 0x99;
    QVERIFY(SAVE_MODEL_FILE(modelPath("tv.MOD"), *model, nullptr));

    f_->ui.answerFile(modelPath("tv.MOD"));
    TRIGGER(w, "mnuFileOpenMODEL");
    const auto &req = f_->ui.fileRequests.value(0);
    QCOMPARE(req.request.filter, QStringLiteral("MODEL FILE(*.MOD)|*.MOD"));
    QCOMPARE(req.request.defaultSuffix, QStringLiteral("MOD"));
    QCOMPARE(req.request.proposedName, QStringLiteral("MODEL.MOD"));
    QCOMPARE(req.request.startFolder, f_->path("MODEL") + QDir::separator());
    QCOMPARE(g.LoadedKind, 2);
    QCOMPARE(g.Modified, 0);
    QCOMPARE(g.CurrentFile, modelPath("tv.MOD"));
    QCOMPARE(w->windowTitle(), "Quillet  [" + modelPath("tv.MOD") + "]");
    QCOMPARE(g.DevBlockBuf[9][263], Byte(0x99));
    QCOMPARE(listTexts(w->ListView1), QStringList({"MODEL"}));
    QCOMPARE(w->ListView2->topLevelItemCount(), 0);
    QVERIFY(actionEnabled(w, "mnuKeyEdit"));
    QVERIFY(!actionEnabled(w, "mnuMenuEdit"));
    QVERIFY(!actionEnabled(w, "mnuUP"));

    // Save writes the workset back to the model file.
    g.DevSlotBuf[2][5] = 34;
    g.Modified = 1;
    TRIGGER(w, "mnuFileSave");
    QCOMPARE(g.Modified, 0);
    QCOMPARE(g.LoadedKind, 2);
    QCOMPARE(readFile(modelPath("tv.MOD")), modelFileBytes(g));
    QCOMPARE(static_cast<Byte>(readFile(modelPath("tv.MOD")).at(2 * 12 + 5)), Byte(34));

    // Save As uses the model dialog and the new name becomes the document.
    f_->ui.answerFile(modelPath("copy.MOD"));
    TRIGGER(w, "mnuFileSaveAs");
    QCOMPARE(f_->ui.fileRequests.last().request.filter, QStringLiteral("MODEL FILE(*.MOD)|*.MOD"));
    QCOMPARE(f_->ui.fileRequests.last().request.startFolder, f_->path("MODEL") + QDir::separator());
    QCOMPARE(g.CurrentFile, modelPath("copy.MOD"));
    QCOMPARE(readFile(modelPath("copy.MOD")), readFile(modelPath("tv.MOD")));

    // Fast Open of a data file from the tree ends the model document.
    clickItem(w->TreeView1, treeItem(w->TreeView1, {g.AppDirName, "DATA", "abc.dat"}));
    TRIGGER(w, "mnuLoad");
    QCOMPARE(g.LoadedKind, 1);
    // And Fast Open of a model starts one again.
    clickItem(w->TreeView1, treeItem(w->TreeView1, {g.AppDirName, "MODEL", "tv.MOD"}));
    TRIGGER(w, "mnuLoad");
    QCOMPARE(g.LoadedKind, 2);
    QCOMPARE(g.CurrentFile, modelPath("tv.MOD"));
}

void TestModels::shortModelIsRefusedAndChangesNothing()
{
    openData();
    Globals &g = *f_->g;
    QVERIFY(writeFile(modelPath("short.MOD"), QByteArray(3875, '\x01')));
    g.DevSlotBuf[0][0] = 77;
    f_->ui.answerFile(modelPath("short.MOD"));
    TRIGGER(f_->w.get(), "mnuFileOpenMODEL");
    QCOMPARE(f_->ui.shown.size(), 1);
    QCOMPARE(f_->ui.shown[0].title, QStringLiteral("Warning"));
    QVERIFY(f_->ui.shown[0].text.contains(modelPath("short.MOD")));
    QCOMPARE(g.LoadedKind, 1);
    QCOMPARE(g.CurrentFile, f_->path("DATA/abc.dat"));
    QCOMPARE(g.DevSlotBuf[0][0], Byte(77));
    QCOMPARE(listTexts(f_->w->ListView1).first(), QStringLiteral("MENU"));
}

void TestModels::exportBank3AndImportIntoBank5()
{
    openData();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    const QStringList devices = listTexts(w->ListView1);
    const QByteArray bank3 = bankAreas(g.Image, 3);
    QVERIFY(bank3 != bankAreas(g.Image, 5));

    clickDevice("SAT");
    QCOMPARE(g.SelectedBank, 3);
    f_->ui.answerFile(modelPath("sat.MOD"));
    TRIGGER(w, "mnuModelSave");
    const auto &req = f_->ui.fileRequests.last();
    QVERIFY(req.save);
    QCOMPARE(req.request.filter, QStringLiteral("MODEL FILE(*.MOD)|*.MOD"));
    QCOMPARE(req.request.startFolder, f_->path("MODEL") + QDir::separator());
    QCOMPARE(req.request.proposedName, QStringLiteral("SAT.MOD"));
    QCOMPARE(readFile(modelPath("sat.MOD")), bank3);
    // The data file stays the document.
    QCOMPARE(g.CurrentFile, f_->path("DATA/abc.dat"));
    QCOMPARE(g.LoadedKind, 1);
    QCOMPARE(g.Modified, 0);
    QTreeWidgetItem *node = treeItem(w->TreeView1, {g.AppDirName, "MODEL", "sat.MOD"});
    QVERIFY(node);

    // Import the model into bank 5 ("AMP").
    clickItem(w->TreeView1, node);
    f_->ui.onDialog([](QDialog &d) {
        QCOMPARE(d.objectName(), QStringLiteral("frmModelIn"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Open Model.."));
        QCOMPARE(d.findChild<QLabel *>("Label1")->text(), QStringLiteral("Open Model to.."));
        QCOMPARE(dialogEntries(d), QStringList({"TV", "DVD", "SAT", "AMP", "TV"}));
        QCOMPARE(d.findChild<QListWidget *>("List1")->currentRow(), 0);
        choose(d, "AMP");
    });
    TRIGGER(w, "mnuModelLoad");
    QCOMPARE(g.TargetIndex, 5);
    QCOMPARE(bankAreas(g.Image, 5), bank3);
    QCOMPARE(imageBytes(g.Image, 19776, 48), imageBytes(g.Image, 19680, 48));
    QCOMPARE(g.Modified, 1);
    QCOMPARE(listTexts(w->ListView1), devices);   // names and menu unchanged
    QCOMPARE(trimmedBoth(g.DeviceNames[5]), QStringLiteral("AMP"));

    // Save still writes the data file, now holding the imported bank.
    TRIGGER(w, "mnuFileSave");
    QCOMPARE(g.Modified, 0);
    QCOMPARE(readFile(modelPath("sat.MOD")), bank3);
    auto saved = std::make_unique<MemoryImage>();
    QVERIFY(LOAD_DATA_FILE(f_->path("DATA/abc.dat"), *saved, nullptr));
    QCOMPARE(bankAreas(*saved, 5), bank3);
}

void TestModels::importTargetPicksHighestOfEqualNames()
{
    openData();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    auto model = std::make_unique<DeviceWorkset>();
    model->DevSlotBuf[0].fill(9);
    QVERIFY(SAVE_MODEL_FILE(modelPath("m.MOD"), *model, nullptr));
    w->FillFileTree();
    clickItem(w->TreeView1, treeItem(w->TreeView1, {g.AppDirName, "MODEL", "m.MOD"}));
    clickDevice("DVD");   // the model commands come on with a device selected
    const QByteArray bank0 = bankAreas(g.Image, 0);

    f_->ui.onDialog([](QDialog &d) { choose(d, "TV"); });
    TRIGGER(w, "mnuModelLoad");
    QCOMPARE(g.TargetIndex, 7);
    QCOMPARE(imageBytes(g.Image, 19536 + 48 * 7, 12), QByteArray(12, '\x09'));
    QCOMPARE(bankAreas(g.Image, 0), bank0);

    // Cancel, or the close box: nothing is written.
    g.Modified = 0;
    const QByteArray bank5 = bankAreas(g.Image, 5);
    f_->ui.onDialog([](QDialog &d) { QVERIFY(clickButton(&d, "ComNO")); });
    TRIGGER(w, "mnuModelLoad");
    QCOMPARE(g.TargetIndex, 255);
    QCOMPARE(g.DialogResult, answer::Cancel);
    f_->ui.onDialog([](QDialog &) {});
    TRIGGER(w, "mnuModelLoad");
    QCOMPARE(g.TargetIndex, 255);
    QCOMPARE(g.Modified, 0);
    QCOMPARE(bankAreas(g.Image, 5), bank5);
}

void TestModels::backupStoresDeviceAndListsFilledSlots()
{
    openData();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    QCOMPARE(listTexts(w->ListView2), QStringList({"SAT (OEM)"}));

    clickDevice("DVD");
    f_->ui.onDialog([](QDialog &d) {
        QCOMPARE(d.objectName(), QStringLiteral("frmOEMLoad"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Backup to.."));
        QCOMPARE(d.findChild<QLabel *>("Label1")->text(), QStringLiteral("Backup to.."));
        QCOMPARE(dialogEntries(d), QStringList({"AMP(OEM)", "CD(OEM)", "DVD(OEM)", "LD/VCD(OEM)", "SAT(OEM)",
                                                "TAPE(OEM)", "TV(OEM)", "VCR(OEM)"}));
        choose(d, "DVD(OEM)");
    });
    TRIGGER(w, "mnuOEMLoad");
    QCOMPARE(g.TargetIndex, 3);
    QCOMPARE(backupAreas(g.Image, 3), bankAreas(g.Image, 2));
    QCOMPARE(g.Modified, 1);
    QCOMPARE(listTexts(w->ListView2), QStringList({"SAT (OEM)", "DVD (OEM)"}));

    // TV's blocks do not start with "Z": stored, but the slot is not listed.
    clickDevice("TV");
    f_->ui.onDialog([](QDialog &d) { choose(d, "TV(OEM)"); });
    TRIGGER(w, "mnuOEMLoad");
    QCOMPARE(g.TargetIndex, 5);
    QCOMPARE(backupAreas(g.Image, 5), bankAreas(g.Image, 0));
    QCOMPARE(listTexts(w->ListView2), QStringList({"SAT (OEM)", "DVD (OEM)"}));
}

void TestModels::cancelledBackupChangesNothing()
{
    openData();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    clickDevice("DVD");
    auto before = std::make_unique<MemoryImage>(g.Image);
    f_->ui.onDialog([](QDialog &d) { QVERIFY(clickButton(&d, "ComNO")); });
    TRIGGER(w, "mnuOEMLoad");
    f_->ui.onDialog([](QDialog &) {});   // closed by its frame
    TRIGGER(w, "mnuOEMLoad");
    QCOMPARE(g.TargetIndex, 255);
    QCOMPARE(g.DialogResult, answer::Cancel);
    QCOMPARE(g.Modified, 0);
    QVERIFY(std::equal(before->data(), before->data() + MemoryImage::TotalBytes, g.Image.data()));
    QCOMPARE(listTexts(w->ListView2), QStringList({"SAT (OEM)"}));
}

QTEST_MAIN(TestModels)
#include "tst_models.moc"
