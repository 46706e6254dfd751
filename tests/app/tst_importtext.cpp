// "Export.." to text and "Import Text..": the text comes back as a new, unnamed document
// that only Save As names; what cannot be imported changes nothing.

#include "support/AppTestSupport.h"

#include "core/Globals.h"
#include "core/ModelFile.h"

#include <QTest>

#include <cstring>

using namespace quillet;
using namespace quillet::testing;

class TestImportText : public QObject {
    Q_OBJECT
private slots:
    void init();
    void exportedTextComesBackAsANewDocument();
    void aModelsTextComesBackAsAModel();
    void refusedWhileUnsavedTransferringOrFaulty();

private:
    // Export.. of the loaded document to a .json file.
    void exportText(const QString &path)
    {
        fx->ui.answerFile(path);
        TRIGGER(fx->w.get(), "mnuFileExport");
        QVERIFY2(fx->ui.shown.isEmpty(), qPrintable(fx->ui.lastText()));
        QVERIFY(fx->ui.fileRequests.constLast().request.filter.endsWith(QLatin1String("|Text (*.json)|*.json")));
    }
    std::unique_ptr<MainWindowFixture> fx;
    QString data_;
};

void TestImportText::init()
{
    fx = std::make_unique<MainWindowFixture>();
    fx->open();
    data_ = fx->path(QStringLiteral("DATA/abc.dat"));
    saveImage(data_, standardImage);
    fx->ui.answerFile(data_);
    TRIGGER(fx->w.get(), "mnuFileOpenDATA");
    QCOMPARE(fx->g->LoadedKind, 1);
    fx->ui.clear();
}

void TestImportText::exportedTextComesBackAsANewDocument()
{
    // A text that cannot be written is told, not taken for written.
    fx->ui.answerFile(fx->path(QStringLiteral("gone/abc.json")));
    TRIGGER(fx->w.get(), "mnuFileExport");
    QVERIFY(fx->ui.lastText().contains(fx->path(QStringLiteral("gone/abc.json"))));
    fx->ui.clear();

    const QString text = fx->path(QStringLiteral("abc.json"));
    exportText(text);
    // Something else in the window first, so that the import has something to replace.
    std::memset(fx->g->Image.data(), 0, MemoryImage::TotalBytes);
    fx->w->refreshSequence();

    fx->ui.answerFile(text);
    TRIGGER(fx->w.get(), "mnuFileImportText");
    const Globals &g = *fx->g;
    QVERIFY2(fx->ui.shown.isEmpty(), qPrintable(fx->ui.lastText()));
    QCOMPARE(fx->ui.fileRequests.constLast().request.filter, QStringLiteral("Text (*.json)|*.json"));
    QCOMPARE(g.LoadedKind, 1);
    QCOMPARE(g.Modified, 1);
    QVERIFY(g.CurrentFile.isEmpty());
    QCOMPARE(fx->w->windowTitle(), QStringLiteral("Quillet  [IMPORTED]"));
    QCOMPARE(listTexts(fx->w->ListView1), (QStringList{"MENU", "TV", "DVD", "AMP"}));

    // Save names it through Save As; the file is the one exported, byte for byte.
    const QString saved = fx->path(QStringLiteral("DATA/back.DAT"));
    fx->ui.answerFile(saved);
    TRIGGER(fx->w.get(), "mnuFileSave");
    QVERIFY(fx->ui.fileRequests.constLast().save);
    QCOMPARE(g.CurrentFile, saved);
    QCOMPARE(g.Modified, 0);
    QVERIFY(readFile(saved) == readFile(data_));
}

void TestImportText::aModelsTextComesBackAsAModel()
{
    const QString model = fx->path(QStringLiteral("MODEL/tv.MOD"));
    auto tv = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(fx->g->Image, *tv, 0);
    tv->DevBlockBuf[0][0] = 'Z';
    QVERIFY(writeFile(model, modelFileBytes(*tv)));
    fx->ui.answerFile(model);
    TRIGGER(fx->w.get(), "mnuFileOpenMODEL");
    QCOMPARE(fx->g->LoadedKind, 2);
    const QString text = fx->path(QStringLiteral("tv.json"));
    exportText(text);

    fx->ui.answerFile(text);
    TRIGGER(fx->w.get(), "mnuFileImportText");
    QCOMPARE(fx->g->LoadedKind, 2);
    QCOMPARE(fx->g->Modified, 1);
    QCOMPARE(listTexts(fx->w->ListView1), QStringList{"MODEL"});
    const QString saved = fx->path(QStringLiteral("MODEL/back.MOD"));
    fx->ui.answerFile(saved);
    TRIGGER(fx->w.get(), "mnuFileSave");
    QVERIFY(readFile(saved) == readFile(model));
}

void TestImportText::refusedWhileUnsavedTransferringOrFaulty()
{
    const QString text = fx->path(QStringLiteral("abc.json"));
    exportText(text);
    Globals &g = *fx->g;
    const QByteArray before(reinterpret_cast<const char *>(g.Image.data()), MemoryImage::TotalBytes);

    // Unsaved work: asked as Open asks; Escape on the question ends it there.
    g.Modified = 1;
    fx->ui.clear();
    fx->ui.answer(answer::Cancel);
    TRIGGER(fx->w.get(), "mnuFileImportText");
    QCOMPARE(fx->ui.texts(), QStringList{"Data has been modified, do you want to save?"});
    QVERIFY(fx->ui.fileRequests.isEmpty());

    // While a transfer runs nothing opens, and nothing is asked.
    fx->ui.clear();
    fx->ui.holdBackground();
    TRIGGER(fx->w.get(), "mnuFileImportText");
    fx->ui.releaseBackground();
    QVERIFY(fx->ui.shown.isEmpty() && fx->ui.fileRequests.isEmpty());

    // A text with a fault: its place and why, and the document as it was.
    g.Modified = 0;
    QByteArray faulty = readFile(text);
    faulty.replace(R"("version": 1,)", R"("version": 1, "version": 2,)");
    const QString bad = fx->path(QStringLiteral("bad.json"));
    QVERIFY(writeFile(bad, faulty));
    const int line = static_cast<int>(faulty.left(faulty.indexOf(R"("version": 2)")).count('\n')) + 1;
    fx->ui.clear();
    fx->ui.answerFile(bad);
    TRIGGER(fx->w.get(), "mnuFileImportText");
    QCOMPARE(fx->ui.shown.size(), 1);
    QCOMPARE(fx->ui.shown[0].title, QStringLiteral("Warning"));
    QVERIFY2(fx->ui.lastText().contains(QStringLiteral("\n%1:").arg(line))
                 && fx->ui.lastText().contains(QStringLiteral("the field \"version\" is named twice")),
             qPrintable(fx->ui.lastText()));
    QCOMPARE(g.CurrentFile, data_);
    QCOMPARE(g.Modified, 0);
    QVERIFY(QByteArray(reinterpret_cast<const char *>(g.Image.data()), MemoryImage::TotalBytes) == before);
}

QTEST_MAIN(TestImportText)
#include "tst_importtext.moc"
