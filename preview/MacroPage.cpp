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

namespace {

// The speeds a macro plays at: how many times faster than the remote; 0 is at once.
constexpr std::array<int, 3> Speeds{1, 10, 0};

}  // namespace

// --- Hot macros ---------------------------------------------------------------------------

void frmPreview::buildMacroPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *hint = new QLabel(QStringLiteral("Press a hot-macro key to play it: each step's key is pressed, then its "
                                           "delay runs before the next step."),
                            page);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    macroScroll_ = new QScrollArea(page);
    macroScroll_->setFocusPolicy(Qt::NoFocus);   // the keys take the focus, not the frame
    picMacros = new RemoteView;
    picMacros->setObjectName(QStringLiteral("picMacros"));
    picMacros->setScale(200);
    macroScroll_->setWidget(picMacros);
    macroScroll_->viewport()->installEventFilter(this);
    layout->addWidget(macroScroll_, 1);
    picMacros->installEventFilter(this);
    connect(picMacros, &RemoteView::pressedAt, this, [this](QPoint at) {
        for (int k = 0; k < PlusKeys; ++k)
            if (plusKeyRect(k).contains(at)) {
                macroCursor_ = k;
                cursorChanged();
                play(k);
                return;
            }
    });
}

void frmPreview::drawMacros()
{
    picMacros->setPicture(pictureImage(macroPicture(macroNames_, faces_)));
    fitMacros();
    cursorChanged();
}

// The hot-macro keys follow the scale as far as they fit the page's width: all three
// columns stay in view without a scroll bar across.
void frmPreview::fitMacros()
{
    if (!picMacros || !macroScroll_ || !spnScale)
        return;
    const int width = picMacros->pictureSize().width();
    const int room = macroScroll_->viewport()->width() - 2;
    int percent = spnScale->value();
    if (width > 0 && room > 0)
        percent = std::min(percent, room * 100 / width);
    picMacros->setScale(percent);
}

bool frmPreview::macrosKey(QKeyEvent *event)
{
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    int k = macroCursor_;
    switch (event->key()) {
    case Qt::Key_Left: k -= 4; break;
    case Qt::Key_Right: k += 4; break;
    case Qt::Key_Up: k -= 1; break;
    case Qt::Key_Down: k += 1; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        // The keyboard stays where it is: the log says each step.
        play(macroCursor_, false);
        return true;
    default:
        return false;
    }
    if (k >= 0 && k < PlusKeys)
        macroCursor_ = k;
    cursorChanged();
    return true;
}

bool frmPreview::playing() const
{
    return playing_;
}

void frmPreview::play(int macro, bool showRemote)
{
    if (!model_ || model_->isModel() || recording())
        return;
    stop();
    timeline_ = model_->timeline(macro);
    nextStep_ = 0;
    log(QStringLiteral("%1: %2 %3, %4")
            .arg(numberedName(QStringLiteral("Hot macro"), macro + 1, timeline_.name))
            .arg(timeline_.steps.size())
            .arg(timeline_.steps.size() == 1 ? QStringLiteral("step") : QStringLiteral("steps"))
            .arg(timeline_.length.text().mid(1)));
    playing_ = true;
    ComSTOP->setEnabled(true);
    if (showRemote)
        tabPreview->setCurrentIndex(0);
    nextStep();
}

void frmPreview::nextStep()
{
    const int speed = Speeds[static_cast<size_t>(std::max(0, cboSpeed->currentIndex()))];
    while (playing_) {
        for (QPushButton *b : ComRUBBER)
            b->setDown(false);
        if (nextStep_ >= timeline_.steps.size()) {
            endPlay(timeline_.length.text() + QStringLiteral(" end"));
            return;
        }
        if (nextStep_ >= static_cast<size_t>(timeline_.playable())) {
            // What follows a wait of unknown length cannot be played in time.
            const TimelineStep &last = timeline_.steps[nextStep_ - 1];
            endPlay(QStringLiteral("Stopped after step %1: it waits with delay code %2, which is none of the eight "
                                   "delays; how long the remote waits is not known")
                        .arg(last.step)
                        .arg(last.delayCode));
            return;
        }
        const TimelineStep &s = timeline_.steps[nextStep_++];
        const SentKey &sent = s.press.sent;
        pressedRect_ = {};
        if (sent.kind == SentKey::DeviceKey || sent.kind == SentKey::RubberKey) {
            const int page = sent.kind == SentKey::DeviceKey ? s.press.page : screen_.page;
            const Screen onPage{Screen::Device, sent.bank, page};
            if (!(onPage == screen_))
                setScreen(onPage);
            if (sent.kind == SentKey::DeviceKey) {
                pressedRect_ = keyGeometry({0, 0}, s.press.cells);
                pressedLabel_ = faceOf(*sent.reading);
                pressedIcons_ = true;
            } else {
                ComRUBBER[static_cast<size_t>(rubberIndex(sent.key))]->setDown(true);
            }
        }
        drawScreen();
        log(s.text());
        if (!s.note.isEmpty())
            log(QStringLiteral("  note: ") + s.note);
        if (speed > 0 && s.delayMs) {
            stepTimer_->start(*s.delayMs / speed);
            return;
        }
    }
}

void frmPreview::stop()
{
    if (!playing_)
        return;
    const QString name = timeline_.name.isEmpty() ? QStringLiteral("hot macro %1").arg(timeline_.macro + 1)
                                                  : timeline_.name;
    endPlay(QStringLiteral("Stopped at step %1 of %2").arg(std::max<size_t>(nextStep_, 1)).arg(name));
}

void frmPreview::endPlay(const QString &line)
{
    log(line);
    stepTimer_->stop();
    const bool was = playing_;
    playing_ = false;
    ComSTOP->setEnabled(false);
    for (QPushButton *b : ComRUBBER)
        b->setDown(false);
    if (was) {
        pressedRect_ = {};
        drawScreen();
    }
}

}  // namespace quillet
