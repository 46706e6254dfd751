#include "editors/frmEditKey.h"
#include "editors/frmEditMENU.h"
#include "editors/frmKeyIn.h"

#include "editors/EditorTestSupport.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <QSet>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

// Editors opened on whatever bytes a file may hold, then worked on at random: nothing may
// crash or write outside the buffers (the suite also runs under the sanitizers), and what
// the editor shows must stay what its buffers say.
class TestEditorFuzz : public QObject {
    Q_OBJECT
private slots:
    void init();
    void deviceEditorOnRandomBytes();
    void menuEditorOnRandomBytes();
    void randomEditsRoundTrip();
    void undoAllAndRedoAll();

private:
    void randomBytes(Byte *p, size_t n, bool plausible);
    void scriptDialogs(int count);
    void randomAction(GridEditor &e);
    // On screen versus in the buffers.
    void checkConsistent(GridEditor &e, const LayoutBuffers &buf, bool exact);

    QRandomGenerator rng{20240611};
    std::unique_ptr<PictureDir> pictures;
    std::unique_ptr<Globals> g;
    ScriptedUiServices ui;
};

void TestEditorFuzz::init()
{
    if (!pictures)
        pictures = std::make_unique<PictureDir>();
    g = std::make_unique<Globals>();
    g->AppDir = pictures->path();
    ui.clear();
}

void TestEditorFuzz::randomBytes(Byte *p, size_t n, bool plausible)
{
    for (size_t i = 0; i < n; ++i) {
        const int r = rng.bounded(100);
        if (!plausible || r < 30)
            p[i] = static_cast<Byte>(rng.bounded(256));
        else if (r < 70)
            p[i] = Empty;
        else
            p[i] = static_cast<Byte>(rng.bounded(40));
    }
}

void TestEditorFuzz::scriptDialogs(int count)
{
    static const QStringList texts = {QStringLiteral("TV"), QStringLiteral(" VOL+ "), QStringLiteral("#<=>"),
                                      QStringLiteral("ABCDEFGHIJKLMNOPQRST"), QStringLiteral("Télé")};
    for (int i = 0; i < count; ++i) {
        const int choice = rng.bounded(5);
        const QString text = texts[rng.bounded(texts.size())];
        const int icon = frmKeyIn::iconNumber(rng.bounded(54));
        ui.onDialog([=](QDialog &d) {
            const bool menu = d.objectName() == QLatin1String("frmMenuIn");
            switch (choice) {
            case 0:
                pressCancel()(d);
                break;
            case 1:
                break;   // left open: closed through the frame
            case 2:
                if (!menu) {
                    pickIconAndOk(icon)(d);
                    break;
                }
                [[fallthrough]];
            default:
                if (menu)
                    nameAndOk(text, QStringLiteral("OptVCR"))(d);
                else
                    typeAndOk(text)(d);
            }
        });
        ui.answer(rng.bounded(2) ? answer::OK : ScriptedUiServices::Escape);   // whatever box comes
    }
}

void TestEditorFuzz::randomAction(GridEditor &e)
{
    const int pages = static_cast<int>(e.PicPAGE1.size());
    auto visibleKey = [&]() -> int {
        std::vector<int> keys;
        for (int k = 0; k < static_cast<int>(e.PicKEY.size()); ++k)
            if (!e.PicKEY[static_cast<size_t>(k)]->isHidden())
                keys.push_back(k);
        return keys.empty() ? -1 : keys[static_cast<size_t>(rng.bounded(static_cast<int>(keys.size())))];
    };
    auto pagePoint = [&] { return QPoint(rng.bounded(121), rng.bounded(161)); };
    switch (rng.bounded(12)) {
    case 10:
    case 11: {
        // The keyboard twin: the cell cursor of a page, moved and pressed.
        static constexpr Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,     Qt::Key_Down,
                                           Qt::Key_Home, Qt::Key_End,   Qt::Key_Space,  Qt::Key_Return,
                                           Qt::Key_Space, Qt::Key_Delete, Qt::Key_F2,   Qt::Key_Escape};
        const Qt::Key key = keys[rng.bounded(static_cast<int>(std::size(keys)))];
        // Escape only drops what is under way: the question before changes are lost would
        // take the answers queued for other boxes.
        if (key == Qt::Key_Escape && e.newStep() == 0 && e.resizeStep() == 0 && !e.dragging())
            break;
        const bool ctrl = key <= Qt::Key_Down && key >= Qt::Key_Left && rng.bounded(4) == 0;
        QTest::keyClick(e.PicPAGE1[static_cast<size_t>(rng.bounded(pages))], key,
                        ctrl ? Qt::ControlModifier : Qt::NoModifier);
        break;
    }
    case 8:
    case 9: {
        // Two corners a sensible distance apart: a New or a Resize that may well succeed.
        const int c1 = rng.bounded(5), r1 = rng.bounded(7), p1 = rng.bounded(pages);
        clickCell(e, p1, c1, r1);
        clickCell(e, rng.bounded(4) ? p1 : rng.bounded(pages), std::min(5, c1 + 1 + rng.bounded(2)),
                  std::min(7, r1 + 1 + rng.bounded(2)));
        break;
    }
    case 0:
        e.selectMode(static_cast<GridEditor::Mode>(rng.bounded(5)));
        break;
    case 1:
    case 2:
        click(e.PicPAGE1[static_cast<size_t>(rng.bounded(pages))], pagePoint());
        break;
    case 3:
    case 4:
        if (const int k = visibleKey(); k >= 0)
            click(e.PicKEY[static_cast<size_t>(k)], QPoint(rng.bounded(20), rng.bounded(20)));
        break;
    default:
        if (const int k = visibleKey(); k >= 0) {
            const int target = rng.bounded(3);
            QWidget *to = target == 0 ? static_cast<QWidget *>(e.PicKEY[static_cast<size_t>(k)])
                                      : static_cast<QWidget *>(e.PicPAGE1[static_cast<size_t>(rng.bounded(pages))]);
            dragKey(e, k, QPoint(rng.bounded(40), rng.bounded(40)), to, QPoint(rng.bounded(-30, 150), rng.bounded(-30, 190)));
        }
        break;
    }
}

void TestEditorFuzz::checkConsistent(GridEditor &e, const LayoutBuffers &buf, bool exact)
{
    if (e.resizeStep() != 0)
        return;
    CellMap shown;
    for (int k = 0; k < static_cast<int>(e.PicKEY.size()); ++k) {
        const KeyBox *box = e.PicKEY[static_cast<size_t>(k)];
        if (box->isHidden())
            continue;
        // Some slot naming the key holds the corners it is shown at (a damaged file may
        // name it in other slots too).
        SlotRef s;
        CellRect cells;
        for (int p = 0; p < buf.pages && !s.valid(); ++p)
            for (int i = 0; i < buf.slotCount; ++i) {
                const CellRect c = CellRect::fromCodes(buf.rect[p][2 * i], buf.rect[p][2 * i + 1]);
                if (buf.slot[p][i] == k && c.inGrid() && box->geometry() == keyGeometry(e.pageOrigin(p), c)) {
                    s = {p, i};
                    cells = c;
                    break;
                }
            }
        QVERIFY2(s.valid(), qPrintable(QStringLiteral("key %1 shown where no slot puts it").arg(k)));
        QVERIFY2(!shown.any(s.page, cells), "shown keys never overlap");
        shown.mark(s.page, cells, true);
        QVERIFY(buf.recordOfKey(k));
    }
    for (int p = 0; p < buf.pages; ++p)
        for (int c = 0; c < GridColumns; ++c)
            for (int r = 0; r < GridRows; ++r)
                QCOMPARE(e.cellMap().at(p, c, r), shown.at(p, c, r));
    // Slots past the layout's count are never written.
    if (buf.slotCount == 8)
        for (int p = 0; p < 2; ++p)
            for (int s = 8; s < 12; ++s)
                QCOMPARE(int(buf.slot[p][s]), 0x5A);
    if (!exact)
        return;
    // What a reopening would show is what is shown now.
    const auto placed = placedKeys(buf);
    int visible = 0;
    for (const KeyBox *box : e.PicKEY)
        visible += box->isHidden() ? 0 : 1;
    QCOMPARE(int(placed.size()), visible);
    for (const PlacedKey &k : placed) {
        QVERIFY(!e.PicKEY[static_cast<size_t>(k.key)]->isHidden());
        QCOMPARE(k.labelPage, k.page);   // a key's label stays on its page
        const Byte *label = buf.labelBytes(k.labelPage, k.record);
        if (!(buf.keys == 35 && isIconByte(label[0])))
            QCOMPARE(fixedField(labelText(label)), e.keyText(k.key));
    }
}

void TestEditorFuzz::deviceEditorOnRandomBytes()
{
    for (int round = 0; round < 300; ++round) {
        DeviceWorkset &dev = *g;
        const bool plausible = round % 2 == 0;
        for (auto &r : dev.DevSlotBuf)
            randomBytes(r.data(), r.size(), plausible);
        for (auto &r : dev.DevRectBuf)
            randomBytes(r.data(), r.size(), plausible);
        randomBytes(dev.DevLocBuf.data(), dev.DevLocBuf.size(), plausible);
        for (auto &r : dev.DevLabelBuf)
            randomBytes(r.data(), r.size(), plausible);
        ui.clear();
        scriptDialogs(20);
        frmEditKey e(*g, ui);
        e.show();
        const LayoutBuffers buf = LayoutBuffers::device(*g);
        checkConsistent(e, buf, false);
        for (int i = 0; i < 15; ++i) {
            randomAction(e);
            checkConsistent(e, buf, false);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("round %1, action %2").arg(round).arg(i)));
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }
}

void TestEditorFuzz::menuEditorOnRandomBytes()
{
    for (int round = 0; round < 300; ++round) {
        MenuWorkset &menu = *g;
        const bool plausible = round % 2 == 0;
        for (auto &r : menu.MenuSlotBuf) {
            randomBytes(r.data(), 8, plausible);
            std::fill(r.begin() + 8, r.end(), 0x5A);   // never copied, never written
        }
        for (auto &r : menu.MenuRectBuf)
            randomBytes(r.data(), r.size(), plausible);
        randomBytes(menu.MenuLocBuf.data(), menu.MenuLocBuf.size(), plausible);
        randomBytes(menu.MenuKindBuf.data(), menu.MenuKindBuf.size(), plausible);
        for (auto &r : menu.MenuLabelBuf)
            randomBytes(r.data(), r.size(), plausible);
        ui.clear();
        scriptDialogs(20);
        frmEditMENU e(*g, ui);
        e.show();
        const LayoutBuffers buf = LayoutBuffers::menu(*g);
        for (int i = 0; i < 15; ++i) {
            randomAction(e);
            checkConsistent(e, buf, false);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("round %1, action %2").arg(round).arg(i)));
        }
    }
}

void TestEditorFuzz::randomEditsRoundTrip()
{
    // From empty layouts, long random sessions: the buffers always describe exactly the
    // keys on screen, so saving and reopening shows the same thing.
    int keysMade = 0;
    for (int round = 0; round < 40; ++round) {
        clearDevice(*g);
        clearMenu(*g);
        for (auto &r : g->MenuSlotBuf)
            std::fill(r.begin() + 8, r.end(), 0x5A);
        ui.clear();
        scriptDialogs(250);
        std::unique_ptr<GridEditor> e;
        LayoutBuffers buf;
        if (round % 2) {
            e = std::make_unique<frmEditMENU>(*g, ui);
            buf = LayoutBuffers::menu(*g);
        } else {
            e = std::make_unique<frmEditKey>(*g, ui);
            buf = LayoutBuffers::device(*g);
        }
        e->show();
        for (int i = 0; i < 200; ++i) {
            if (i % 5 == 0)
                e->selectMode(rng.bounded(3) ? GridEditor::Mode::New : static_cast<GridEditor::Mode>(rng.bounded(5)));
            randomAction(*e);
            checkConsistent(*e, buf, true);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("round %1, action %2").arg(round).arg(i)));
        }
        keysMade += static_cast<int>(placedKeys(buf).size());
    }
    QVERIFY2(keysMade > 100, "the sessions made keys to work on");
}

namespace {

// Everything an editor may change: both layouts' bytes, the menu's kinds, the device
// buffers and the image (a menu kind writes a bank at once).
QByteArray editableBytes(const Globals &g)
{
    QByteArray b;
    auto add = [&b](const auto &v) { b.append(reinterpret_cast<const char *>(&v), sizeof(v)); };
    add(static_cast<const DeviceWorkset &>(g));
    add(static_cast<const MenuWorkset &>(g));
    b.append(reinterpret_cast<const char *>(g.Image.data()), 512 * 266);
    return b;
}

// Clicks a button until it goes disabled; returns the clicks.
int clickWhileEnabled(QPushButton *button)
{
    int clicks = 0;
    while (button->isEnabled() && clicks < 1000) {
        QTest::mouseClick(button, Qt::LeftButton);
        ++clicks;
    }
    return clicks;
}

}  // namespace

void TestEditorFuzz::undoAllAndRedoAll()
{
    int steps = 0;
    QSet<QString> kinds;
    for (int round = 0; round < 24; ++round) {
        // Half the rounds start from layouts that already hold keys, half from empty ones;
        // the image's banks hold other bytes than the stored layouts a new kind loads.
        clearDevice(*g);
        clearMenu(*g);
        for (auto &r : g->MenuSlotBuf)
            std::fill(r.begin() + 8, r.end(), 0x5A);
        for (int p = 0; p < 512; ++p)
            randomBytes(g->Image.page(p) + 2, 264, false);
        ui.clear();
        const bool menu = round % 2 == 1;
        if (round % 4 < 2) {
            scriptDialogs(40);
            std::unique_ptr<GridEditor> e;
            if (menu)
                e = std::make_unique<frmEditMENU>(*g, ui);
            else
                e = std::make_unique<frmEditKey>(*g, ui);
            e->selectMode(GridEditor::Mode::New);
            for (int i = 0; i < 30; ++i)
                randomAction(*e);
        }
        ui.clear();
        scriptDialogs(120);
        std::unique_ptr<GridEditor> e;
        if (menu)
            e = std::make_unique<frmEditMENU>(*g, ui);
        else
            e = std::make_unique<frmEditKey>(*g, ui);
        const LayoutBuffers buf = menu ? LayoutBuffers::menu(*g) : LayoutBuffers::device(*g);
        e->show();
        QVERIFY(!e->cmdUndo->isEnabled() && !e->cmdRedo->isEnabled());
        const QByteArray start = editableBytes(*g);
        for (int i = 0; i < 100; ++i) {
            if (i % 5 == 0)
                e->selectMode(rng.bounded(3) ? static_cast<GridEditor::Mode>(rng.bounded(5)) : GridEditor::Mode::New);
            randomAction(*e);
        }
        const QByteArray end = editableBytes(*g);
        const int made = e->undoStack().count();
        for (int i = 0; i < made; ++i)
            kinds.insert(e->undoStack().text(i));

        QCOMPARE(clickWhileEnabled(e->cmdUndo), made);
        QVERIFY2(editableBytes(*g) == start, qPrintable(QStringLiteral("round %1: undo all").arg(round)));
        checkConsistent(*e, buf, true);
        QCOMPARE(clickWhileEnabled(e->cmdRedo), made);
        QVERIFY2(editableBytes(*g) == end, qPrintable(QStringLiteral("round %1: redo all").arg(round)));
        checkConsistent(*e, buf, true);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("round %1").arg(round)));
        steps += made;
    }
    // Clicks that change nothing (a key dropped where it was) and most keys (the cursor
    // moving) make no step.
    QVERIFY2(steps > 90, "the sessions made steps to undo");
    QCOMPARE(kinds, (QSet<QString>{"New", "Move", "Resize", "Relabel", "Delete"}));
}

QTEST_MAIN(TestEditorFuzz)
#include "tst_editorfuzz.moc"
