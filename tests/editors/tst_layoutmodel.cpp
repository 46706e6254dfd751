#include "core/LayoutModel.h"

#include "editors/EditorTestSupport.h"

#include <QTest>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

class TestLayoutModel : public QObject {
    Q_OBJECT
private slots:
    void roundingAndCellCodes();
    void freeNumbersSlotsAndRecords();
    void menuShapeUsesEightSlots();
    void cellMapStaysInsideTheGrid();
};

void TestLayoutModel::roundingAndCellCodes()
{
    QCOMPARE(nearestEven(2.5), 2);
    QCOMPARE(nearestEven(3.5), 4);
    QCOMPARE(nearestEven(-2.5), -2);
    QCOMPARE(nearestEven(10.49), 10);
    QCOMPARE(int(cellCode(1, 1)), 17);
    QCOMPARE(int(cellCode(5, 7)), 87);
    const CellRect r = CellRect::fromCodes(0x23, 0x45);
    QCOMPARE(r, (CellRect{2, 3, 4, 5}));
    QCOMPARE(r.columns(), 3);
    QCOMPARE(r.rows(), 3);
    QVERIFY(r.inGrid());
    QVERIFY(!CellRect::fromCodes(0x45, 0x23).inGrid());   // inverted
    QVERIFY(!CellRect::fromCodes(0x00, 0x68).inGrid());   // column 6, row 8
    QVERIFY(!r.moved(-3, 0).inGrid());
}

void TestLayoutModel::freeNumbersSlotsAndRecords()
{
    auto dev = std::make_unique<DeviceWorkset>();
    clearDevice(*dev);
    const LayoutBuffers buf = LayoutBuffers::device(*dev);
    QCOMPARE(freeKeyNumber(buf), 0);
    putKey(*dev, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("A"));
    putKey(*dev, 1, 0, 1, 1, 2, 0, 3, 1, QStringLiteral("B"));
    putKey(*dev, 3, 2, 0, 0, 0, 0, 1, 1, QStringLiteral("D"));
    QCOMPARE(freeKeyNumber(buf), 2);
    QCOMPARE(freeSlot(buf, 0), 2);
    QCOMPARE(freeRecord(buf, 0), 2);
    QCOMPARE(findSlot(buf, 3).page, 2);
    QCOMPARE(findSlot(buf, 3, 0).valid(), false);

    // A key with an empty text keeps its record even though its first label byte is 255.
    putKey(*dev, 2, 0, 2, 2, 4, 0, 5, 1, QString());
    QVERIFY(!recordFree(buf, 0, 2));
    QCOMPARE(freeRecord(buf, 0), 3);

    // Moving into slot s takes record s over leftover bytes no key names, but never a
    // record another key names (key 2 holds record 2 with an empty text).
    writeLabelText(dev->DevLabelBuf[0].data() + 3 * LabelRecordSize + 2, QStringLiteral("OLD"));
    QCOMPARE(relocationRecord(buf, 0, 3), 3);
    QCOMPARE(relocationRecord(buf, 0, 2), 3);
    QCOMPARE(freeRecord(buf, 0), 4);

    // All 35 numbers used: none free, even with pages left.
    for (int k = 4, p = 1; k < 35; ++k) {
        while (freeSlot(buf, p) < 0)
            p = (p + 1) % 4;
        dev->DevSlotBuf[p][freeSlot(buf, p)] = static_cast<Byte>(k);
    }
    QCOMPARE(freeKeyNumber(buf), -1);
    QCOMPARE(freeSlot(buf, 1), -1);
    QVERIFY(freeSlot(buf, 0) >= 0);
}

void TestLayoutModel::menuShapeUsesEightSlots()
{
    auto menu = std::make_unique<MenuWorkset>();
    clearMenu(*menu);
    const LayoutBuffers buf = LayoutBuffers::menu(*menu);
    for (int s = 0; s < 8; ++s)
        putButton(*menu, s, 0, s, s, 2 * (s % 3), 2 * (s / 3), 2 * (s % 3) + 1, 2 * (s / 3) + 1,
                  QStringLiteral("D%1").arg(s));
    menu->MenuSlotBuf[0][9] = Empty;   // stale bytes past slot 7 are not slots
    QCOMPARE(freeSlot(buf, 0), -1);
    QCOMPARE(freeRecord(buf, 0), -1);
    QCOMPARE(freeKeyNumber(buf), 8);
    menu->MenuSlotBuf[1][10] = 8;      // never read
    QCOMPARE(freeKeyNumber(buf), 8);
    QCOMPARE(int(placedKeys(buf).size()), 8);
}

void TestLayoutModel::cellMapStaysInsideTheGrid()
{
    CellMap map;
    map.mark(0, CellRect{4, 6, 9, 12}, true);   // clipped, not written past the grid
    QVERIFY(map.at(0, 5, 7));
    QVERIFY(map.any(0, CellRect{5, 7, 5, 7}));
    QVERIFY(!map.any(1, CellRect{0, 0, 5, 7}));
    map.mark(7, CellRect{0, 0, 1, 1}, true);    // no such page: ignored
    QVERIFY(!map.any(7, CellRect{0, 0, 1, 1}));
}

QTEST_MAIN(TestLayoutModel)
#include "tst_layoutmodel.moc"
