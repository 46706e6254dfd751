#include "render/PictureFile.h"

#include "render/RenderTestSupport.h"

#include "core/LayoutModel.h"
#include "core/TextCodec.h"

#include <QFile>
#include <QSvgRenderer>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

class TestPictureFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void pngIsThePictureItself();
    void documentsKeepLabelsAsText();
    void refusalsLeaveNoFile();
    void fileNamesNeverCollide();

private:
    PictureDir pictures_;
    QTemporaryDir out_;
    std::unique_ptr<DeviceWorkset> dev_;
    std::unique_ptr<KeyFaces> faces_;
    QString path(const QString &name) const { return QDir(out_.path()).filePath(name); }
};

void TestPictureFile::init()
{
    dev_ = std::make_unique<DeviceWorkset>();
    clearDevice(*dev_);
    putKey(*dev_, 0, 0, 0, 0, 0, 0, 5, 1, QStringLiteral("GUIDE"));
    putKey(*dev_, 1, 0, 1, 1, 0, 2, 2, 3, QStringLiteral("AUDIO"));
    putKey(*dev_, 2, 0, 2, 2, 3, 2, 5, 3, QString(), 5);
    putKey(*dev_, 3, 0, 3, 3, 0, 4, 5, 5, QStringLiteral("<SUB#>"));
    putKey(*dev_, 4, 0, 4, 4, 0, 6, 5, 7, QStringLiteral("E\x1B\x01" "C"));
    faces_ = std::make_unique<KeyFaces>(pictures_.path(), KeyFaces::Pictures::WithIcons);
}

void TestPictureFile::pngIsThePictureItself()
{
    const Picture picture = devicePicture(QStringLiteral("TV"), *dev_, *faces_);
    QString error;
    QVERIFY2(writePicture(picture, path(QStringLiteral("tv.PNG")), &error), qPrintable(error));
    const QImage back(path(QStringLiteral("tv.PNG")));
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), pictureImage(picture).convertToFormat(QImage::Format_RGB32));
    // The icon is in it: the AND of the blank face and the icon's colour, centred on key 2.
    const QRect key2 = keyGeometry(DevicePages.origin(0), CellRect::ofSize(3, 2, 3, 2));
    QCOMPARE(back.pixel(key2.center()) | 0xFF000000u, andColour(blankColour(), iconColour(0, 5)));
}

void TestPictureFile::documentsKeepLabelsAsText()
{
    const Picture picture = devicePicture(QStringLiteral("TV"), *dev_, *faces_);
    QString error;
    QVERIFY2(writePicture(picture, path(QStringLiteral("tv.pdf")), &error), qPrintable(error));
    const QString text = pdfText(path(QStringLiteral("tv.pdf")));
    for (const char *label : {"GUIDE", "AUDIO", "SUB", "PAGE 4"})
        QVERIFY2(text.contains(QLatin1String(label)), qPrintable(QStringLiteral("%1 not in: %2").arg(label, text)));
    // The special symbols are pictures, not characters.
    QVERIFY(!text.contains(QLatin1Char('#')));

    QVERIFY2(writePicture(picture, path(QStringLiteral("tv.svg")), &error), qPrintable(error));
    QSvgRenderer svg(path(QStringLiteral("tv.svg")));
    QVERIFY(svg.isValid());
    QCOMPARE(svg.viewBox().size(), picture.size);
    QFile file(path(QStringLiteral("tv.svg")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray xml = file.readAll();
    QVERIFY(xml.contains(">G</text>"));
    // A label's control bytes give well-formed XML all the same.
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
}

void TestPictureFile::refusalsLeaveNoFile()
{
    const Picture picture = devicePicture(QStringLiteral("TV"), *dev_, *faces_);
    QString error;
    QVERIFY(!writePicture(picture, path(QStringLiteral("tv.bmp")), &error));
    QVERIFY(error.contains(QLatin1String(".png")));
    QVERIFY(!QFile::exists(path(QStringLiteral("tv.bmp"))));

    error.clear();
    QVERIFY(!writePicture(picture, path(QStringLiteral("missing/tv.png")), &error));
    QVERIFY(!error.isEmpty());
}

void TestPictureFile::fileNamesNeverCollide()
{
    std::vector<Picture> pictures;
    for (const char *name : {"MENU", "TV", "A/V:1", "tv", "TV", "MENU"})
        pictures.push_back({QString::fromLatin1(name), {10, 10}, {}});
    const QStringList names = pictureFileNames(path(QStringLiteral("den.v2.png")), pictures);
    QStringList expected;
    for (const char *name : {"MENU", "TV", "A_V_1", "tv (2)", "TV (3)", "MENU (2)"})
        expected << path(QStringLiteral("den.v2 - %1.png").arg(QString::fromLatin1(name)));
    QCOMPARE(names, expected);
}

QTEST_MAIN(TestPictureFile)
#include "tst_picturefile.moc"
