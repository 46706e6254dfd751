#include "editors/frmKeyIn.h"

#include "app/KeyboardAccess.h"
#include "app/UiServices.h"
#include "core/Globals.h"
#include "core/Paths.h"
#include "core/IconNames.h"
#include "render/KeyFace.h"
#include "editors/LabelRules.h"
#include "core/LayoutModel.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionFocusRect>
#include <QToolButton>
#include <QVBoxLayout>
#include <qdrawutil.h>

#include <algorithm>

namespace quillet {

namespace {
constexpr int IconsPerRow = 9;

// An icon button that paints its own background from its palette's button colour: a
// style may shade a checked button (Fusion darkens it), and the chosen icon has to read
// white beside its button-face neighbours. The icon is combined with the background by
// AND, as on a key face, so its light cell takes the button's colour. Chosen is drawn
// sunken, the others raised.
class IconButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect r = rect();
        p.fillRect(r, palette().color(QPalette::Button));
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        if (!icon().isNull()) {
            const QPixmap pm = icon().pixmap(iconSize(), devicePixelRatio(), mode);
            const QSize s = pm.deviceIndependentSize().toSize();
            p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            p.drawPixmap(QRect(QPoint(), s).translated(r.center() - QRect(QPoint(), s).center()), pm);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
            p.drawText(r, Qt::AlignCenter, text());
        }
        qDrawShadePanel(&p, r, palette(), isChecked(), 1);
        // The choice also wears a thick ring in the highlight colour, plain at a glance
        // and in any palette.
        if (isChecked()) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(r).adjusted(1, 1, -1, -1));
        }
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = r.adjusted(2, 2, -2, -2);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
    }
};
}  // namespace

frmKeyIn::frmKeyIn(Globals &g, UiServices &ui, QWidget *parent)
    : QDialog(parent)
    , g_(g)
    , ui_(ui)
{
    setObjectName(QStringLiteral("frmKeyIn"));
    setWindowTitle(QStringLiteral("Input key name"));

    Frame1 = new QGroupBox(QStringLiteral("Input"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    OptTEXT = new QRadioButton(QStringLiteral("Text"), Frame1);
    OptTEXT->setObjectName(QStringLiteral("OptTEXT"));
    OptIMG = new QRadioButton(QStringLiteral("Icon"), Frame1);
    OptIMG->setObjectName(QStringLiteral("OptIMG"));
    tabReachesChecked(*this);
    auto *frameLayout = new QHBoxLayout(Frame1);
    frameLayout->addWidget(OptTEXT);
    frameLayout->addWidget(OptIMG);
    frameLayout->addStretch();

    Text_IN = new QLineEdit(this);
    Text_IN->setObjectName(QStringLiteral("Text_IN"));
    Text_IN->setAccessibleName(QStringLiteral("Key label"));
    Text_IN->installEventFilter(this);
    // Typing, deleting or pasting into the box means a text label; keys that only move
    // the cursor or the focus do not.
    connect(Text_IN, &QLineEdit::textEdited, this, [this] {
        if (!OptTEXT->isChecked())
            OptTEXT_Click();
    });

    Label1 = new QLabel(QStringLiteral("'= < > # ' on the keyboard will correspond to the special symbols"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    // The icons are the upper-row cells of the two strips, as they show on a key.
    const Strip first = Strip::load(joinPath(g_.shippedFolder(), picture::Icons0), 32);
    const Strip second = Strip::load(joinPath(g_.shippedFolder(), picture::Icons128), 22);
    auto *grid = new QGridLayout;
    grid->setSpacing(2);
    for (int i = 0; i < IconCount; ++i) {
        const int number = iconNumber(i);
        auto *b = new IconButton(this);
        b->setObjectName(QStringLiteral("Option1_%1").arg(number));
        b->setCheckable(true);
        b->setFixedSize(40, 40);
        b->setToolTip(QString::fromLatin1(iconName(number)));
        b->setAccessibleName(b->toolTip());
        const QImage cell = number < 32 ? first.cell(number, 32, 32) : second.cell(number - 128, 32, 32);
        if (cell.isNull()) {
            b->setText(QString::number(number));
        } else {
            b->setIcon(QPixmap::fromImage(cell));
            b->setIconSize(QSize(32, 32));
        }
        connect(b, &QToolButton::clicked, this, [this, number] { Option1_Click(number); });
        b->installEventFilter(this);   // the arrows, in two dimensions
        grid->addWidget(b, i / IconsPerRow, i % IconsPerRow);
        icons_[static_cast<size_t>(i)] = b;
    }

    ComYES = new QPushButton(QStringLiteral("OK"), this);
    ComYES->setObjectName(QStringLiteral("ComYES"));
    ComYES->setDefault(true);
    ComNO = new QPushButton(QStringLiteral("Cancel"), this);
    ComNO->setObjectName(QStringLiteral("ComNO"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ComYES);
    buttons->addWidget(ComNO);

    auto *top = new QHBoxLayout;
    top->addWidget(Frame1);
    top->addWidget(Text_IN, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Label1);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OptTEXT, &QRadioButton::clicked, this, &frmKeyIn::OptTEXT_Click);
    connect(OptIMG, &QRadioButton::clicked, this, &frmKeyIn::OptIMG_Click);
    connect(ComYES, &QPushButton::clicked, this, &frmKeyIn::ComYES_Click);
    connect(ComNO, &QPushButton::clicked, this, &frmKeyIn::reject);

    // Open in the mode the caller asked for.
    for (QToolButton *b : icons_) {
        b->setEnabled(false);
    }
    paintIconButtons(-1);
    if (g_.EditResult == 2) {
        OptIMG->setChecked(true);
        OptIMG_Click();
        OptTEXT->setChecked(false);
        Text_IN->clear();
        bool ok = false;
        const int number = g_.KeyLabel.toInt(&ok);
        if (ok && isIconByte(number)) {
            Option1(number)->setChecked(true);
            Option1_Click(number);
        } else {
            g_.KeyLabel.clear();   // no such icon: one must be picked
        }
        // First in the tab order: the focus starts there; Tab then goes round in reading order.
        OptIMG->setFocus();
    } else {
        OptIMG->setChecked(false);
        OptTEXT->setChecked(true);
        OptTEXT_Click();
        Text_IN->setText(g_.KeyLabel);
        Text_IN->setFocus();
    }
}

QToolButton *frmKeyIn::Option1(int iconNumber) const
{
    const int position = iconNumber < 32 ? iconNumber : iconNumber - 96;
    if (!isIconByte(iconNumber))
        return nullptr;
    return icons_[static_cast<size_t>(position)];
}

void frmKeyIn::paintIconButtons(int chosen)
{
    for (int i = 0; i < IconCount; ++i) {
        QToolButton *b = icons_[static_cast<size_t>(i)];
        QPalette pal = b->palette();
        const QColor c = iconNumber(i) == chosen ? QColor(Qt::white) : palette().color(QPalette::Button);
        pal.setColor(QPalette::Button, c);
        b->setPalette(pal);
    }
    // The icons are one stop of Tab, at the chosen one (the first while none is).
    QToolButton *stop = isIconByte(chosen) ? Option1(chosen) : icons_[0];
    for (QToolButton *b : icons_)
        b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

void frmKeyIn::OptTEXT_Click()
{
    OptIMG->setChecked(false);
    OptTEXT->setChecked(true);
    g_.EditResult = 1;
    Label1->setEnabled(true);
    paintIconButtons(-1);
    for (QToolButton *b : icons_) {
        b->setEnabled(false);
        b->setChecked(false);
    }
}

void frmKeyIn::OptIMG_Click()
{
    OptIMG->setChecked(true);
    OptTEXT->setChecked(false);
    Label1->setEnabled(false);
    if (g_.EditResult == 1) {
        g_.EditResult = 2;
        g_.KeyLabel.clear();   // switching to icons means an icon must be picked
    }
    paintIconButtons(-1);
    for (QToolButton *b : icons_) {
        b->setEnabled(true);
        b->setChecked(false);
    }
}

void frmKeyIn::Option1_Click(int iconNumber)
{
    for (QToolButton *b : icons_)
        b->setChecked(false);
    if (QToolButton *b = Option1(iconNumber))
        b->setChecked(true);
    paintIconButtons(iconNumber);
    g_.KeyLabel = QString::number(iconNumber);
}

bool frmKeyIn::eventFilter(QObject *watched, QEvent *event)
{
    // An arrow goes to the icon beside, above or below and chooses it, as in a group of
    // option buttons.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const auto at = std::find(icons_.begin(), icons_.end(), watched);
        if (at != icons_.end() && !(key->modifiers() & ~Qt::KeypadModifier)) {
            const int i = static_cast<int>(at - icons_.begin());
            int to = -1;
            switch (key->key()) {
            case Qt::Key_Left: to = i % IconsPerRow > 0 ? i - 1 : -1; break;
            case Qt::Key_Right: to = i % IconsPerRow < IconsPerRow - 1 ? i + 1 : -1; break;
            case Qt::Key_Up: to = i - IconsPerRow; break;
            case Qt::Key_Down: to = i + IconsPerRow; break;
            default: return QDialog::eventFilter(watched, event);
            }
            if (to >= 0 && to < IconCount) {
                Option1_Click(iconNumber(to));
                icons_[static_cast<size_t>(to)]->setFocus(Qt::TabFocusReason);
            }
            return true;
        }
    }
    // A left click in the text box means a text label.
    if (watched == Text_IN && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && !OptTEXT->isChecked())
        OptTEXT_Click();
    return QDialog::eventFilter(watched, event);
}

void frmKeyIn::ComYES_Click()
{
    if (g_.EditResult == 1)
        g_.KeyLabel = Text_IN->text();
    // An icon number needs only to be there; a text must also be storable.
    const QString refusal = g_.EditResult == 1 ? labelRefusal(g_.KeyLabel, true)
                            : g_.KeyLabel.isEmpty() ? QStringLiteral("Please key in data.")
                                                    : QString();
    if (!refusal.isEmpty()) {
        g_.DialogResult = ui_.warn(this, refusal);
        return;
    }
    QDialog::accept();
}

void frmKeyIn::reject()
{
    g_.EditResult = 0;
    g_.KeyLabel.clear();
    g_.DialogResult = 2;
    QDialog::reject();
}

}  // namespace quillet
