#include "preview/frmPreview.h"

#include "preview/PreviewParts.h"
#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/AreaMap.h"
#include "core/Globals.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "editors/KeyBox.h"
#include "render/Pages.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {

using namespace preview;

// --- Timers -------------------------------------------------------------------------------

void frmPreview::buildTimerPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *row = new QHBoxLayout;
    auto *dayLabel = new QLabel(QStringLiteral("&Week from:"), page);
    dtpDay = new QDateEdit(QDate::currentDate(), page);
    dtpDay->setObjectName(QStringLiteral("dtpDay"));
    dtpDay->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpDay->setCalendarPopup(true);
    dtpDay->setAccessibleName(QStringLiteral("Week from"));
    dayLabel->setBuddy(dtpDay);
    row->addWidget(dayLabel);
    row->addWidget(dtpDay);
    row->addStretch();
    layout->addLayout(row);

    grdWeek = new QTableWidget(24, 7, page);
    grdWeek->setObjectName(QStringLiteral("grdWeek"));
    grdWeek->setAccessibleName(QStringLiteral("Firings by day and hour"));
    grdWeek->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdWeek->setSelectionMode(QAbstractItemView::SingleSelection);
    grdWeek->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdWeek->verticalHeader()->setDefaultSectionSize(18);
    QStringList hours;
    for (int h = 0; h < 24; ++h)
        hours << QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0'));
    grdWeek->setVerticalHeaderLabels(hours);
    layout->addWidget(grdWeek, 2);

    auto *lists = new QHBoxLayout;
    lstFirings = new QListWidget(page);
    lstFirings->setObjectName(QStringLiteral("lstFirings"));
    lstFirings->setAccessibleName(QStringLiteral("Firings in time order"));
    lstNever = new QListWidget(page);
    lstNever->setObjectName(QStringLiteral("lstNever"));
    lstNever->setAccessibleName(QStringLiteral("Timers that never fire"));
    // Each list under its own caption, which also names it for the keyboard.
    auto captioned = [page, lists](const QString &caption, QWidget *list, int stretch) {
        auto *column = new QVBoxLayout;
        auto *label = new QLabel(caption, page);
        label->setBuddy(list);
        column->addWidget(label);
        column->addWidget(list);
        lists->addLayout(column, stretch);
    };
    captioned(QStringLiteral("&Firings in time order (click one to try it):"), lstFirings, 3);
    captioned(QStringLiteral("Timers that &never fire, and notes:"), lstNever, 2);
    layout->addLayout(lists, 1);

    connect(dtpDay, &QDateEdit::dateChanged, this, [this] { fillTimers(); });
    // A click or Enter tries a firing. Not "activated": where a double click activates,
    // it also clicks, and the firing would play twice.
    connect(lstFirings, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { firingChosen(item->data(Qt::UserRole).toInt()); });
    connect(grdWeek, &QTableWidget::cellClicked, this, [this](int r, int c) {
        if (QTableWidgetItem *item = grdWeek->item(r, c))
            firingChosen(item->data(Qt::UserRole).toInt());
    });
    lstFirings->installEventFilter(this);
    grdWeek->installEventFilter(this);
}
void frmPreview::fillTimers()
{
    const QDate from = dtpDay->date();
    grdWeek->clearContents();
    lstFirings->clear();
    lstNever->clear();
    QStringList days;
    for (int d = 0; d < 7; ++d)
        days << weekdayText(from.addDays(d)) + from.addDays(d).toString(QStringLiteral(" MM-dd"));
    grdWeek->setHorizontalHeaderLabels(days);
    firings_ = model_ ? model_->firings(from, from.addDays(7)) : std::vector<Firing>{};
    if (!model_)
        return;
    std::vector<TimerPlan> plans = model_->plans();
    auto nameOf = [&plans](int timer) {
        for (const TimerPlan &p : plans)
            if (p.timer == timer)
                return p.who();
        return QString();
    };
    for (size_t i = 0; i < firings_.size(); ++i) {
        const Firing &f = firings_[i];
        // A firing the check doubts carries its sentence.
        const QString text = f.text(nameOf(f.timer), Dot) + (f.note.isEmpty() ? QString() : Dot + QStringLiteral("note: ") + f.note);
        auto *item = new QListWidgetItem(text, lstFirings);
        item->setData(Qt::UserRole, static_cast<int>(i));
        const int column = static_cast<int>(from.daysTo(f.at.date()));
        const int row = f.at.time().hour();
        QTableWidgetItem *cell = grdWeek->item(row, column);
        if (!cell) {
            cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignCenter);
            cell->setData(Qt::UserRole, static_cast<int>(i));   // a click plays the cell's first
            grdWeek->setItem(row, column, cell);
        }
        cell->setText(cell->text() + QStringLiteral("●"));
        const QString said = cell->data(Qt::AccessibleTextRole).toString();
        cell->setData(Qt::AccessibleTextRole, said.isEmpty() ? text : said + QStringLiteral("; ") + text);
        cell->setToolTip(cell->data(Qt::AccessibleTextRole).toString());
    }
    for (const TimerPlan &p : plans) {
        if (!p.fires)
            new QListWidgetItem(p.who() + QStringLiteral(": never fires, ") + p.reason, lstNever);
        else if (!p.note.isEmpty())
            new QListWidgetItem(QStringLiteral("note: ") + p.note, lstNever);
    }
}

void frmPreview::firingChosen(int index)
{
    if (!model_ || index < 0 || index >= static_cast<int>(firings_.size()))
        return;
    const Firing f = firings_[static_cast<size_t>(index)];
    if (f.macro >= 0) {
        play(f.macro);
        return;
    }
    stop();
    tabPreview->setCurrentIndex(0);
    const SentKey &sent = f.press.sent;
    if (sent.kind == SentKey::DeviceKey) {
        setScreen({Screen::Device, sent.bank, f.press.page});
        pressedRect_ = keyGeometry({0, 0}, f.press.cells);
        pressedLabel_ = faceOf(*sent.reading);
        pressedIcons_ = true;
        drawScreen();
        QTimer::singleShot(400, this, [this] { screenReleased(); });
    } else if (sent.kind == SentKey::RubberKey) {
        setScreen({Screen::Device, sent.bank, screen_.kind == Screen::Device ? screen_.page : 0});
        QPushButton *b = ComRUBBER[static_cast<size_t>(rubberIndex(sent.key))];
        b->setDown(true);
        QTimer::singleShot(400, b, [b] { b->setDown(false); });
    }
    log(f.at.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + Dot + f.press.text());
}

}  // namespace quillet
