// The pictures of render/ are what the editors show: same places, faces and borders.

#include "editors/EditorTestSupport.h"
#include "editors/frmEditKey.h"
#include "editors/frmEditMENU.h"
#include "render/Pages.h"

#include <QTest>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

QImage shotOf(QWidget &w)
{
    w.show();
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Each page of the window equals the same place of the picture, pixel for pixel.
void comparePages(const QImage &window, const Picture &picture, const QRect &frame, const PageRow &row)
{
    const QImage drawn = pictureImage(picture).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(drawn.size(), frame.size());
    for (int p = 0; p < row.pages; ++p) {
        const QRect page(row.origin(p), QSize(PageWidth, PageHeight));
        QVERIFY2(window.copy(page) == drawn.copy(page.translated(-frame.topLeft())),
                 qPrintable(QStringLiteral("page %1 differs").arg(p + 1)));
    }
}

}  // namespace

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void devicePictureIsTheEditorsPages();
    void menuPictureIsTheEditorsPages();

private:
    PictureDir pictures_;
};

void TestPictures::devicePictureIsTheEditorsPages()
{
    auto g = std::make_unique<Globals>();
    g->AppDir = pictures_.path();
    clearDevice(*g);
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("TV"));
    putKey(*g, 1, 0, 1, 1, 2, 2, 5, 7, QStringLiteral("< INPUT #> AND MORE"));
    putKey(*g, 2, 1, 0, 0, 4, 0, 5, 1, QString(), 7);
    putKey(*g, 3, 2, 0, 0, 0, 6, 5, 7, QString(), 149);
    putKey(*g, 4, 3, 5, 2, 0, 0, 1, 7, QStringLiteral("TALL"));   // record 2 of slot 5
    ScriptedUiServices ui;
    frmEditKey editor(*g, ui);
    const QImage window = shotOf(editor);
    const KeyFaces faces(g->AppDir, KeyFaces::Pictures::WithIcons);
    comparePages(window, devicePicture(QStringLiteral("TV"), *g, faces), devicePictureFrame(), DevicePages);
}

void TestPictures::menuPictureIsTheEditorsPages()
{
    auto g = std::make_unique<Globals>();
    g->AppDir = pictures_.path();
    clearMenu(*g);
    putButton(*g, 0, 0, 0, 0, 0, 0, 2, 1, QStringLiteral("TV"), 192);
    putButton(*g, 3, 1, 2, 4, 1, 3, 5, 7, QStringLiteral("SAT #1"), 200);
    // A label byte below 32 is a character on the menu, never an icon.
    putButton(*g, 5, 0, 1, 1, 3, 5, 4, 6, QStringLiteral("\x07X"));
    ScriptedUiServices ui;
    frmEditMENU editor(*g, ui);
    const QImage window = shotOf(editor);
    // Drawn with every picture loaded: the menu must still draw its labels as text.
    const KeyFaces faces(g->AppDir, KeyFaces::Pictures::WithIcons);
    comparePages(window, menuPicture(*g, faces), menuPictureFrame(), MenuPages);
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
