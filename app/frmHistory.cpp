#include "app/frmHistory.h"

#include "app/UiServices.h"
#include "app/frmCompare.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/ImageCompare.h"
#include "core/MemoryImage.h"
#include "core/Paths.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace quillet {

namespace {

enum Column { WhenColumn, TransferColumn, ChangeColumn };

const QString Waiting = QStringLiteral("…");

// What the list says of an entry: its line, or which file is not a memory and why.
QString changeText(const HistoryEntry &e)
{
    return e.ok() ? e.summary : e.name + QStringLiteral(": ") + e.problem;
}

QString transferText(const HistoryEntry &e)
{
    if (e.kind == history::Download)
        return QStringLiteral("Download");
    if (e.kind == history::Upload)
        return QStringLiteral("Upload");
    return QStringLiteral("—");
}

// The desktop's file manager with the file chosen where the platform offers that; else
// the folder it is in.
bool revealInFileManager(const QString &path)
{
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
#if defined(Q_OS_WIN)
    if (QProcess::startDetached(QStringLiteral("explorer.exe"), {QStringLiteral("/select,") + native}))
        return true;
#elif defined(Q_OS_MACOS)
    if (QProcess::startDetached(QStringLiteral("open"), {QStringLiteral("-R"), native}))
        return true;
#else
    if (QProcess::startDetached(QStringLiteral("dbus-send"),
                                {QStringLiteral("--session"), QStringLiteral("--dest=org.freedesktop.FileManager1"),
                                 QStringLiteral("--type=method_call"), QStringLiteral("/org/freedesktop/FileManager1"),
                                 QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                                 QStringLiteral("array:string:") + QUrl::fromLocalFile(native).toString(),
                                 QStringLiteral("string:")}))
        return true;
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace

QString frmHistory::openedCaptionSuffix() { return QStringLiteral("  [HISTORY]"); }

frmHistory::frmHistory(frmMain &window) : QDialog(&window), w_(window)
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("History"));
    setModal(false);
    resize(760, 380);
    reveal = revealInFileManager;

    auto *layout = new QVBoxLayout(this);
    lblFolder = new QLabel(this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    lblFolder->setTextFormat(Qt::PlainText);
    lblFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblFolder);

    List1 = new QTreeWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Memories kept by the transfers"));
    List1->setRootIsDecorated(false);
    List1->setUniformRowHeights(true);
    List1->setAllColumnsShowFocus(true);
    List1->setHeaderLabels({QStringLiteral("Date and Time"), QStringLiteral("Transfer"), QStringLiteral("What Changed")});
    List1->header()->setSectionResizeMode(WhenColumn, QHeaderView::ResizeToContents);
    List1->header()->setSectionResizeMode(TransferColumn, QHeaderView::ResizeToContents);
    List1->header()->setStretchLastSection(true);
    List1->installEventFilter(this);
    layout->addWidget(List1, 1);

    auto *buttons = new QHBoxLayout;
    auto button = [this, buttons](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    ComCompare = button("ComCompare", QStringLiteral("&Compare"));
    ComCompare->setToolTip(QStringLiteral("Compare this memory with the loaded document"));
    ComOpen = button("ComOpen", QStringLiteral("&Open"));
    ComOpen->setToolTip(QStringLiteral("Open this memory as a new document without a name"));
    ComFolder = button("ComFolder", QStringLiteral("&Show in Folder"));
    buttons->addStretch();
    ComNO = button("ComNO", QStringLiteral("Close"));
    layout->addLayout(buttons);

    connect(ComCompare, &QPushButton::clicked, this, &frmHistory::compareChosen);
    connect(ComOpen, &QPushButton::clicked, this, &frmHistory::openChosen);
    connect(ComFolder, &QPushButton::clicked, this, &frmHistory::revealChosen);
    connect(ComNO, &QPushButton::clicked, this, &QDialog::close);
    connect(List1, &QTreeWidget::currentItemChanged, this, &frmHistory::updateButtons);
    // Enter or a double click compares, the first thing one wants to know of an entry.
    connect(List1, &QTreeWidget::itemActivated, this, [this] {
        if (ComCompare->isEnabled())
            compareChosen();
    });
    connect(&w_, &frmMain::documentStateChanged, this, &frmHistory::updateButtons);
    reload();
}

frmHistory::~frmHistory() { stopWorker(); }

void frmHistory::stopWorker()
{
    if (!worker_)
        return;
    stop_->store(true);
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
}

void frmHistory::reload()
{
    stopWorker();
    const QString folder = historyFolder(w_.globals().AppDir);
    lblFolder->setText(folder);
    entries_ = listHistory(folder);
    List1->clear();
    QList<QTreeWidgetItem *> items;
    for (const HistoryEntry &e : entries_) {
        auto *item = new QTreeWidgetItem({e.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), transferText(e),
                                          e.ok() ? Waiting : changeText(e)});
        item->setToolTip(ChangeColumn, e.path);
        items << item;
    }
    List1->addTopLevelItems(items);
    if (!items.isEmpty())
        List1->setCurrentItem(items.first());
    if (items.isEmpty()) {
        auto *none = new QTreeWidgetItem({QString(), QString(), QStringLiteral("No transfer has been kept yet.")});
        none->setFlags(Qt::ItemIsEnabled);
        List1->addTopLevelItem(none);
    }
    pending_ = entries_.size();
    updateButtons();
    if (entries_.empty())
        return;

    // The lines come from reading and comparing every memory: never on the window's time.
    stop_ = std::make_shared<std::atomic<bool>>(false);
    const auto stop = stop_;
    const int generation = ++generation_;
    worker_ = QThread::create([this, work = entries_, stop, generation]() mutable {
        summarizeHistory(
            work,
            [this, &work, generation](size_t i) {
                QMetaObject::invokeMethod(
                    this, [this, i, entry = work[i], generation] {
                        if (generation == generation_)
                            entryDone(i, entry);
                    },
                    Qt::QueuedConnection);
            },
            [stop] { return stop->load(); });
    });
    worker_->start(QThread::LowPriority);
}

void frmHistory::entryDone(size_t index, const HistoryEntry &entry)
{
    if (index >= entries_.size())
        return;
    entries_[index] = entry;
    if (QTreeWidgetItem *item = List1->topLevelItem(static_cast<int>(index)))
        item->setText(ChangeColumn, changeText(entry));
    if (pending_ > 0)
        --pending_;
    updateButtons();
}

const HistoryEntry *frmHistory::chosen() const
{
    const int row = List1->indexOfTopLevelItem(List1->currentItem());
    return row >= 0 && row < static_cast<int>(entries_.size()) ? &entries_[static_cast<size_t>(row)] : nullptr;
}

void frmHistory::updateButtons()
{
    const HistoryEntry *e = chosen();
    const bool usable = e && e->ok();
    ComCompare->setEnabled(usable && w_.globals().LoadedKind == 1);
    ComOpen->setEnabled(usable);
    ComFolder->setEnabled(e != nullptr);
}

void frmHistory::compareChosen()
{
    const HistoryEntry *e = chosen();
    Globals &g = w_.globals();
    if (!e || !e->ok() || g.LoadedKind != 1)
        return;
    const HistoryEntry entry = *e;
    auto image = std::make_unique<MemoryImage>();
    QString problem;
    if (!readHistoryEntry(entry, *image, &problem)) {
        w_.ui().warn(this, problem);
        return;
    }
    frmCompare dialog(compareImages(*image, g.Image), entry.name, this);
    w_.ui().showModal(dialog);
}

void frmHistory::openChosen()
{
    const HistoryEntry *e = chosen();
    Globals &g = w_.globals();
    UiServices &ui = w_.ui();
    // No document opens while a transfer runs.
    if (!e || !e->ok() || ui.backgroundHeld())
        return;
    const HistoryEntry entry = *e;
    auto image = std::make_unique<MemoryImage>();
    QString problem;
    if (!readHistoryEntry(entry, *image, &problem)) {
        ui.warn(this, problem);
        return;
    }
    if (!w_.askBeforeDiscard(frmMain::DiscardRule::SaveAsThenStop))
        return;
    // A new document without a file: a later Save goes through Save As, so the history's
    // file is never written over.
    g.Image = *image;
    g.LoadedKind = 1;
    g.CurrentFile.clear();
    g.FilePath.clear();
    g.SaveAsFirst.clear();
    g.SelectedBank = 255;
    g.Modified = 1;
    w_.newHistory();
    w_.setCaptionSuffix(openedCaptionSuffix());
    w_.setListTitle(entry.name);
    w_.refreshLoaded();
    w_.raise();
    w_.activateWindow();
}

void frmHistory::revealChosen()
{
    const HistoryEntry *e = chosen();
    if (!e)
        return;
    if (!reveal || !reveal(e->path))
        w_.ui().warn(this, QStringLiteral("\"%1\" cannot be shown in a file manager.").arg(QDir::toNativeSeparators(e->path)));
}

void showHistory(frmMain &window)
{
    auto *history = window.findChild<frmHistory *>(QStringLiteral("frmHistory"), Qt::FindDirectChildrenOnly);
    if (!history)
        history = new frmHistory(window);
    else
        history->reload();
    history->show();
    history->raise();
    history->activateWindow();
}

}  // namespace quillet
