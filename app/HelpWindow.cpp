#include "app/HelpWindow.h"

#include "app/WindowPlacement.h"
#include "core/FileIO.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QListWidget>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace quillet {

namespace {
constexpr int kBlockPosition = Qt::UserRole;
}

HelpWindow::HelpWindow(QWidget *owner)
    : QDialog(owner)
    , List1(new QListWidget(this))
    , Text1(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Quillet Help"));
    setModal(false);
    setSizeGripEnabled(true);

    List1->setObjectName(QStringLiteral("List1"));
    Text1->setObjectName(QStringLiteral("Text1"));
    List1->setAccessibleName(QStringLiteral("Topics"));
    Text1->setAccessibleName(QStringLiteral("Help text"));
    // Links are followed here: anchors inside the help scroll, anything else goes to
    // the desktop; the browser must never try to load the .HLP file by itself.
    Text1->setOpenLinks(false);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(List1);
    splitter->addWidget(Text1);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 630});

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);
    resize(900, 600);

    connect(List1, &QListWidget::itemClicked, this, &HelpWindow::showSection);
    connect(List1, &QListWidget::itemActivated, this, &HelpWindow::showSection);
    connect(Text1, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
}

bool HelpWindow::load(const QString &helpFile, QString *error)
{
    QByteArray bytes;
    // The help is a few hundred kilobytes; anything far larger is not it.
    if (!readFileAtMost(helpFile, 16 << 20, bytes, error))
        return false;
    // Pictures named in the help are looked up beside it.
    Text1->setSearchPaths({QFileInfo(helpFile).absolutePath()});
    Text1->setHtml(QString::fromUtf8(bytes));
    buildContents();
    return true;
}

// One entry per heading of level 1 to 3, indented below the highest level used.
void HelpWindow::buildContents()
{
    List1->clear();
    struct Heading {
        int level;
        QString title;
        int position;
    };
    QList<Heading> headings;
    int top = 3;
    const QTextDocument *doc = Text1->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        const QString title = block.text().simplified();
        if (level < 1 || level > 3 || title.isEmpty())
            continue;
        headings.append({level, title, block.position()});
        top = qMin(top, level);
    }
    for (const Heading &h : headings) {
        auto *item = new QListWidgetItem(QString(2 * (h.level - top), QLatin1Char(' ')) + h.title, List1);
        item->setData(kBlockPosition, h.position);
    }
    List1->setVisible(!headings.isEmpty());
}

void HelpWindow::showSection(QListWidgetItem *item)
{
    if (!item)
        return;
    const QTextBlock block = Text1->document()->findBlock(item->data(kBlockPosition).toInt());
    if (!block.isValid())
        return;
    Text1->setTextCursor(QTextCursor(block));
    const QRectF where = Text1->document()->documentLayout()->blockBoundingRect(block);
    Text1->verticalScrollBar()->setValue(qRound(where.top()));
}

void HelpWindow::followLink(const QUrl &url)
{
    if (url.isRelative() && url.path().isEmpty() && url.hasFragment())
        Text1->scrollToAnchor(url.fragment());
    else
        QDesktopServices::openUrl(url);
}

bool showHelpWindow(QWidget *owner, const QString &helpFile, QString *error)
{
    HelpWindow *window = owner ? owner->findChild<HelpWindow *>(QStringLiteral("frmHelp"),
                                                                Qt::FindDirectChildrenOnly)
                               : nullptr;
    const bool fresh = !window;
    if (fresh) {
        window = new HelpWindow(owner);
        // Without an owner nobody keeps the window, so it goes when closed.
        if (!owner)
            window->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!window->load(helpFile, error)) {
        if (fresh)
            delete window;
        return false;
    }
    fitIntoScreenWhenShown(*window);
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

}  // namespace quillet

// The window's meta-object is compiled here, so linking the help window does not
// drag in the meta-objects of every other window of the library.
#include "moc_HelpWindow.cpp"
