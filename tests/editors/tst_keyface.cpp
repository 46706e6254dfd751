#include "editors/KeyBox.h"
#include "editors/PageSet.h"

#include "editors/EditorTestSupport.h"

#include <QFileInfo>
#include <QPixmap>
#include <QTest>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

QRgb px(const KeyBox &box, int x, int y) { return box.face().pixel(x, y) | 0xFF000000u; }

// True when every pixel of the block equals colour.
bool blockIs(const KeyBox &box, QRect r, QRgb colour)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (px(box, x, y) != (colour | 0xFF000000u))
                return false;
    return true;
}

bool isDark(QRgb c) { return qGray(c) < 100; }

bool anyDark(const KeyBox &box, QRect r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (isDark(px(box, x, y)))
                return true;
    return false;
}

std::unique_ptr<KeyBox> box(int w, int h)
{
    auto b = std::make_unique<KeyBox>();
    b->resize(w, h);
    return b;
}

}  // namespace

class TestKeyFace : public QObject {
    Q_OBJECT
private slots:
    void stripMeasurementRoundsHalvesToEven();
    void textLayoutFollowsTheWidthTable_data();
    void textLayoutFollowsTheWidthTable();
    void fixedTenVariant();
    void clearStretchesTheBlankCorner();
    void symbolsAreCutFromTheSymbolStrip();
    void iconsAreAndedWithTheUpperRowAndCentred();
    void textIsPrintedInItsCharacterCells();
    void raisedAndSunkenBorders();
    void missingPicturesDrawWithoutThem();
    void keyFontIsCourierOrItsTwin();
    void devicePagesSkipBadEntries();
    void shippedPicturesMeasure();

private:
    PictureDir pictures_;
};

void TestKeyFace::stripMeasurementRoundsHalvesToEven()
{
    auto measure = [](int w, int h, int cells) {
        return Strip::measure(QImage(w, h, QImage::Format_RGB32), cells);
    };
    QCOMPARE(measure(1024, 64, 32).cellWidth, 32);
    QCOMPARE(measure(704, 64, 22).cellWidth, 32);
    QCOMPARE(measure(40, 30, 4).cellWidth, 10);
    QCOMPARE(measure(40, 30, 4).rowOffset, 15);
    QCOMPARE(measure(50, 29, 4).cellWidth, 12);   // 12.5 -> 12
    QCOMPARE(measure(54, 31, 4).cellWidth, 14);   // 13.5 -> 14
    QCOMPARE(measure(54, 31, 4).rowOffset, 16);   // 15.5 -> 16
    QCOMPARE(measure(50, 29, 4).rowOffset, 14);   // 14.5 -> 14
    QCOMPARE(measure(45, 30, 4).cellWidth, 11);

    const KeyFaces faces(pictures_.path(), KeyFaces::Pictures::WithIcons);
    QVERIFY(faces.missingFiles().isEmpty());
    QCOMPARE(faces.icons128().cellWidth, 32);
    QCOMPARE(faces.icons128().rowOffset, 32);
    QCOMPARE(faces.symbols().cellWidth, 10);
}

void TestKeyFace::textLayoutFollowsTheWidthTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<QString>("expected");   // "x,y x,y ..."

    QTest::newRow("five chars on 40x40") << "ABCDE" << 40 << 40 << "5,5 15,5 25,5 5,20 15,20";
    QTest::newRow("one line, 40 high") << "AB" << 40 << 40 << "5,13 15,13";
    QTest::newRow("one line, 160 high") << "A" << 40 << 160 << "5,73";
    QTest::newRow("margin 10 from 80") << "AB" << 80 << 40 << "10,13 20,13";
    QTest::newRow("leading blanks shift") << "  A" << 40 << 40 << "5,13 15,13 25,13";
    QTest::newRow("trailing blanks ignored") << "A   " << 60 << 40 << "5,13";
    QTest::newRow("all blank") << "    " << 40 << 40 << "";
    QTest::newRow("empty") << "" << 120 << 160 << "";
    QTest::newRow("60x40 shows ten of twenty")
        << "ABCDEFGHIJKLMNOPQRST" << 60 << 40 << "5,5 15,5 25,5 35,5 45,5 5,20 15,20 25,20 35,20 45,20";
    QTest::newRow("three lines of eight on 100x60")
        << "ABCDEFGHIJKLMNOPQ" << 100 << 60
        << "10,8 20,8 30,8 40,8 50,8 60,8 70,8 80,8 10,23 20,23 30,23 40,23 50,23 60,23 70,23 80,23 10,38";
}

void TestKeyFace::textLayoutFollowsTheWidthTable()
{
    QFETCH(QString, text);
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(QString, expected);
    QStringList got;
    for (const GlyphPlace &g : layoutText(text, w, h, TextVariant::ByWidth))
        got << QStringLiteral("%1,%2").arg(g.x).arg(g.y);
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
}

void TestKeyFace::fixedTenVariant()
{
    // Timer and macro keys: 10 per line, margin 10, whatever the width.
    auto g = layoutText(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUV"), 120, 40, TextVariant::FixedTen);
    QCOMPARE(int(g.size()), 20);
    QCOMPARE(g.front().x, 10);
    QCOMPARE(g.front().y, 5);
    QCOMPARE(g[10].x, 10);
    QCOMPARE(g[10].y, 20);
    g = layoutText(QStringLiteral("ABC"), 40, 40, TextVariant::FixedTen);
    QCOMPARE(g[2].x, 30);
    QCOMPARE(g[0].y, 13);
    QCOMPARE(textGeometry(40, TextVariant::FixedTen).perLine, 10);
}

void TestKeyFace::clearStretchesTheBlankCorner()
{
    const KeyFaces faces(pictures_.path(), KeyFaces::Pictures::SymbolsOnly);
    auto b = box(120, 160);
    b->face().fill(Qt::green);
    faces.ClrBlinkDraw(*b);
    // NONE.jpg is 48 x 48 with a different colour outside its top-left 32 x 32.
    QVERIFY(blockIs(*b, QRect(0, 0, 120, 160), blankColour()));
}

void TestKeyFace::symbolsAreCutFromTheSymbolStrip()
{
    const KeyFaces faces(pictures_.path(), KeyFaces::Pictures::SymbolsOnly);
    auto b = box(40, 40);
    faces.drawText(*b, QStringLiteral("A#B"));
    // One line at y 13; "#" at the second position, x = 5 + 10.
    QVERIFY(blockIs(*b, QRect(15, 13, 10, 15), andColour(blankColour(), symbolColour(0))));
    QVERIFY(anyDark(*b, QRect(5, 13, 10, 15)));
    QVERIFY(anyDark(*b, QRect(25, 13, 10, 15)));

    faces.drawText(*b, QStringLiteral("<=>"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(blockIs(*b, QRect(5 + 10 * i, 13, 10, 15), andColour(blankColour(), symbolColour(i + 1))));
    // Nothing printed: the rest inside the border is the blank face.
    QVERIFY(blockIs(*b, QRect(2, 2, 36, 11), blankColour()));
    QVERIFY(blockIs(*b, QRect(2, 28, 36, 10), blankColour()));
    QVERIFY(blockIs(*b, QRect(35, 13, 3, 15), blankColour()));
}

void TestKeyFace::iconsAreAndedWithTheUpperRowAndCentred()
{
    const KeyFaces faces(pictures_.path(), KeyFaces::Pictures::WithIcons);
    auto b = box(60, 80);
    faces.drawIcon(*b, 149);
    QVERIFY(blockIs(*b, QRect(14, 24, 32, 32), andColour(blankColour(), iconColour(1, 21))));
    QVERIFY(blockIs(*b, QRect(2, 2, 12, 76), blankColour()));
    QVERIFY(blockIs(*b, QRect(46, 2, 12, 76), blankColour()));
    QCOMPARE(px(*b, 0, 0), FaceLight.rgb());

    auto s = box(40, 40);
    faces.drawIcon(*s, 0);
    QVERIFY(blockIs(*s, QRect(4, 4, 32, 32), andColour(blankColour(), iconColour(0, 0))));
    faces.drawIcon(*s, 31);
    QVERIFY(blockIs(*s, QRect(4, 4, 32, 32), andColour(blankColour(), iconColour(0, 31))));
    faces.drawIcon(*s, 128);
    QVERIFY(blockIs(*s, QRect(4, 4, 32, 32), andColour(blankColour(), iconColour(1, 0))));

    // Light pixels of the cell leave the face, dark ones darken it: AND, not a copy.
    b->face().fill(qRgb(0x0F, 0xF0, 0xFF));
    faces.NoBlinkDraw(*b, faces.icons0(), 5, 14, 24);
    QCOMPARE(px(*b, 20, 30), andColour(qRgb(0x0F, 0xF0, 0xFF), iconColour(0, 5)));

    // A label byte that is no icon draws nothing at all.
    const QImage before = s->face();
    faces.drawIcon(*s, 150);
    QCOMPARE(s->face(), before);
}

void TestKeyFace::textIsPrintedInItsCharacterCells()
{
    const KeyFaces faces(pictures_.path(), KeyFaces::Pictures::SymbolsOnly);
    auto b = box(40, 40);
    faces.drawText(*b, QStringLiteral("HHHHH"));
    // 3 on the first line at y 5, 2 on the second at y 20, each line from x 5.
    for (QPoint cell : {QPoint(5, 5), QPoint(15, 5), QPoint(25, 5), QPoint(5, 20), QPoint(15, 20)})
        QVERIFY2(anyDark(*b, QRect(cell, QSize(10, 15))), qPrintable(QStringLiteral("cell %1,%2").arg(cell.x()).arg(cell.y())));
    QVERIFY(!anyDark(*b, QRect(26, 21, 10, 14)));
    QVERIFY(!anyDark(*b, QRect(2, 2, 36, 3)));

    // An empty text draws only the border.
    faces.drawText(*b, QStringLiteral("   "));
    QVERIFY(blockIs(*b, QRect(2, 2, 36, 36), blankColour()));
    QCOMPARE(px(*b, 1, 1), FaceLight.rgb());
    QCOMPARE(px(*b, 38, 38), FaceShadow.rgb());
}

void TestKeyFace::raisedAndSunkenBorders()
{
    const KeyFaces faces(pictures_.path(), KeyFaces::Pictures::SymbolsOnly);
    auto b = box(60, 40);
    faces.drawText(*b, QStringLiteral("OK"));
    // Two raised rings: light top and left, shadow bottom and right (which own the corners).
    QCOMPARE(px(*b, 0, 0), FaceLight.rgb());
    QCOMPARE(px(*b, 1, 1), FaceLight.rgb());
    QCOMPARE(px(*b, 30, 1), FaceLight.rgb());
    QCOMPARE(px(*b, 59, 0), FaceShadow.rgb());
    QCOMPARE(px(*b, 0, 39), FaceShadow.rgb());
    QCOMPARE(px(*b, 58, 38), FaceShadow.rgb());
    QCOMPARE(px(*b, 2, 2), blankColour() | 0xFF000000u);

    const QImage before = b->face();
    faces.DownBlinkDraw(*b);
    const QImage after = b->face();
    int changedRing = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool ring = x < 2 || y < 2 || x > 57 || y > 37;
            if (!ring)
                QCOMPARE(after.pixel(x, y), before.pixel(x, y));
            else if (after.pixel(x, y) != before.pixel(x, y))
                ++changedRing;
        }
    QVERIFY(changedRing > 100);
    QCOMPARE(px(*b, 0, 0), FaceShadow.rgb());
    QCOMPARE(px(*b, 1, 20), FaceShadow.rgb());
    QCOMPARE(px(*b, 59, 39), FaceLight.rgb());
    QCOMPARE(px(*b, 58, 20), FaceLight.rgb());
}

void TestKeyFace::missingPicturesDrawWithoutThem()
{
    QTemporaryDir empty;
    const KeyFaces faces(empty.path(), KeyFaces::Pictures::WithIcons);
    QCOMPARE(faces.missingFiles().size(), 4);
    QVERIFY(faces.missingMessage().contains(QStringLiteral("NONE.jpg")));
    auto b = box(40, 40);
    faces.drawIcon(*b, 3);
    faces.drawText(*b, QStringLiteral("#<"));
    QCOMPARE(px(*b, 0, 0), FaceLight.rgb());
    QCOMPARE(px(*b, 20, 2), FaceFallback.rgb());
}

void TestKeyFace::keyFontIsCourierOrItsTwin()
{
    const QFont f = keyFont();
    QCOMPARE(f.pointSize(), 12);
    QVERIFY(f.family() == QLatin1String("Courier") || f.family() == QLatin1String("Liberation Mono"));
    KeyBox b;
    QCOMPARE(b.font().pointSize(), 12);
}

void TestKeyFace::devicePagesSkipBadEntries()
{
    auto dev = std::make_unique<DeviceWorkset>();
    clearDevice(*dev);
    putKey(*dev, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("TV"));
    putKey(*dev, 7, 2, 3, 5, 2, 4, 4, 7, QString(), 130);
    // Bad entries: a slot naming no key, inverted and out-of-grid corners, a location past
    // the pages, a key overlapping another, a key number that stands twice.
    dev->DevSlotBuf[1][0] = 200;
    dev->DevRectBuf[1][0] = 0x00;
    dev->DevRectBuf[1][1] = 0x11;
    putKey(*dev, 3, 1, 1, 1, 3, 3, 2, 4, QStringLiteral("INV"));
    putKey(*dev, 4, 1, 2, 2, 5, 6, 6, 7, QStringLiteral("OUT"));
    putKey(*dev, 5, 3, 0, 0, 0, 0, 1, 1, QStringLiteral("LOC"));
    dev->DevLocBuf[5] = 0x4C;   // page 4
    putKey(*dev, 6, 3, 1, 1, 2, 0, 3, 1, QStringLiteral("R12"));
    dev->DevLocBuf[6] = 0x3C;   // record 12
    putKey(*dev, 8, 2, 4, 4, 1, 3, 2, 5, QStringLiteral("OVR"));   // overlaps key 7
    dev->DevSlotBuf[3][5] = 0;  // key 0 again
    dev->DevRectBuf[3][10] = 0x44;
    dev->DevRectBuf[3][11] = 0x55;

    const KeyFaces faces(pictures_.path(), KeyFaces::Pictures::WithIcons);
    QWidget parent;
    std::array<KeyBox *, 35> boxes{};
    for (auto &b : boxes)
        b = new KeyBox(&parent);
    std::array<QString, 35> texts;
    const auto shown = showDevicePages(*dev, boxes, QPoint(8, 40), 128, faces, texts);

    QCOMPARE(int(shown.size()), 2);
    QCOMPARE(boxes[0]->geometry(), QRect(8, 40, 40, 40));
    QCOMPARE(boxes[7]->geometry(), QRect(8 + 256 + 40, 40 + 80, 60, 80));
    for (int k = 0; k < 35; ++k)
        QCOMPARE(!boxes[k]->isHidden(), k == 0 || k == 7);
    QCOMPARE(texts[0], fixedField(QStringLiteral("TV")));
    QCOMPARE(texts[7], fixedField(QString()));
    QVERIFY(blockIs(*boxes[7], QRect(14, 24, 32, 32), andColour(blankColour(), iconColour(1, 2))));
}

void TestKeyFace::shippedPicturesMeasure()
{
    // The pictures the build puts beside the program have the layout the drawing expects.
    const QString dir = qEnvironmentVariable("QUILLET_ASSETS");
    if (dir.isEmpty() || !QFileInfo::exists(QDir(dir).filePath(QStringLiteral("NONE.jpg"))))
        QSKIP("the shipped pictures are not built");
    const KeyFaces faces(dir, KeyFaces::Pictures::WithIcons);
    QVERIFY2(faces.missingFiles().isEmpty(), qPrintable(faces.missingMessage()));
    QCOMPARE(faces.icons0().cellWidth, 32);
    QCOMPARE(faces.icons0().rowOffset, 32);
    QCOMPARE(faces.icons128().cellWidth, 32);
    QCOMPARE(faces.icons128().rowOffset, 32);
    QCOMPARE(faces.symbols().cellWidth, 10);
    QCOMPARE(faces.symbols().rowOffset, 15);
    QVERIFY(faces.blank().width() >= 32 && faces.blank().height() >= 32);
    QVERIFY(!QPixmap(QDir(dir).filePath(QStringLiteral("NO.ICO"))).isNull());
}

QTEST_MAIN(TestKeyFace)
#include "tst_keyface.moc"
