#include "core/DataFile.h"
#include "core/MemoryImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

using namespace quillet;

class TestImage : public QObject {
    Q_OBJECT
private slots:
    void addressing_data();
    void addressing();
    void advanceCrossesPages();
    void freshImageSavesAsZeros();
    void roundTripKeepsAllPagesAndLeavesPage512();
    void shortFileFillsOnlyItsPages();
    void longFileStopsAtImageEnd();
    void leadingBytesAreNotChecked();
    void failedLoadLeavesImageUnchanged();
    void failedSaveKeepsPreviousFile();
};

void TestImage::addressing_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("byte");
    QTest::newRow("0") << 0 << 0 << 2;
    QTest::newRow("263") << 263 << 0 << 265;
    QTest::newRow("264") << 264 << 1 << 2;
    QTest::newRow("19536") << 19536 << 74 << 2;
    QTest::newRow("menu corners") << 960 << 3 << 170;
    QTest::newRow("last data byte") << 135167 << 511 << 265;
}

void TestImage::addressing()
{
    QFETCH(int, address);
    QFETCH(int, page);
    QFETCH(int, byte);
    ImageCursor c;
    c.SetCursor(address);
    QCOMPARE(c.page, page);
    QCOMPARE(c.byte, byte);
}

void TestImage::advanceCrossesPages()
{
    ImageCursor c{3, 265};
    c.AdvanceCursor(1);
    QCOMPARE(c.page, 4);
    QCOMPARE(c.byte, 2);

    c = {0, 2};
    c.AdvanceCursor(1056);
    QCOMPARE(c.page, 4);
    QCOMPARE(c.byte, 2);

    // The 32 menu corner bytes from 960 end at page 3 byte 201.
    c.SetCursor(960);
    c.AdvanceCursor(31);
    QCOMPARE(c.page, 3);
    QCOMPARE(c.byte, 201);

    // A bank offset spanning many pages lands where the linear address says.
    c.SetCursor(34848);
    c.AdvanceCursor(2640 * 9);
    const ImageCursor direct = ImageAddress(34848 + 2640 * 9);
    QCOMPARE(c.page, direct.page);
    QCOMPARE(c.byte, direct.byte);
}

void TestImage::freshImageSavesAsZeros()
{
    QTemporaryDir dir;
    auto image = std::make_unique<MemoryImage>();
    const QString path = dir.filePath("fresh.DAT");
    QString error;
    QVERIFY2(SaveDataFile(path, *image, &error), qPrintable(error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes.size(), 136194);
    QCOMPARE(static_cast<unsigned char>(bytes[0]), 0xFF);
    QCOMPARE(static_cast<unsigned char>(bytes[1]), 0x01);
    QCOMPARE(bytes.mid(2), QByteArray(136192, '\0'));
}

void TestImage::roundTripKeepsAllPagesAndLeavesPage512()
{
    QTemporaryDir dir;
    auto original = std::make_unique<MemoryImage>();
    for (int i = 0; i < MemoryImage::TotalBytes; ++i)
        original->data()[i] = static_cast<std::uint8_t>((i * 7 + i / 266) & 0xFF);
    const QString path = dir.filePath("all.DAT");
    QVERIFY(SaveDataFile(path, *original, nullptr));

    auto loaded = std::make_unique<MemoryImage>();
    for (int b = 0; b < MemoryImage::PageSize; ++b)
        loaded->set(512, b, 0xA5);
    QVERIFY(LOAD_DATA_FILE(path, *loaded, nullptr));
    QCOMPARE(std::memcmp(loaded->data(), original->data(), 512 * 266), 0);
    for (int b = 0; b < MemoryImage::PageSize; ++b)
        QCOMPARE(loaded->at(512, b), std::uint8_t(0xA5));
}

void TestImage::shortFileFillsOnlyItsPages()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("short.DAT");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1000, char(0x11)));
    f.close();

    auto image = std::make_unique<MemoryImage>();
    std::memset(image->data(), 0x22, MemoryImage::TotalBytes);
    QVERIFY(LOAD_DATA_FILE(path, *image, nullptr));
    // 998 data bytes: pages 0..2 whole and page 3 up to byte 199.
    QCOMPARE(image->at(3, 199), std::uint8_t(0x11));
    QCOMPARE(image->at(3, 200), std::uint8_t(0x22));
    QCOMPARE(image->at(0, 0), std::uint8_t(0x11));
    QCOMPARE(image->at(4, 0), std::uint8_t(0x22));

    // A file of one byte loads nothing.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("\xFF", 1);
    f.close();
    QVERIFY(LOAD_DATA_FILE(path, *image, nullptr));
    QCOMPARE(image->at(0, 0), std::uint8_t(0x11));
}

void TestImage::longFileStopsAtImageEnd()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("long.DAT");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray bytes(2 + MemoryImage::TotalBytes + 500, char(0x33));
    f.write(bytes);
    f.close();
    auto image = std::make_unique<MemoryImage>();
    QVERIFY(LOAD_DATA_FILE(path, *image, nullptr));
    QCOMPARE(image->at(512, 265), std::uint8_t(0x33));
}

void TestImage::leadingBytesAreNotChecked()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("odd.DAT");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("AB\x05\x06", 4);
    f.close();
    auto image = std::make_unique<MemoryImage>();
    QVERIFY(LOAD_DATA_FILE(path, *image, nullptr));
    QCOMPARE(image->at(0, 0), std::uint8_t(5));
    QCOMPARE(image->at(0, 1), std::uint8_t(6));
}

void TestImage::failedLoadLeavesImageUnchanged()
{
    QTemporaryDir dir;
    auto image = std::make_unique<MemoryImage>();
    image->set(10, 10, 0x77);
    QString error;
    QVERIFY(!LOAD_DATA_FILE(dir.filePath("missing.DAT"), *image, &error));
    QVERIFY(error.contains("missing.DAT"));
    QVERIFY(!LOAD_DATA_FILE(dir.path(), *image, &error));   // a folder
    QCOMPARE(image->at(10, 10), std::uint8_t(0x77));
}

void TestImage::failedSaveKeepsPreviousFile()
{
    QTemporaryDir dir;
    auto image = std::make_unique<MemoryImage>();
    QString error;
    // A path whose folder is really a file cannot be written, whoever runs the test.
    QFile blocker(dir.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.write("previous");
    blocker.close();
    QVERIFY(!SaveDataFile(dir.filePath("blocker/keep.DAT"), *image, &error));
    QVERIFY(error.contains("keep.DAT"));
    QVERIFY(blocker.open(QIODevice::ReadOnly));
    QCOMPARE(blocker.readAll(), QByteArray("previous"));

    // A path that is a folder is refused and the folder stays.
    QVERIFY(!SaveDataFile(dir.path(), *image, &error));
    QVERIFY(QFileInfo(dir.path()).isDir());
}

QTEST_GUILESS_MAIN(TestImage)
#include "tst_image.moc"
