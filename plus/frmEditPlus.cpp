#include "plus/frmEditPlus.h"

#include "app/KeyboardAccess.h"
#include "app/UiServices.h"
#include "core/Globals.h"
#include "core/TextCodec.h"
#include "editors/KeyBox.h"
#include "editors/UndoButtons.h"
#include "render/Pages.h"
#include "plus/Controls.h"
#include "plus/PlusRecords.h"
#include "plus/frmMacroIn.h"
#include "plus/frmTimerIn.h"

#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QUndoStack>

namespace quillet {

namespace {

// A Setup or a paste of a key: the page before and after it.
class PlusStep : public QUndoCommand {
public:
    PlusStep(frmEditPlus &page, frmEditPlus::State before, frmEditPlus::State after, const QString &text)
        : QUndoCommand(text), page_(page), before_(std::move(before)), after_(std::move(after))
    {
    }
    void undo() override { page_.restore(before_); }
    void redo() override { page_.restore(after_); }

private:
    frmEditPlus &page_;
    frmEditPlus::State before_, after_;
};

}  // namespace

frmEditPlus::frmEditPlus(Globals &g, UiServices &ui, QWidget *parent)
    : QDialog(parent), g_(g), ui_(ui), undo_(std::make_unique<QUndoStack>())
{
    setObjectName(QStringLiteral("frmEditPlus"));
    const bool timers = g_.PlusKind == 0;
    setWindowTitle(timers ? QStringLiteral("Timer") : QStringLiteral("Hot Macro"));
    buildControls();
    // This page draws text only, ten characters to a line on every key.
    faces_ = std::make_unique<KeyFaces>(g_.shippedFolder(), KeyFaces::Pictures::SymbolsOnly, TextVariant::FixedTen);
    if (!faces_->missingFiles().isEmpty())
        ui_.warn(this, faces_->missingMessage());
    timersAtOpen_ = g_.TimerBuf;
    macrosAtOpen_ = g_.MacroBuf;

    OptVIEW->setChecked(true);
    OptVIEW_Click();
    setWindowTitle(timers ? QStringLiteral("Timer Key") : QStringLiteral("Macro Key"));

    const auto &names = timers ? g_.TimerNames : g_.MacroNames;
    for (int k = 0; k < HotKeyCount; ++k) {
        KeyLabels[k] = fixedField(names[k]);
        drawKey(k);
    }
    // Opened from a finding of the memory check: the focus on that timer or macro.
    if (g_.OpenAt >= 0 && g_.OpenAt < HotKeyCount) {
        const int k = g_.OpenAt;
        keyTabStop(PicKEY, PicKEY[static_cast<size_t>(k)]);
        PicKEY[static_cast<size_t>(k)]->setFocus(Qt::OtherFocusReason);
        if (g_.OpenStep >= 0) {
            // Where the finding can be mended: in Setup, the key's own dialog open.
            OptEDIT->setChecked(true);
            OptEDIT_Click();
            QMetaObject::invokeMethod(this, [this, k] { PicKEY_Click(k); }, Qt::QueuedConnection);
        }
    }
    g_.OpenAt = -1;
}

frmEditPlus::~frmEditPlus() = default;

void frmEditPlus::buildControls()
{
    setFixedSize(391, 360);

    const char *pages[3] = {"PAGE 1", "PAGE 2", "PAGE 3"};
    std::array<QLabel **, 3> heads{&Label1, &Label2, &Label3};
    for (int c = 0; c < 3; ++c) {
        *heads[c] = named<QLabel>(this, QStringLiteral("Label%1").arg(c + 1), QString::fromLatin1(pages[c]));
        (*heads[c])->setGeometry(16 + 128 * c, 8, 105, 25);
    }


    auto *modes = new QButtonGroup(this);
    OptEDIT = named<QRadioButton>(this, QStringLiteral("OptEDIT"), QStringLiteral("Setup"));
    OptEDIT->setGeometry(16, 224, 97, 21);
    OptVIEW = named<QRadioButton>(this, QStringLiteral("OptVIEW"), QStringLiteral("ReView"));
    OptVIEW->setGeometry(16, 256, 97, 21);
    modes->addButton(OptEDIT);
    modes->addButton(OptVIEW);
    tabReachesChecked(*this);
    connect(OptEDIT, &QRadioButton::clicked, this, &frmEditPlus::OptEDIT_Click);
    connect(OptVIEW, &QRadioButton::clicked, this, &frmEditPlus::OptVIEW_Click);

    ComYES = named<QPushButton>(this, QStringLiteral("ComYES"), QStringLiteral("OK"));
    ComYES->setGeometry(200, 224, 81, 33);
    ComYES->setDefault(true);
    ComNO = named<QPushButton>(this, QStringLiteral("ComNO"), QStringLiteral("Cancel"));
    ComNO->setGeometry(296, 224, 81, 33);
    connect(ComYES, &QPushButton::clicked, this, &frmEditPlus::ComYES_Click);
    connect(ComNO, &QPushButton::clicked, this, &frmEditPlus::reject);
    const UndoButtons undoButtons =
        addUndoButtons(*this, *undo_, QRect(200, 264, 81, 33), QRect(296, 264, 81, 33), [this] { undo_->undo(); },
                       [this] { undo_->redo(); });
    cmdUndo = undoButtons.undo;
    cmdRedo = undoButtons.redo;

    // The keys come last, so the focus opens on the modes and Enter presses OK. They are
    // one stop of Tab; the arrows go from key to key.
    for (int k = 0; k < HotKeyCount; ++k) {
        auto *key = named<KeyBox>(this, QStringLiteral("PicKEY_%1").arg(k));
        key->setGeometry(plusKeyRect(k));
        key->setScale(PlusKeyScale);
        key->installEventFilter(this);
        connect(key, &KeyBox::activated, this, [this, k] { PicKEY_Click(k); });
        PicKEY[k] = key;
    }
    keyTabStop(PicKEY, PicKEY[0]);

    Label5 = named<QLabel>(this, QStringLiteral("Label5"), QString(""));
    Label5->setGeometry(8, 304, 377, 51);
    Label5->setWordWrap(true);
}

bool frmEditPlus::eventFilter(QObject *watched, QEvent *event)
{
    if (keyNavigation(watched, event, PicKEY) || clipboardEvent(watched, event))
        return true;
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        for (int k = 0; k < HotKeyCount; ++k) {
            if (watched == PicKEY[k] && me->button() == Qt::LeftButton && PicKEY[k]->rect().contains(me->position().toPoint())) {
                PicKEY_Click(k);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmEditPlus::drawKey(int k)
{
    faces_->drawText(*PicKEY[k], KeyLabels[k]);
    const bool timers = g_.PlusKind == 0;
    PicKEY[k]->setAccessibleName(plusKeyName(timers, k, KeyLabels[k]));
    PicKEY[k]->setAccessibleDescription(plusKeyName(timers, k, {}));
}

void frmEditPlus::OptEDIT_Click()
{
    Label5->setText(g_.PlusKind == 0 ? QStringLiteral("Please click the key you want to setup timer.")
                                     : QStringLiteral("Please click the key you want to setup MACRO"));
}

void frmEditPlus::OptVIEW_Click()
{
    Label5->setText(QStringLiteral("Please click the key you want to review its content."));
}

void frmEditPlus::PicKEY_Click(int k)
{
    const bool setup = OptEDIT->isChecked();
    const bool timers = g_.PlusKind == 0;
    g_.EditResult = setup ? 1 : 0;
    g_.KeyLabel = trimmedRight(KeyLabels[k]);
    if (timers) {
        g_.TimerRecord = g_.TimerBuf[k];
        frmTimerIn dialog(g_, ui_, this);
        ui_.showModal(dialog);
    } else {
        g_.MacroRecord = g_.MacroBuf[k];
        frmMacroIn dialog(g_, ui_, this);
        ui_.showModal(dialog);
    }
    g_.OpenStep = -1;
    if (!setup || g_.EditResult != 1)
        return;
    const State before = state();
    KeyLabels[k] = fixedField(g_.KeyLabel);
    if (timers)
        g_.TimerBuf[k] = g_.TimerRecord;
    else
        g_.MacroBuf[k] = g_.MacroRecord;
    drawKey(k);
    pushStep(before, QStringLiteral("Setup"));
}

frmEditPlus::State frmEditPlus::state() const
{
    return {g_.TimerBuf, g_.MacroBuf, KeyLabels};
}

void frmEditPlus::restore(const State &s)
{
    if (g_.PlusKind == 0)
        g_.TimerBuf = s.timers;
    else
        g_.MacroBuf = s.macros;
    KeyLabels = s.labels;
    for (int k = 0; k < HotKeyCount; ++k)
        drawKey(k);
}

void frmEditPlus::pushStep(const State &before, const QString &text)
{
    State after = state();
    if (after != before)
        undo_->push(new PlusStep(*this, before, std::move(after), text));
}

void frmEditPlus::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && !undo_->isClean()) {
        g_.DialogResult = ui_.message(this,
                                      g_.PlusKind == 0 ? QStringLiteral("Discard your changes to the timers?")
                                                       : QStringLiteral("Discard your changes to the hot macros?"),
                                      QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::YesNo);
        if (g_.DialogResult != answer::Yes) {
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void frmEditPlus::ComYES_Click()
{
    g_.EditResult = 255;
    auto &names = g_.PlusKind == 0 ? g_.TimerNames : g_.MacroNames;
    for (int k = 0; k < HotKeyCount; ++k)
        names[k] = KeyLabels[k];
    accept();
}

void frmEditPlus::reject()
{
    // Key edits confirmed in their dialogs went into the buffers at once; Cancel drops
    // them all, so no later copy can carry half of the page's work into the image.
    if (g_.PlusKind == 0)
        g_.TimerBuf = timersAtOpen_;
    else
        g_.MacroBuf = macrosAtOpen_;
    g_.EditResult = 0;
    g_.DialogResult = answer::Cancel;
    QDialog::reject();
}

}  // namespace quillet
