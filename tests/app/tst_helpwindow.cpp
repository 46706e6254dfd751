#include "app/HelpWindow.h"

#include <QFile>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTest>
#include <QTextBrowser>
#include <QWidget>

#include <memory>

using namespace quillet;

class TestHelpWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void showsFileInOwnedNonModalWindow();
    void secondCallReusesWindowWithNewFile();
    void unreadableFileGivesErrorAndNoWindow();
    void failedReloadKeepsShownText();
    void contentsEntryScrollsToItsSection();
    void anchorLinkScrollsInsideTheHelp();

private:
    QString writeHelp(const QString &name, const QByteArray &html);
    static QByteArray longHelp();

    std::unique_ptr<QTemporaryDir> dir;
};

void TestHelpWindow::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

QString TestHelpWindow::writeHelp(const QString &name, const QByteArray &html)
{
    const QString path = dir->filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(html) != html.size())
        qFatal("cannot write test help file");
    return path;
}

// A help text long enough to scroll, with a link from the top to the last section.
QByteArray TestHelpWindow::longHelp()
{
    QByteArray html = "<html><body><h1>Top</h1><p><a href=\"#last\">to the end</a></p>";
    for (int i = 1; i <= 6; ++i) {
        html += "<h2>Section " + QByteArray::number(i) + "</h2>";
        for (int j = 0; j < 40; ++j)
            html += "<p>Filler line " + QByteArray::number(j) + "</p>";
    }
    html += "<h2><a name=\"last\"></a>Last</h2><p>The end.</p></body></html>";
    return html;
}

void TestHelpWindow::showsFileInOwnedNonModalWindow()
{
    QWidget owner;
    const QString path = writeHelp(QStringLiteral("HELP.HLP"),
                                   "<html><body><h2>Main window</h2><p>Caf\xc3\xa9 tree</p>"
                                   "<h3>Menus</h3><p>x</p></body></html>");
    QString error;
    QVERIFY(showHelpWindow(&owner, path, &error));
    auto *w = owner.findChild<HelpWindow *>(QStringLiteral("frmHelp"));
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(!w->isModal());
    QCOMPARE(w->parentWidget(), &owner);
    QCOMPARE(w->windowTitle(), QStringLiteral("Quillet Help"));
    // Laid out wider than the test's screen, it still opens inside it, Close button and all.
    QTRY_VERIFY(w->screen()->availableGeometry().contains(w->frameGeometry()));
    // The file is HTML in UTF-8 whatever its extension says.
    QVERIFY(w->browser()->toPlainText().contains(QStringLiteral("Caf\u00e9 tree")));
    QCOMPARE(w->contents()->count(), 2);
    QCOMPARE(w->contents()->item(0)->text(), QStringLiteral("Main window"));
    QCOMPARE(w->contents()->item(1)->text().trimmed(), QStringLiteral("Menus"));
}

void TestHelpWindow::secondCallReusesWindowWithNewFile()
{
    QWidget owner;
    QString error;
    QVERIFY(showHelpWindow(&owner, writeHelp("a.html", "<p>first</p>"), &error));
    auto *first = owner.findChild<HelpWindow *>(QStringLiteral("frmHelp"));
    first->close();
    QVERIFY(showHelpWindow(&owner, writeHelp("b.html", "<p>second</p>"), &error));
    const auto all = owner.findChildren<HelpWindow *>();
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first(), first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->browser()->toPlainText(), QStringLiteral("second"));
    // A file without headings shows no empty contents list.
    QVERIFY(first->contents()->isHidden());
}

void TestHelpWindow::unreadableFileGivesErrorAndNoWindow()
{
    QWidget owner;
    const QString missing = dir->filePath(QStringLiteral("NOHELP.HLP"));
    QString error;
    QVERIFY(!showHelpWindow(&owner, missing, &error));
    QVERIFY2(error.contains(missing), qPrintable(error));
    QVERIFY(owner.findChildren<HelpWindow *>().isEmpty());

    error.clear();
    QVERIFY(!showHelpWindow(&owner, dir->path(), &error));  // a folder is no help file
    QVERIFY2(error.contains(dir->path()), qPrintable(error));
}

void TestHelpWindow::failedReloadKeepsShownText()
{
    QWidget owner;
    QString error;
    QVERIFY(showHelpWindow(&owner, writeHelp("a.html", "<p>kept</p>"), &error));
    QVERIFY(!showHelpWindow(&owner, dir->filePath("gone.html"), &error));
    auto *w = owner.findChild<HelpWindow *>(QStringLiteral("frmHelp"));
    QVERIFY(w);
    QCOMPARE(w->browser()->toPlainText(), QStringLiteral("kept"));
}

void TestHelpWindow::contentsEntryScrollsToItsSection()
{
    QWidget owner;
    QString error;
    QVERIFY(showHelpWindow(&owner, writeHelp("long.html", longHelp()), &error));
    auto *w = owner.findChild<HelpWindow *>(QStringLiteral("frmHelp"));
    QCOMPARE(w->contents()->count(), 8);  // Top, six sections, Last
    QScrollBar *bar = w->browser()->verticalScrollBar();
    QCOMPARE(bar->value(), 0);

    QListWidget *list = w->contents();
    const QRect section4 = list->visualItemRect(list->item(4));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, section4.center());
    const int atSection4 = bar->value();
    QVERIFY(atSection4 > 0);
    QCOMPARE(w->browser()->textCursor().block().text(), QStringLiteral("Section 4"));

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QVERIFY(bar->value() < atSection4);
}

void TestHelpWindow::anchorLinkScrollsInsideTheHelp()
{
    QWidget owner;
    QString error;
    QVERIFY(showHelpWindow(&owner, writeHelp("long.html", longHelp()), &error));
    auto *w = owner.findChild<HelpWindow *>(QStringLiteral("frmHelp"));
    QScrollBar *bar = w->browser()->verticalScrollBar();
    QCOMPARE(bar->value(), 0);
    emit w->browser()->anchorClicked(QUrl(QStringLiteral("#last")));
    QVERIFY(bar->value() > 0);
    QVERIFY(w->browser()->toPlainText().contains(QStringLiteral("The end.")));  // still the same text
}

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
