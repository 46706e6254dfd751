#include "PlusFixture.h"
#include "support/AppTestSupport.h"

#include "core/DataFile.h"
#include "core/TextCodec.h"
#include "plus/PlusRecords.h"
#include "plus/Install.h"
#include "plus/frmEditPlus.h"
#include "plus/frmMacroIn.h"
#include "plus/frmTimerIn.h"
#include "editors/Install.h"
#include "editors/frmEditMENU.h"
#include "render/Pages.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstring>

using namespace quillet;
using namespace quillet::fixture;

namespace {

const Bytes<10> StoredTimer{3, 1, 1, 7, 30, 2, 12, 1, 0, 222};

}  // namespace

class TestEditPlus : public QObject {
    Q_OBJECT
private slots:
    void init();
    void opensInReviewWithTheKeys();
    void confirmedKeyEditGoesIntoTheBuffers();
    void cancelledKeyEditChangesNothing();
    void reviewChangesNothing();
    void cancelLeavesImageAndBuffers();
    void timerAndMacroSurviveASavedFile();
    void cancelledMenuEditLeavesTheDevicesAsTheyAre();
    void keysAnswerArrowsAndEnter();

private:
    std::unique_ptr<testing::MainWindowFixture> fx;
    Globals *g = nullptr;

    // The main window's "Timer" / "Hot Macro" command with the page it was given.
    void runPage(int kind, ScriptedUiServices::DialogScript script)
    {
        fx->ui.onDialog(std::move(script));
        TRIGGER(fx->w.get(), kind == 0 ? "mnuTimer" : "mnuMacro");
    }
};

void TestEditPlus::init()
{
    fx = std::make_unique<testing::MainWindowFixture>();
    fx->open();
    copyPictures(fx->appDir());
    g = fx->g.get();
    buildDocument(*g);
    g->TimerBuf[4] = StoredTimer;
    g->TimerNames[4] = fixedField(QStringLiteral(" NEWS"));
    WriteTimers(g->Image, *g);
    installPlus(*fx->w);
    fx->w->refreshSequence();
    fx->ui.clear();
}

void TestEditPlus::opensInReviewWithTheKeys()
{
    for (int kind : {0, 1}) {
        g->PlusKind = kind;
        frmEditPlus page(*g, fx->ui);
        page.show();
        QCOMPARE(page.windowTitle(), kind == 0 ? QStringLiteral("Timer Key") : QStringLiteral("Macro Key"));
        QVERIFY(page.OptVIEW->isChecked());
        QCOMPARE(page.OptVIEW->text(), QStringLiteral("ReView"));
        QCOMPARE(page.OptEDIT->text(), QStringLiteral("Setup"));
        QCOMPARE(page.Label5->text(), QStringLiteral("Please click the key you want to review its content."));
        click(page, "OptEDIT");
        QCOMPARE(page.Label5->text(), kind == 0 ? QStringLiteral("Please click the key you want to setup timer.")
                                                : QStringLiteral("Please click the key you want to setup MACRO"));
        QCOMPARE(page.PicKEY[7]->geometry(), QRect(136, 160, 121, 41));   // column 1, row 3
        // The exported picture of the page is what the page shows, key for key.
        const QImage shot = page.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const KeyFaces faces(g->AppDir, KeyFaces::Pictures::WithIcons);
        const QImage drawn = pictureImage(kind == 0 ? timerPicture(g->TimerNames, faces)
                                                    : macroPicture(g->MacroNames, faces));
        for (int k = 0; k < 12; ++k)
            QCOMPARE(shot.copy(plusKeyRect(k)), drawn.copy(plusKeyRect(k)));
        QCOMPARE(page.keyLabels()[kind == 0 ? 4 : 1],
                 kind == 0 ? fixedField(QStringLiteral(" NEWS")) : fixedField(QStringLiteral("MACRO 1")));
    }
}

void TestEditPlus::confirmedKeyEditGoesIntoTheBuffers()
{
    QString handedLabel;
    runPage(0, [&](QDialog &page) {
        click(page, "OptEDIT");
        fx->ui.onDialog([&](QDialog &timer) {
            handedLabel = child<QLineEdit>(timer, "Text_IN")->text();
            click(timer, "OptCycle_0");
            child<QLineEdit>(timer, "Text_IN")->setText(QStringLiteral("NEWS AT 9"));
            choose(timer, "ComboHour", "21");
            click(timer, "ComYES");
        });
        click(page, "PicKEY_4");
        // Taken into the page and the records at once, into the names only on OK.
        auto &p = static_cast<frmEditPlus &>(page);
        QCOMPARE(p.keyLabels()[4], fixedField(QStringLiteral("NEWS AT 9")));
        QCOMPARE(p.keyLabels()[4].size(), 23);
        // Redrawn with the new label: the face now matches a key drawn with that text.
        KeyBox reference;
        reference.resize(121, 41);
        reference.setScale(QSize(120, 40));
        KeyFaces(g->AppDir, KeyFaces::Pictures::SymbolsOnly, TextVariant::FixedTen)
            .drawText(reference, QStringLiteral("NEWS AT 9"));
        QCOMPARE(p.PicKEY[4]->face(), reference.face());
        QCOMPARE(g->TimerBuf[4][0], Byte(0));
        QCOMPARE(g->TimerBuf[4][3], Byte(21));
        QCOMPARE(g->TimerNames[4], fixedField(QStringLiteral(" NEWS")));
        click(page, "ComYES");
    });
    QCOMPARE(handedLabel, QStringLiteral(" NEWS"));   // trailing blanks off, leading kept
    QCOMPARE(g->EditResult, 255);
    QCOMPARE(g->Modified, 1);
    ReadTimers(g->Image, *g);
    QCOMPARE(g->TimerNames[4], fixedField(QStringLiteral("NEWS AT 9")));
    const Bytes<10> expected{0, 1, 1, 21, 30, 2, 12, 1, 0, 222};
    QCOMPARE(g->TimerBuf[4], expected);
}

void TestEditPlus::cancelledKeyEditChangesNothing()
{
    runPage(0, [&](QDialog &page) {
        click(page, "OptEDIT");
        fx->ui.onDialog([&](QDialog &timer) {
            click(timer, "OptCycle_11");
            child<QLineEdit>(timer, "Text_IN")->setText(QStringLiteral("GONE"));
            click(timer, "ComNO");
        });
        click(page, "PicKEY_4");
        fx->ui.onDialog([&](QDialog &timer) { child<QLineEdit>(timer, "Text_IN")->setText(QStringLiteral("GONE")); });
        click(page, "PicKEY_4");   // closed through its frame
        auto &p = static_cast<frmEditPlus &>(page);
        QCOMPARE(p.keyLabels()[4], fixedField(QStringLiteral(" NEWS")));
        QCOMPARE(g->TimerBuf[4], StoredTimer);
        click(page, "ComYES");
    });
    ReadTimers(g->Image, *g);
    QCOMPARE(g->TimerBuf[4], StoredTimer);
    QCOMPARE(g->TimerNames[4], fixedField(QStringLiteral(" NEWS")));
}

void TestEditPlus::reviewChangesNothing()
{
    auto before = std::make_unique<MemoryImage>(g->Image);
    int modeInDialog = -1;
    runPage(1, [&](QDialog &page) {
        fx->ui.onDialog([&](QDialog &macro) {
            modeInDialog = g->EditResult;
            QCOMPARE(macro.windowTitle(), QStringLiteral("ReView"));
            click(macro, "ComYES");
        });
        click(page, "PicKEY_1");
        QCOMPARE(static_cast<frmEditPlus &>(page).keyLabels()[1], fixedField(QStringLiteral("MACRO 1")));
        click(page, "ComYES");
    });
    QCOMPARE(modeInDialog, 0);
    QCOMPARE(fx->ui.dialogsShown, (QStringList{"frmEditPlus", "frmMacroIn"}));
    // OK on the page writes the same bytes back.
    QCOMPARE(std::memcmp(g->Image.data(), before->data(), MemoryImage::TotalBytes), 0);
}

void TestEditPlus::cancelLeavesImageAndBuffers()
{
    auto before = std::make_unique<MemoryImage>(g->Image);
    g->Modified = 0;
    for (bool frame : {false, true}) {
        runPage(1, [&](QDialog &page) {
            click(page, "OptEDIT");
            fx->ui.onDialog([&](QDialog &macro) {
                fx->ui.onDialog([](QDialog &sel) {
                    click(sel, "PicKEY_0");
                    click(sel, "ComYES");
                });
                click(macro, "OptNEW");
                click(macro, "ComYES");
            });
            click(page, "PicKEY_0");
            QCOMPARE(g->MacroBuf[0][0], Byte(0x00));   // the step is in the buffer for now
            if (!frame)
                click(page, "ComNO");
        });
        QCOMPARE(g->EditResult, 0);
        QCOMPARE(g->DialogResult, 2);
        QCOMPARE(g->Modified, 0);
        QCOMPARE(g->MacroBuf[0][0], Empty);
        QCOMPARE(std::memcmp(g->Image.data(), before->data(), MemoryImage::TotalBytes), 0);
    }
}

void TestEditPlus::timerAndMacroSurviveASavedFile()
{
    // A timer that sends the DVD's key 12 every Monday at 07:30 ...
    runPage(0, [&](QDialog &page) {
        click(page, "OptEDIT");
        fx->ui.onDialog([&](QDialog &timer) {
            child<QLineEdit>(timer, "Text_IN")->setText(QStringLiteral("RECORD"));
            click(timer, "OptCycle_3");
            choose(timer, "ComboHour", "07");
            choose(timer, "ComboMinute", "30");
            fx->ui.onDialog([](QDialog &sel) {
                choose(sel, "ComboBANK", "DVD");
                click(sel, "PicKEY_12");
                click(sel, "ComYES");
            });
            click(timer, "ComKEY");
            click(timer, "ComYES");
        });
        click(page, "PicKEY_0");
        click(page, "ComYES");
    });
    // ... and a hot macro of three steps with delays.
    runPage(1, [&](QDialog &page) {
        click(page, "OptEDIT");
        fx->ui.onDialog([&](QDialog &macro) {
            child<QLineEdit>(macro, "Text_IN")->setText(QStringLiteral("MOVIE NIGHT"));
            const struct {
                const char *bank, *delay, *key;
            } steps[3] = {{"VCR", "2 Second", "PicKEY_0"}, {"AMP", "5 Second", "PicKEY_7"},
                          {"TV", "1 Second", "OptKEY_2"}};
            for (const auto &s : steps) {
                fx->ui.onDialog([s](QDialog &sel) {
                    choose(sel, "ComboBANK", QString::fromLatin1(s.bank));
                    choose(sel, "ComboDELAY", QString::fromLatin1(s.delay));
                    click(sel, QString::fromLatin1(s.key));
                    click(sel, "ComYES");
                });
                click(macro, "OptNEW");
            }
            click(macro, "ComYES");
        });
        click(page, "PicKEY_2");
        click(page, "ComYES");
    });

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("HOME.DAT"));
    QString error;
    QVERIFY2(SaveDataFile(path, g->Image, &error), qPrintable(error));
    auto reopened = std::make_unique<Globals>();
    QVERIFY2(LOAD_DATA_FILE(path, reopened->Image, &error), qPrintable(error));
    ReadTimers(reopened->Image, *reopened);
    ReadMacros(reopened->Image, *reopened);

    const Bytes<10> timer{3, 1, 1, 7, 30, 2, 12, 1, 0, 222};
    QCOMPARE(reopened->TimerBuf[0], timer);
    QCOMPARE(reopened->TimerNames[0], fixedField(QStringLiteral("RECORD")));
    const Bytes<66> &macro = reopened->MacroBuf[2];
    const Byte firstSix[6] = {0x12, 0, 0x35, 7, 0x01, 37};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(macro[i], firstSix[i]);
    for (int i = 6; i < 66; ++i)
        QCOMPARE(macro[i], Empty);
    QCOMPARE(reopened->MacroNames[2], fixedField(QStringLiteral("MOVIE NIGHT")));
}

void TestEditPlus::cancelledMenuEditLeavesTheDevicesAsTheyAre()
{
    // The menu editor deletes the "TV" button and is cancelled: the document still has TV,
    // so the key selector opened next must list it, and the main window's "TV" entry must
    // still select bank 0.
    installEditors(*fx->w);
    fx->ui.onDialog([](QDialog &d) {
        auto &editor = static_cast<frmEditMENU &>(d);
        editor.selectMode(GridEditor::Mode::Delete);
        testing::clickKey(editor, 0);
        QVERIFY(editor.PicKEY[0]->isHidden());
        click(d, "ComNO");
    });
    TRIGGER(fx->w.get(), "mnuMenuEdit");
    QCOMPARE(g->EditResult, 0);

    QStringList listed;
    runPage(0, [&](QDialog &page) {
        click(page, "OptEDIT");
        fx->ui.onDialog([&](QDialog &timer) {
            fx->ui.onDialog([&](QDialog &selector) {
                auto *banks = child<QComboBox>(selector, "ComboBANK");
                for (int i = 0; i < banks->count(); ++i)
                    listed << banks->itemText(i);
                click(selector, "ComNO");
            });
            click(timer, "ComKEY");
            click(timer, "ComNO");
        });
        click(page, "PicKEY_0");
        click(page, "ComNO");
    });
    QCOMPARE(listed, QStringList({"TV", "VCR", "DVD", "AMP"}));

    QTreeWidgetItem *tv = fx->w->ListView1->topLevelItem(1);
    QCOMPARE(tv->text(0), QStringLiteral("TV"));
    testing::clickItem(fx->w->ListView1, tv);
    QCOMPARE(g->SelectedBank, 0);
}

void TestEditPlus::keysAnswerArrowsAndEnter()
{
    g->PlusKind = 0;
    frmEditPlus page(*g, fx->ui);
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    for (int i = 0; i < 6 && QApplication::focusWidget() != page.PicKEY[0]; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), page.PicKEY[0]);
    QCOMPARE(page.PicKEY[4]->accessibleName(), QStringLiteral("NEWS"));
    QTest::keyClick(page.PicKEY[0], Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), page.PicKEY[4]);
    QTest::keyClick(page.PicKEY[4], Qt::Key_Enter);
    QCOMPARE(fx->ui.dialogsShown, QStringList{QStringLiteral("frmTimerIn")});
    QCOMPARE(g->TimerRecord, StoredTimer);
    QVERIFY(page.isVisible());
}

QTEST_MAIN(TestEditPlus)
#include "tst_editplus.moc"
