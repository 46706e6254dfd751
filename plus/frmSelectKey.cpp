#include "plus/frmSelectKey.h"

#include "app/KeyboardAccess.h"
#include "app/UiServices.h"
#include "core/Globals.h"
#include "core/KeySent.h"
#include "core/TextCodec.h"
#include "editors/KeyBox.h"
#include "editors/PageSet.h"
#include "plus/Controls.h"
#include "plus/PlusRecords.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace quillet {

namespace {

constexpr int PageLeft0 = DevicePages.left, PageStep = DevicePages.stride;   // pages stand as in the editor

// Where each rubber key and its caption (RubberKeyCaptions) stand in the panel.
struct RubberPlace {
    int left, top;
    int captionLeft, captionTop;
};
const RubberPlace RubberPlaces[RubberKeyCount] = {
    {8, 8, 0, 0},      {192, 8, 0, 0},    {96, 64, 96, 42},   {96, 128, 96, 176},
    {40, 96, 0, 0},    {152, 96, 0, 0},   {192, 176, 184, 224},
};

// A round rubber key seen from above.
QIcon rubberKeyPicture()
{
    QPixmap pm(41, 41);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(16, 14), 26);
    shade.setColorAt(0, QColor(214, 214, 210));
    shade.setColorAt(1, QColor(132, 132, 128));
    p.setBrush(shade);
    p.setPen(QPen(QColor(80, 80, 78), 1.5));
    p.drawEllipse(QRectF(3.5, 3.5, 34, 34));
    return QIcon(pm);
}

}  // namespace

frmSelectKey::frmSelectKey(Globals &g, UiServices &ui, QWidget *parent) : QDialog(parent), g_(g), ui_(ui)
{
    setObjectName(QStringLiteral("frmSelectKey"));
    setWindowTitle(QStringLiteral("Select the key"));
    buildControls();
    faces_ = std::make_unique<KeyFaces>(g_.shippedFolder(), KeyFaces::Pictures::WithIcons);
    if (!faces_->missingFiles().isEmpty())
        ui_.warn(this, faces_->missingMessage());

    BuildDeviceNames(g_, g_.DeviceNames);
    hideAllKeys();
    for (auto *b : OptKEY)
        b->setEnabled(false);
    ComboBANK->setEnabled(false);
    for (const auto &d : Delays)
        ComboDELAY->addItem(QString::fromLatin1(d.text));

    if (g_.PlusKind == 0)
        openForTimer();
    else
        openForMacroStep();

    // Whatever was shown, the user has to point at a key before OK means anything.
    ComYES->setEnabled(false);

    if (g_.EditResult == 0) {
        OptMACRO->setEnabled(false);
        OptMENU->setEnabled(false);
        ComboBANK->setEnabled(false);
        ComboDELAY->setEnabled(false);
        for (auto *key : PicKEY)
            key->setEnabled(false);
    }
    keyTabStop(PicKEY, pressed_ >= 0 ? PicKEY[pressed_] : nullptr);
    // The focus opens below the keys, where Enter presses OK rather than choosing a key.
    for (QWidget *w : {static_cast<QWidget *>(OptKEY[0]), static_cast<QWidget *>(OptMENU),
                       static_cast<QWidget *>(OptMACRO), static_cast<QWidget *>(ComboBANK)}) {
        if (w->isEnabled() && w->isVisibleTo(this) && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

frmSelectKey::~frmSelectKey() = default;

void frmSelectKey::buildControls()
{
    setFixedSize(520, 472);

    for (int p = 0; p < 4; ++p) {
        auto *caption = named<QLabel>(this, QStringLiteral("LabelPAGE_%1").arg(p), QStringLiteral("PAGE %1").arg(p + 1));
        caption->setGeometry(16 + PageStep * p, 12, 105, 25);
        LabelPAGE[p] = caption;
        auto *page = named<PageBox>(this, QStringLiteral("PicPAGE1_%1").arg(p));
        page->setGeometry(PageLeft0 + PageStep * p, PageTop, PageBox::Width, PageBox::Height);
        page->setAccessibleName(caption->text());
        PicPAGE1[p] = page;
    }

    // The buttons start 8 pixels from the panel's top, so its title sits in the free
    // lower-left corner instead of on the top edge.
    Picture1 = named<QFrame>(this, QStringLiteral("Picture1"));
    Picture1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    Picture1->setGeometry(8, 216, 257, 249);
    auto *title = named<QLabel>(Picture1, QStringLiteral("LabelRubber"), QStringLiteral("Rubber Key"));
    title->setGeometry(8, 224, 97, 17);
    Picture1->setAccessibleName(title->text());
    rubber_ = new QButtonGroup(this);
    for (int i = 0; i < RubberKeyCount; ++i) {
        const auto &place = RubberPlaces[i];
        auto *key = named<QToolButton>(Picture1, QStringLiteral("OptKEY_%1").arg(i));
        key->setCheckable(true);
        key->setGeometry(place.left, place.top, 49, 49);
        key->setIcon(rubberKeyPicture());
        key->setIconSize(QSize(41, 41));
        key->setAccessibleName(QStringLiteral("Rubber key %1").arg(i + 1));
        rubber_->addButton(key, i);
        connect(key, &QToolButton::clicked, this, [this, i] { chooseRubberKey(i); });
        OptKEY[i] = key;
        if (const char *text = RubberKeyCaptions[static_cast<size_t>(i)]) {
            auto *caption = named<QLabel>(Picture1, QStringLiteral("LabelKEY_%1").arg(i), QString::fromLatin1(text));
            caption->setGeometry(place.captionLeft, place.captionTop, 57, 17);
            key->setAccessibleName(QStringLiteral("%1, rubber key").arg(caption->text()));
        }
    }

    FrameMODE = named<QGroupBox>(this, QStringLiteral("FrameMODE"));
    FrameMODE->setTitle(QStringLiteral("MODE"));
    FrameMODE->setGeometry(288, 216, 217, 52);
    OptMENU = named<QRadioButton>(FrameMODE, QStringLiteral("OptMENU"), QStringLiteral("DEVICE"));
    OptMENU->setGeometry(8, 24, 89, 21);
    OptMACRO = named<QRadioButton>(FrameMODE, QStringLiteral("OptMACRO"), QStringLiteral("MACRO"));
    OptMACRO->setGeometry(108, 24, 89, 21);
    connect(OptMENU, &QRadioButton::clicked, this, &frmSelectKey::chooseDeviceMode);
    connect(OptMACRO, &QRadioButton::clicked, this, &frmSelectKey::chooseMacroMode);

    LabelBANK = named<QLabel>(this, QStringLiteral("LabelBANK"), QStringLiteral("BANK"));
    LabelBANK->setGeometry(288, 284, 217, 17);
    ComboBANK = named<QComboBox>(this, QStringLiteral("ComboBANK"));
    ComboBANK->setGeometry(288, 304, 217, 25);
    ComboBANK->setAccessibleName(LabelBANK->text());
    LabelBANK->setBuddy(ComboBANK);
    // Every choice in the list, the entry already shown included, starts over on that bank
    // (OK off, rubber keys and the pressed look cleared); the index alone does not change
    // when the shown entry is chosen again. The program's own changes run it themselves.
    connect(ComboBANK, &QComboBox::activated, this, [this](int entry) {
        if (entry >= 0)
            changeBank(entry);
    });

    LabelDELAY = named<QLabel>(this, QStringLiteral("LabelDELAY"), QStringLiteral("DELAY"));
    LabelDELAY->setGeometry(288, 348, 217, 17);
    ComboDELAY = named<QComboBox>(this, QStringLiteral("ComboDELAY"));
    ComboDELAY->setGeometry(288, 368, 217, 25);
    ComboDELAY->setAccessibleName(LabelDELAY->text());
    LabelDELAY->setBuddy(ComboDELAY);

    ComYES = named<QPushButton>(this, QStringLiteral("ComYES"), QStringLiteral("OK"));
    ComYES->setGeometry(296, 424, 81, 33);
    ComYES->setDefault(true);
    ComNO = named<QPushButton>(this, QStringLiteral("ComNO"), QStringLiteral("Cancel"));
    ComNO->setGeometry(408, 424, 81, 33);
    connect(ComYES, &QPushButton::clicked, this, &frmSelectKey::ComYES_Click);
    connect(ComNO, &QPushButton::clicked, this, &frmSelectKey::reject);

    // The keys are made last, so that they lie over the pages. They are one stop of Tab;
    // the arrows go from key to key. The rubber keys are one stop too, as a group of
    // option buttons is.
    for (int i = 0; i < DeviceKeyCount; ++i) {
        auto *key = named<KeyBox>(this, QStringLiteral("PicKEY_%1").arg(i));
        key->setCheckable(true);
        key->installEventFilter(this);
        connect(key, &KeyBox::activated, this, [this, i] {
            PicKEY_Press(i);
            // Choosing redraws the pages; the key chosen keeps the focus.
            if (PicKEY[i]->isVisible())
                PicKEY[i]->setFocus(Qt::OtherFocusReason);
        });
        PicKEY[i] = key;
    }
    for (QToolButton *key : OptKEY)
        key->setFocusPolicy(key == OptKEY[0] ? Qt::TabFocus : Qt::NoFocus);

    // Tab reads the window as it stands: the pages' keys at the top, then the rubber keys,
    // the mode, the lists and the buttons.
    QWidget *order[] = {OptKEY[0], OptMENU, OptMACRO, ComboBANK, ComboDELAY, ComYES, ComNO};
    QWidget *previous = PicKEY[DeviceKeyCount - 1];
    for (QWidget *w : order) {
        setTabOrder(previous, w);
        previous = w;
    }
    tabReachesChecked(*this);
}

int frmSelectKey::bankOfEntry(int entry) const
{
    if (entry < 0 || entry >= ComboBANK->count())
        return -1;
    return ComboBANK->itemData(entry).toInt();
}

bool frmSelectKey::eventFilter(QObject *watched, QEvent *event)
{
    if (keyNavigation(watched, event, PicKEY))
        return true;
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < DeviceKeyCount; ++i) {
            if (watched == PicKEY[i] && PicKEY[i]->isEnabled()) {
                PicKEY_Press(i);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- drawing -------------------------------------------------------------------------

void frmSelectKey::pressKey(int i)
{
    if (i < 0 || i >= DeviceKeyCount || PicKEY[i]->isHidden())
        return;
    faces_->DownBlinkDraw(*PicKEY[i]);
    pressed_ = i;
    keyTabStop(PicKEY, PicKEY[i]);
    markChosen();
}

void frmSelectKey::markChosen()
{
    for (int k = 0; k < DeviceKeyCount; ++k)
        PicKEY[k]->setChecked(k == pressed_);
}

void frmSelectKey::hideAllKeys()
{
    for (auto *key : PicKEY)
        key->hide();
    pressed_ = -1;
    keyTabStop(PicKEY, nullptr);
    markChosen();
}

void frmSelectKey::enableRubberKeys()
{
    // A rubber key belongs to a device: none to choose while no device is listed.
    const bool on = g_.EditResult != 0 && ComboBANK->count() > 0;
    for (auto *key : OptKEY)
        key->setEnabled(on);
}

void frmSelectKey::clearRubberKeys()
{
    rubber_->setExclusive(false);
    for (auto *key : OptKEY)
        key->setChecked(false);
    rubber_->setExclusive(true);
}

// A: the four pages of the bank in the DeviceWorkset, drawn as the device editor draws
// them; redrawing them all takes any pressed look away.
void frmSelectKey::showDevicePages()
{
    pressed_ = -1;
    quillet::showDevicePages(g_, PicKEY, QPoint(PageLeft0, PageTop), PageStep, *faces_, KeyText);
    keyTabStop(PicKEY, nullptr);
    markChosen();
}

// B: the twelve hot-macro keys, four to a column.
void frmSelectKey::showHotMacroKeys()
{
    pressed_ = -1;
    for (int k = 0; k < HotKeyCount; ++k) {
        KeyText[k] = fixedField(g_.MacroNames[k]);
        PicKEY[k]->setGeometry(PageLeft0 + PageStep * (k / 4), PageTop + 40 * (k % 4), 120, 40);
        PicKEY[k]->show();
        PicKEY[k]->raise();
        faces_->drawText(*PicKEY[k], KeyText[k]);
        PicKEY[k]->setAccessibleName(plusKeyName(false, k, KeyText[k]));
    }
    keyTabStop(PicKEY, nullptr);
    markChosen();
}

// C: one entry per named bank; each entry carries its bank.
void frmSelectKey::fillDeviceList()
{
    ComboBANK->clear();
    for (int b = 0; b < 10; ++b)
        if (!isBlankField(g_.DeviceNames[b]))
            ComboBANK->addItem(trimmedBoth(g_.DeviceNames[b]), b);
    ComboBANK->setCurrentIndex(-1);
}

void frmSelectKey::showBank(int bank)
{
    int entry = ComboBANK->findData(bank);
    if (entry < 0)
        entry = ComboBANK->count() > 0 ? 0 : -1;   // a bank without a name: the first device
    if (entry < 0) {
        // No device has a name: nothing to show.
        ComYES->setEnabled(false);
        clearRubberKeys();
        hideAllKeys();
        SelBank = bank >= 0 && bank < 10 ? bank : 0;
        return;
    }
    ComboBANK->setCurrentIndex(entry);
    changeBank(entry);
}

// D
void frmSelectKey::chooseDeviceKey(int i)
{
    ComYES->setEnabled(true);
    clearRubberKeys();
    ReadDeviceWorkset(g_.Image, g_, SelBank);
    showDevicePages();
    pressKey(i);
    SelKey = i;
    // The first page and slot holding the key, as the remote finds it.
    if (const std::optional<Bytes<3>> place = selectorPlace(LayoutBuffers::device(g_), SelBank, i)) {
        SelPage = (*place)[0];
        SelLoc1 = (*place)[1];
        SelLoc2 = (*place)[2];
    }
}

// E
void frmSelectKey::chooseHotKey(int i)
{
    ComYES->setEnabled(true);
    showHotMacroKeys();
    pressKey(i);
    SelKey = i;
    const QRect r = PicKEY[i]->geometry();
    const HotKeyPlace place = hotKeyPlace(r.left(), r.top(), r.width(), r.height());
    SelPage = place.page;
    SelLoc1 = place.upperLeft;
    SelLoc2 = place.lowerRight;
}

// F
void frmSelectKey::chooseRubberKey(int i)
{
    ComYES->setEnabled(true);
    SelKey = DeviceKeyCount + i;
    ReadDeviceWorkset(g_.Image, g_, SelBank);
    showDevicePages();
}

// G
void frmSelectKey::changeBank(int entry)
{
    ComYES->setEnabled(false);
    clearRubberKeys();
    hideAllKeys();
    SelBank = bankOfEntry(entry);
    ReadDeviceWorkset(g_.Image, g_, SelBank);
    showDevicePages();
}

// H
void frmSelectKey::chooseMacroMode()
{
    ComYES->setEnabled(false);
    hideAllKeys();
    clearRubberKeys();
    for (auto *key : OptKEY)
        key->setEnabled(false);
    ComboBANK->setEnabled(false);
    SelBank = HotMacroBank;
    ReadMacros(g_.Image, g_);
    showHotMacroKeys();
}

// I
void frmSelectKey::chooseDeviceMode()
{
    ComYES->setEnabled(false);
    ComboBANK->setEnabled(true);
    // The hot-macro keys must go even when no device is listed to replace them.
    hideAllKeys();
    SelBank = 0;
    fillDeviceList();
    enableRubberKeys();
    if (ComboBANK->count() > 0)
        showBank(bankOfEntry(0));
    if (g_.EditResult == 0)
        ComboBANK->setEnabled(false);
}

void frmSelectKey::openForTimer()
{
    const auto &rec = g_.TimerRecord;
    auto loadSelection = [this, &rec] {
        SelBank = rec[timer::Bank];
        SelKey = rec[timer::Key];
        SelPage = rec[timer::Page];
        SelLoc1 = rec[timer::Loc1];
        SelLoc2 = rec[timer::Loc2];
    };
    loadSelection();
    OptMACRO->setEnabled(true);
    OptMENU->setEnabled(true);
    FrameMODE->show();
    ComboDELAY->hide();
    LabelDELAY->hide();

    if (SelBank == HotMacroBank) {
        OptMACRO->setChecked(true);
        chooseMacroMode();
        loadSelection();
        if (SelKey < HotKeyCount)
            pressKey(SelKey);
    } else if (SelBank > HotMacroBank) {
        OptMENU->setChecked(true);
        chooseDeviceMode();
    } else {
        OptMENU->setChecked(true);
        chooseDeviceMode();
        loadSelection();
        const int stored = SelBank;
        ComboBANK->setEnabled(true);
        showBank(stored);
        if (SelBank == stored) {
            if (SelKey < DeviceKeyCount)
                pressKey(SelKey);
            else if (SelKey < DeviceKeyCount + RubberKeyCount)
                OptKEY[SelKey - DeviceKeyCount]->setChecked(true);
        }
    }
}

void frmSelectKey::openForMacroStep()
{
    ComboDELAY->setCurrentIndex(0);
    OptMACRO->setEnabled(false);
    OptMENU->setEnabled(false);
    FrameMODE->hide();
    ComboDELAY->show();
    LabelDELAY->show();
    fillDeviceList();
    enableRubberKeys();

    const int n = g_.StepNo;
    int delay = 0;
    if (!stepFilled(g_.MacroRecord, n)) {
        SelBank = 0;
        SelKey = NoKey;
    } else {
        const Byte head = g_.MacroRecord[firstStepByte(n)];
        SelBank = head >> 4;
        delay = head & 15;
        SelKey = g_.MacroRecord[firstStepByte(n) + 1];
    }
    ComboDELAY->setCurrentIndex(delayPosition(delay));
    ComboBANK->setEnabled(true);
    const int stored = SelBank;
    showBank(stored);
    if (SelBank == stored) {
        if (SelKey < DeviceKeyCount)
            pressKey(SelKey);
        else if (SelKey < DeviceKeyCount + RubberKeyCount)
            OptKEY[SelKey - DeviceKeyCount]->setChecked(true);
    }
}

void frmSelectKey::PicKEY_Press(int i)
{
    if (g_.PlusKind == 1 || OptMENU->isChecked())
        chooseDeviceKey(i);
    else if (OptMACRO->isChecked())
        chooseHotKey(i);
}

// K
void frmSelectKey::ComYES_Click()
{
    if (g_.PlusKind == 0) {
        auto &rec = g_.TimerRecord;
        rec[timer::Bank] = static_cast<Byte>(SelBank);
        rec[timer::Key] = static_cast<Byte>(SelKey);
        rec[timer::Page] = static_cast<Byte>(SelPage);
        rec[timer::Loc1] = static_cast<Byte>(SelLoc1);
        rec[timer::Loc2] = static_cast<Byte>(SelLoc2);
    } else {
        const int n = g_.StepNo;
        // Only the 25 steps are ever written; the bytes after them belong to no step.
        if (n >= 1 && n <= MaxSteps) {
            const int code = Delays[qBound(0, ComboDELAY->currentIndex(), 7)].code;
            g_.MacroRecord[firstStepByte(n)] = stepHead(SelBank, code);
            g_.MacroRecord[firstStepByte(n) + 1] = static_cast<Byte>(SelKey);
        }
    }
    accept();
}

// L
void frmSelectKey::reject()
{
    g_.StepNo = 0;
    g_.DialogResult = answer::Cancel;
    QDialog::reject();
}

void runKeySelector(Globals &g, UiServices &ui, QWidget *owner)
{
    frmSelectKey dialog(g, ui, owner);
    ui.showModal(dialog);
}

}  // namespace quillet
