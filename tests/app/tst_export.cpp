// "Export.." and "Print..": the guide and the pictures of the loaded document.

#include "support/AppTestSupport.h"

#include "core/Globals.h"
#include "core/TextCodec.h"
#include "render/Guide.h"
#include "render/Pages.h"
#include "render/RenderTestSupport.h"

#include <QComboBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

// The TV's keys: "POWER" and "VOLUME" on page 1, "SOURCE" on page 4, and on page 2 a
// label that its narrow key breaks over four lines.
void tvKeys(DeviceWorkset &d)
{
    clearDevice(d);
    putKey(d, 0, 0, 0, 0, 0, 0, 2, 1, QStringLiteral("POWER"));
    putKey(d, 1, 0, 1, 1, 0, 2, 5, 3, QStringLiteral("VOLUME"));
    putKey(d, 2, 3, 0, 0, 0, 6, 5, 7, QStringLiteral("SOURCE"));
    putKey(d, 3, 1, 0, 0, 0, 0, 1, 3, QStringLiteral("SETUP MENU"));
}

// One timer and one hot macro on the TV's keys; the others never set.
void timerAndMacro(MemoryImage &image)
{
    auto timers = std::make_unique<TimerWorkset>();
    auto macros = std::make_unique<MacroWorkset>();
    for (auto &r : timers->TimerBuf)
        r.fill(Empty);
    for (auto &r : macros->MacroBuf)
        r.fill(Empty);
    timers->TimerBuf[0] = {9, Empty, Empty, 7, 30, 0, 0, 0, 0, 0};
    timers->TimerNames[0] = QStringLiteral("Wake up");
    macros->MacroBuf[3][0] = 0x00;
    macros->MacroBuf[3][1] = 0;
    macros->MacroBuf[3][2] = 0x01;
    macros->MacroBuf[3][3] = 1;
    macros->MacroNames[3] = QStringLiteral("Movie night");
    WriteTimers(image, *timers);
    WriteMacros(image, *macros);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

}  // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void init();
    void pdfGuideHoldsEveryDeviceAndLabel();
    void pngPicturesOnePerScreen();
    void existingFilesAndFailures();
    void printPreviewPrintsTheModelsGuide();

private:
    PictureDir pictures_;
    std::unique_ptr<MainWindowFixture> fx;
};

void TestExport::init()
{
    fx = std::make_unique<MainWindowFixture>();
    fx->open();
    for (const char *name : {"IMG0-31.jpg", "IMG128-150.jpg", "IMG2350-52.jpg", "NONE.jpg"})
        QFile::copy(pictures_.path(QString::fromLatin1(name)), fx->path(QString::fromLatin1(name)));
    saveImage(fx->path(QStringLiteral("DATA/abc.dat")), [](MemoryImage &image) {
        standardImage(image);
        auto tv = std::make_unique<DeviceWorkset>();
        tvKeys(*tv);
        WriteDeviceWorkset(image, *tv, 0);
        timerAndMacro(image);
    });
    fx->ui.answerFile(fx->path(QStringLiteral("DATA/abc.dat")));
    TRIGGER(fx->w.get(), "mnuFileOpenDATA");
    QCOMPARE(fx->g->LoadedKind, 1);
    fx->ui.clear();
}

void TestExport::pdfGuideHoldsEveryDeviceAndLabel()
{
    const QString pdf = fx->path(QStringLiteral("guide.pdf"));
    fx->ui.answerFile(pdf);
    TRIGGER(fx->w.get(), "mnuFileExport");
    const FileDialogSpec &asked = fx->ui.fileRequests.constLast().request;
    QVERIFY(asked.filter.contains(QLatin1String("*.pdf")) && asked.filter.contains(QLatin1String("*.png")));
    QCOMPARE(asked.defaultSuffix, QStringLiteral("pdf"));
    QCOMPARE(asked.proposedName, QStringLiteral("abc.pdf"));
    QVERIFY2(fx->ui.shown.isEmpty(), qPrintable(fx->ui.lastText()));

    // The first sheet with the menu, a sheet each for TV, DVD and AMP, one for the timers
    // and the hot macros.
    QCOMPARE(pdfPages(pdf), 5);
    const QString text = pdfText(pdf);
    for (const char *expected : {"abc.dat", "TV", "DVD", "AMP", "POWER", "VOLUME", "SOURCE", "SETUP MENU",
                                 "Wake up: Monday to Friday, 07:30, TV POWER",
                                 "Movie night: 1. TV POWER (0.5 Second), 2. TV VOLUME (1 Second)"})
        QVERIFY2(text.contains(QLatin1String(expected)),
                 qPrintable(QStringLiteral("%1 not in: %2").arg(expected, text)));
    QCOMPARE(fx->g->Modified, 0);
}

void TestExport::pngPicturesOnePerScreen()
{
    QDir(fx->dir.path()).mkpath(QStringLiteral("out"));
    fx->ui.answerFile(fx->path(QStringLiteral("out/den.png")));
    TRIGGER(fx->w.get(), "mnuFileExport");
    QVERIFY2(fx->ui.shown.isEmpty(), qPrintable(fx->ui.lastText()));
    QCOMPARE(filesIn(fx->path(QStringLiteral("out"))),
             QStringList({"den - AMP.png", "den - DVD.png", "den - MACRO.png", "den - MENU.png", "den - TIMER.png",
                          "den - TV.png"}));
    // Each picture is the screen as drawn by the editors' code, bank for bank.
    auto tv = std::make_unique<DeviceWorkset>();
    tvKeys(*tv);
    const KeyFaces faces(fx->g->AppDir, KeyFaces::Pictures::WithIcons);
    const QImage written(fx->path(QStringLiteral("out/den - TV.png")));
    QCOMPARE(written.convertToFormat(QImage::Format_RGB32),
             pictureImage(devicePicture(QStringLiteral("TV"), *tv, faces)));
}

void TestExport::existingFilesAndFailures()
{
    // One picture already there: the user is asked before anything is replaced, and a
    // Cancel goes back to the file dialog, which the user then cancels.
    const QString old = fx->path(QStringLiteral("den - DVD.png"));
    QVERIFY(writeFile(old, "keep"));
    fx->ui.answerFile(fx->path(QStringLiteral("den.png")));
    fx->ui.answer(answer::Cancel);
    TRIGGER(fx->w.get(), "mnuFileExport");
    QCOMPARE(fx->ui.texts(), QStringList{"replace"});
    QCOMPARE(fx->ui.fileRequests.size(), 2);
    QCOMPARE(readFile(old), QByteArray("keep"));
    QVERIFY(!QFileInfo::exists(fx->path(QStringLiteral("den - TV.png"))));

    // A name that is neither PDF nor PNG is refused; a folder that is not there fails
    // with a warning that names the file.
    fx->ui.clear();
    fx->ui.answerFile(fx->path(QStringLiteral("guide.txt")));
    fx->ui.answerFile(fx->path(QStringLiteral("gone/guide.pdf")));
    TRIGGER(fx->w.get(), "mnuFileExport");
    QCOMPARE(fx->ui.shown.size(), 2);
    QVERIFY(fx->ui.shown[0].text.contains(QLatin1String(".pdf")));
    QCOMPARE(fx->ui.shown[1].title, QStringLiteral("Warning"));
    QVERIFY2(fx->ui.shown[1].text.contains(fx->path(QStringLiteral("gone/guide.pdf"))), qPrintable(fx->ui.lastText()));
}

void TestExport::printPreviewPrintsTheModelsGuide()
{
    // A model document: the one device on one sheet.
    Globals &g = *fx->g;
    tvKeys(g);
    g.LoadedKind = 2;
    g.CurrentFile = fx->path(QStringLiteral("MODEL/den.MOD"));
    fx->w->UpdateCommands();

    const QString pdf = fx->path(QStringLiteral("printed.pdf"));
    QSize chosenPoints;
    fx->ui.onDialog([&](QDialog &d) {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(&d);
        QVERIFY(preview);
        auto *pages = preview->findChild<QPrintPreviewWidget *>();
        QVERIFY(pages);
        QCOMPARE(pages->pageCount(), 1);
        // The paper follows the locale until the user chooses another.
        auto *paper = preview->findChild<QComboBox *>(QStringLiteral("ComboPAPER"));
        QVERIFY(paper);
        QCOMPARE(preview->printer()->pageLayout().pageSize().id(), guidePaperSize(paperLocale()).id());
        paper->setFocus();
        QTest::keyClick(paper, paper->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
        const QPageSize::PageSizeId other = paper->currentIndex() == 0 ? QPageSize::A4 : QPageSize::Letter;
        QCOMPARE(preview->printer()->pageLayout().pageSize().id(), other);
        chosenPoints = QPageSize(other).sizePoints();
        QCOMPARE(pages->pageCount(), 1);
        preview->printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->printer()->setOutputFileName(pdf);
        pages->print();
        d.accept();
    });
    TRIGGER(fx->w.get(), "mnuFilePrint");
    QCOMPARE(fx->ui.dialogsShown, QStringList{"frmPrintPreview"});
    QCOMPARE(pdfPages(pdf), 1);
    QVERIFY(popplerOutput(QStringLiteral("pdfinfo"), {pdf})
                .contains(QStringLiteral("%1 x %2 pts").arg(chosenPoints.width()).arg(chosenPoints.height())));
    const QString text = pdfText(pdf);
    for (const char *expected : {"den.MOD", "model file", "POWER", "VOLUME", "SOURCE", "SETUP MENU"})
        QVERIFY2(text.contains(QLatin1String(expected)),
                 qPrintable(QStringLiteral("%1 not in: %2").arg(expected, text)));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
