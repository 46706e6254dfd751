#include "core/Backups.h"
#include "editors/frmKeyIn.h"
#include "editors/frmMenuIn.h"

#include "editors/EditorTestSupport.h"

#include <QGroupBox>
#include <QLabel>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

class TestLabelDialogs : public QObject {
    Q_OBJECT
private slots:
    void init();

    void keyInOpensOnAnIcon();
    void keyInIconButtons();
    void keyInTextRules_data();
    void keyInTextRules();
    void keyInModeSwitches();
    void keyInCancelAndFrame();
    void menuInPreselectsTheKind();
    void menuInRefusals();
    void menuInCancel();

private:
    std::unique_ptr<frmKeyIn> keyIn(int mode, const QString &label);
    std::unique_ptr<frmMenuIn> menuIn(const QString &label, int kind);
    void ok(QDialog &d) { QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("ComYES")), Qt::LeftButton); }

    std::unique_ptr<PictureDir> pictures;
    std::unique_ptr<Globals> g;
    ScriptedUiServices ui;
};

void TestLabelDialogs::init()
{
    if (!pictures)
        pictures = std::make_unique<PictureDir>();
    g = std::make_unique<Globals>();
    g->AppDir = pictures->path();
    ui.clear();
}

std::unique_ptr<frmKeyIn> TestLabelDialogs::keyIn(int mode, const QString &label)
{
    g->EditResult = mode;
    g->KeyLabel = label;
    auto d = std::make_unique<frmKeyIn>(*g, ui);
    d->show();
    return d;
}

std::unique_ptr<frmMenuIn> TestLabelDialogs::menuIn(const QString &label, int kind)
{
    g->EditResult = 0;
    g->KeyLabel = label;
    g->ChosenAttribution = kind;
    auto d = std::make_unique<frmMenuIn>(*g, ui);
    d->show();
    return d;
}

void TestLabelDialogs::keyInOpensOnAnIcon()
{
    auto d = keyIn(2, QStringLiteral("5"));
    QCOMPARE(d->windowTitle(), QStringLiteral("Input key name"));
    QCOMPARE(d->Frame1->title(), QStringLiteral("Input"));
    QCOMPARE(d->Label1->text(), QStringLiteral("'= < > # ' on the keyboard will correspond to the special symbols"));
    QVERIFY(d->OptIMG->isChecked() && !d->OptTEXT->isChecked());
    QVERIFY(!d->Label1->isEnabled());
    QVERIFY(d->Option1(5)->isChecked());
    QCOMPARE(d->Option1(5)->palette().color(QPalette::Button), QColor(Qt::white));
    QVERIFY(d->Option1(6)->palette().color(QPalette::Button) != QColor(Qt::white));
    // As drawn, whatever the style makes of a checked button: white beside the icon of the
    // chosen one, button face beside its neighbour's.
    const QColor face = d->palette().color(QPalette::Button);
    const QImage chosen = d->Option1(5)->grab().toImage();
    const QImage other = d->Option1(6)->grab().toImage();
    for (QPoint p : {QPoint(3, 20), QPoint(20, 37)}) {
        QCOMPARE(QColor(chosen.pixel(p)), QColor(Qt::white));
        QCOMPARE(QColor(other.pixel(p)), face);
    }
    ok(*d);
    QVERIFY(!d->isVisible());
    QCOMPARE(g->EditResult, 2);
    QCOMPARE(g->KeyLabel, QStringLiteral("5"));

    // A number that names no icon: nothing is chosen and one must be picked.
    d = keyIn(2, QStringLiteral("200"));
    QCOMPARE(g->KeyLabel, QString());
    ok(*d);
    QCOMPARE(ui.lastText(), QStringLiteral("Please key in data."));
    QVERIFY(d->isVisible());
    QTest::mouseClick(d->Option1(149), Qt::LeftButton);
    QCOMPARE(g->KeyLabel, QStringLiteral("149"));
    ok(*d);
    QCOMPARE(g->EditResult, 2);
}

void TestLabelDialogs::keyInIconButtons()
{
    auto d = keyIn(1, QString());
    int count = 0;
    for (QToolButton *b : d->findChildren<QToolButton *>()) {
        const QString name = b->objectName();
        QVERIFY(name.startsWith(QStringLiteral("Option1_")));
        QVERIFY(isIconByte(name.mid(8).toInt()));
        QVERIFY(!b->isEnabled());   // text mode
        ++count;
    }
    QCOMPARE(count, 54);
    // Each shows its cell of the strips.
    const QImage first = d->Option1(0)->icon().pixmap(32, 32).toImage();
    const QImage last = d->Option1(149)->icon().pixmap(32, 32).toImage();
    QCOMPARE(first.pixel(16, 16) | 0xFF000000u, iconColour(0, 0));
    QCOMPARE(last.pixel(16, 16) | 0xFF000000u, iconColour(1, 21));

    // Without the strips the buttons still work, showing their numbers.
    QTemporaryDir empty;
    g->AppDir = empty.path();
    d = keyIn(1, QString());
    QCOMPARE(d->Option1(131)->text(), QStringLiteral("131"));
}

void TestLabelDialogs::keyInTextRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal");   // empty: accepted
    const QString unstorable = QStringLiteral("no code");
    const QString iconLike = QStringLiteral("cannot begin");
    QTest::newRow("empty") << QString() << QStringLiteral("Please key in data.");
    QTest::newRow("20 characters") << QStringLiteral("ABCDEFGHIJKLMNOPQRST") << QString();
    QTest::newRow("21 characters") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTU") << QStringLiteral("Max.: 20 words");
    QTest::newRow("blanks and symbols") << QStringLiteral(" <#=> ") << QString();
    QTest::newRow("accented") << QStringLiteral("Télé") << QString();
    QTest::newRow("euro inside") << QStringLiteral("A€") << QString();
    QTest::newRow("euro first") << QStringLiteral("€uro") << iconLike;
    QTest::newRow("bullet first") << QStringLiteral("•") << iconLike;
    QTest::newRow("control first") << QStringLiteral("\x05X") << iconLike;
    QTest::newRow("y diaeresis is 255") << QStringLiteral("Aÿ") << unstorable;
    QTest::newRow("no single-byte code") << QStringLiteral("日本") << unstorable;
    QTest::newRow("emoji") << QStringLiteral("TV \U0001F4FA") << unstorable;
}

void TestLabelDialogs::keyInTextRules()
{
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    auto d = keyIn(1, QString());
    d->Text_IN->setText(text);
    ok(*d);
    if (refusal.isEmpty()) {
        QVERIFY(ui.shown.isEmpty());
        QVERIFY(!d->isVisible());
        QCOMPARE(g->EditResult, 1);
        QCOMPARE(g->KeyLabel, text);
    } else {
        QCOMPARE(ui.shown.size(), 1);
        QVERIFY2(ui.lastText().contains(refusal), qPrintable(ui.lastText()));
        QCOMPARE(ui.shown[0].title, QStringLiteral("Warning"));
        QCOMPARE(ui.shown[0].icon, MsgIcon::Warning);
        QCOMPARE(g->DialogResult, 1);
        QVERIFY(d->isVisible());
        QCOMPARE(d->Text_IN->text(), text);
    }
}

void TestLabelDialogs::keyInModeSwitches()
{
    // Text, then Icon without a pick: nothing to return.
    auto d = keyIn(1, QStringLiteral("TV"));
    QCOMPARE(d->Text_IN->text(), QStringLiteral("TV"));
    QTest::mouseClick(d->OptIMG, Qt::LeftButton);
    QCOMPARE(g->EditResult, 2);
    QVERIFY(d->Option1(7)->isEnabled());
    ok(*d);
    QCOMPARE(ui.lastText(), QStringLiteral("Please key in data."));
    QVERIFY(d->isVisible());

    // Back to text: OK returns the text box, not the icon.
    QTest::mouseClick(d->Option1(7), Qt::LeftButton);
    QCOMPARE(g->KeyLabel, QStringLiteral("7"));
    QTest::mouseClick(d->OptTEXT, Qt::LeftButton);
    QVERIFY(!d->Option1(7)->isEnabled() && !d->Option1(7)->isChecked());
    QCOMPARE(g->KeyLabel, QStringLiteral("7"));
    ok(*d);
    QCOMPARE(g->EditResult, 1);
    QCOMPARE(g->KeyLabel, QStringLiteral("TV"));

    // Keys that do not edit the text and other mouse buttons keep the chosen icon.
    d = keyIn(2, QStringLiteral("3"));
    d->Text_IN->setFocus();
    for (int key : {int(Qt::Key_Tab), int(Qt::Key_Shift), int(Qt::Key_Left), int(Qt::Key_End)})
        QTest::keyClick(d->Text_IN, Qt::Key(key));
    QTest::keyClick(d->Text_IN, Qt::Key_A, Qt::ControlModifier);
    QTest::mouseClick(d->Text_IN, Qt::RightButton);
    QVERIFY(d->OptIMG->isChecked() && d->Option1(3)->isChecked());
    QCOMPARE(g->KeyLabel, QStringLiteral("3"));

    // Typing or a left click in the text box selects text mode.
    QTest::keyClick(d->Text_IN, Qt::Key_A);
    QVERIFY(d->OptTEXT->isChecked());
    QCOMPARE(g->EditResult, 1);
    QCOMPARE(d->Text_IN->text(), QStringLiteral("a"));
    d = keyIn(2, QStringLiteral("3"));
    QTest::mouseClick(d->Text_IN, Qt::LeftButton);
    QVERIFY(d->OptTEXT->isChecked());
}

void TestLabelDialogs::keyInCancelAndFrame()
{
    auto d = keyIn(2, QStringLiteral("9"));
    QTest::mouseClick(d->Option1(12), Qt::LeftButton);
    QTest::mouseClick(d->ComNO, Qt::LeftButton);
    QCOMPARE(g->EditResult, 0);
    QCOMPARE(g->KeyLabel, QString());
    QCOMPARE(g->DialogResult, 2);

    d = keyIn(1, QStringLiteral("TV"));
    d->close();
    QCOMPARE(g->EditResult, 0);
    QCOMPARE(g->KeyLabel, QString());
    QCOMPARE(g->DialogResult, 2);
}

void TestLabelDialogs::menuInPreselectsTheKind()
{
    auto d = menuIn(QString(), 0);
    QCOMPARE(d->windowTitle(), QStringLiteral("Input Device Name"));
    QCOMPARE(d->Label1->text(), QStringLiteral("Input Device Name"));
    QCOMPARE(d->Frame1->title(), QStringLiteral("Attribution"));
    QCOMPARE(d->Label2->text(), QStringLiteral("Select the attribution in order to load the Default data."));
    QCOMPARE(g->EditResult, 1);
    QVERIFY(child<QRadioButton>(*d, QStringLiteral("OptTV"))->isChecked());
    QCOMPARE(child<QRadioButton>(*d, QStringLiteral("OptTAPE"))->text(), QStringLiteral("TAPE/TUNER"));
    QCOMPARE(child<QRadioButton>(*d, QStringLiteral("OptVCD"))->text(), QStringLiteral("LD/VCD"));
    d->Text_IN->setText(QStringLiteral("Living room"));
    ok(*d);
    QCOMPARE(g->EditResult, 1);
    QCOMPARE(g->KeyLabel, QStringLiteral("Living room"));
    QCOMPARE(g->ChosenAttribution, 192);

    d = menuIn(QStringLiteral("Dish"), 200);
    QVERIFY(child<QRadioButton>(*d, QStringLiteral("OptSAT"))->isChecked());
    QCOMPARE(d->Text_IN->text(), QStringLiteral("Dish"));
    ok(*d);
    QCOMPARE(g->KeyLabel, QStringLiteral("Dish"));
    QCOMPARE(g->ChosenAttribution, 200);

    d = menuIn(QStringLiteral("X"), 255);   // a bank without a kind
    QVERIFY(child<QRadioButton>(*d, QStringLiteral("OptTV"))->isChecked());
    QCOMPARE(g->ChosenAttribution, 192);
    QTest::mouseClick(child<QRadioButton>(*d, QStringLiteral("OptAMP")), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(g->ChosenAttribution, 198);

    QCOMPARE(backupSlotForKind(197), 0);
    QCOMPARE(backupSlotForKind(192), 5);
    QCOMPARE(backupSlotForKind(193), -1);
}

void TestLabelDialogs::menuInRefusals()
{
    auto d = menuIn(QString(), 0);
    ok(*d);
    QCOMPARE(ui.lastText(), QStringLiteral("Please key in data."));
    d->Text_IN->setText(QStringLiteral("ABCDEFGHIJKLMNOPQRSTU"));
    ok(*d);
    QCOMPARE(ui.lastText(), QStringLiteral("Max.: 20 words"));
    d->Text_IN->setText(QStringLiteral("日本"));
    ok(*d);
    QVERIFY(ui.lastText().contains(QStringLiteral("no code")));
    QVERIFY(d->isVisible());
    QCOMPARE(ui.shown.size(), 3);
    // Menu names are always text: a first character in the icon range is fine here.
    d->Text_IN->setText(QStringLiteral("€ box"));
    ok(*d);
    QVERIFY(!d->isVisible());
    QCOMPARE(g->KeyLabel, QStringLiteral("€ box"));
}

void TestLabelDialogs::menuInCancel()
{
    auto d = menuIn(QStringLiteral("TV"), 192);
    QTest::mouseClick(child<QRadioButton>(*d, QStringLiteral("OptCD")), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(d->ComNO, Qt::LeftButton);
    QCOMPARE(g->EditResult, 0);
    QCOMPARE(g->KeyLabel, QString());
    QCOMPARE(g->ChosenAttribution, 0);
    QCOMPARE(g->DialogResult, 2);

    d = menuIn(QStringLiteral("TV"), 192);
    d->close();
    QCOMPARE(g->EditResult, 0);
    QCOMPARE(g->ChosenAttribution, 0);
}

QTEST_MAIN(TestLabelDialogs)
#include "tst_labeldialogs.moc"
