#include "editors/KeyBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillet {

namespace {

// A key is a button to a screen reader, and its Press is a click.
class KeyBoxAccessible : public QAccessibleWidget {
public:
    explicit KeyBoxAccessible(KeyBox *key) : QAccessibleWidget(key, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const auto *key = static_cast<const KeyBox *>(widget());
        s.checkable = key->isCheckable();
        s.checked = key->isCheckable() && key->isChecked();
        return s;
    }
    QStringList actionNames() const override
    {
        return widget()->isEnabled() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction() && widget()->isEnabled())
            static_cast<KeyBox *>(widget())->click();
    }
};

QAccessibleInterface *keyBoxAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("quillet::KeyBox") && object && object->isWidgetType())
        return new KeyBoxAccessible(static_cast<KeyBox *>(object));
    return nullptr;
}

}  // namespace

KeyBox::KeyBox(QWidget *parent)
    : QWidget(parent)
{
    [[maybe_unused]] static const bool readable = (QAccessible::installFactory(keyBoxAccessible), true);
    setFont(keyFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void KeyBox::setCheckable(bool on)
{
    checkable_ = on;
}

void KeyBox::setChecked(bool on)
{
    if (checked_ == on)
        return;
    checked_ = on;
    if (checkable_) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void KeyBox::click()
{
    // Through the window's own handling of the mouse (its event filter on the key), as a
    // real click goes, so nothing is done twice or differently.
    const QPointF at = QRectF(rect()).center();
    const QPointF global = mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &release);
}

QImage &KeyBox::face()
{
    if (face_.size() != size())
        face_ = blankFace(size());
    return face_;
}

void KeyBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, face());
    if (hasFocus())
        paintFocusFrame(p, rect(), devicePixelRatioF());
}

void KeyBox::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->modifiers() & ~Qt::KeypadModifier) {
            event->ignore();
            return;
        }
        emit activated();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void KeyBox::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void KeyBox::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}

void paintFocusFrame(QPainter &p, const QRect &rect, qreal devicePixelRatio)
{
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QSize pixels(qRound(rect.width() * dpr), qRound(rect.height() * dpr));
    if (pixels.isEmpty())
        return;
    // Rings of whole device pixels: one dark, two bright, one dark, each as wide as one
    // pixel at 100 %.
    const int ring = std::max(1, qRound(dpr));
    QImage frame(pixels, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    {
        QPainter f(&frame);
        const QColor colours[] = {QColor(0, 0, 0), QColor(255, 214, 0), QColor(255, 214, 0), QColor(0, 0, 0)};
        QRect r(QPoint(0, 0), pixels);
        for (const QColor &c : colours) {
            if (r.width() <= 2 * ring || r.height() <= 2 * ring)
                break;
            f.fillRect(QRect(r.left(), r.top(), r.width(), ring), c);
            f.fillRect(QRect(r.left(), r.bottom() - ring + 1, r.width(), ring), c);
            f.fillRect(QRect(r.left(), r.top(), ring, r.height()), c);
            f.fillRect(QRect(r.right() - ring + 1, r.top(), ring, r.height()), c);
            r.adjust(ring, ring, -ring, -ring);
        }
    }
    frame.setDevicePixelRatio(dpr);
    p.drawImage(rect.topLeft(), frame);
}

KeyBox *neighbourKey(const QWidget *from, std::span<KeyBox *const> keys, int arrowKey)
{
    if (!from)
        return nullptr;
    const QPointF here = QRectF(from->geometry()).center();
    KeyBox *best = nullptr;
    double bestScore = std::numeric_limits<double>::max();
    for (KeyBox *k : keys) {
        if (k == from || k->isHidden() || !k->isEnabled())
            continue;
        const QPointF d = QRectF(k->geometry()).center() - here;
        double along = 0, across = 0;
        switch (arrowKey) {
        case Qt::Key_Left: along = -d.x(); across = d.y(); break;
        case Qt::Key_Right: along = d.x(); across = d.y(); break;
        case Qt::Key_Up: along = -d.y(); across = d.x(); break;
        case Qt::Key_Down: along = d.y(); across = d.x(); break;
        default: return nullptr;
        }
        if (along <= 0.5)
            continue;
        // Straight ahead first: a key to the side counts twice its offset.
        const double score = along + 2 * std::abs(across);
        if (score < bestScore) {
            bestScore = score;
            best = k;
        }
    }
    return best;
}

void keyTabStop(std::span<KeyBox *const> keys, KeyBox *current)
{
    auto choosable = [](const KeyBox *k) { return k && !k->isHidden() && k->isEnabled(); };
    if (!choosable(current)) {
        current = nullptr;
        for (KeyBox *k : keys)
            if (choosable(k)) {
                current = k;
                break;
            }
    }
    for (KeyBox *k : keys)
        k->setFocusPolicy(k == current ? Qt::TabFocus : Qt::NoFocus);
}

bool keyNavigation(QObject *watched, QEvent *event, std::span<KeyBox *const> keys)
{
    auto *key = qobject_cast<KeyBox *>(watched);
    if (!key)
        return false;
    if (event->type() == QEvent::FocusIn) {
        keyTabStop(keys, key);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *press = static_cast<QKeyEvent *>(event);
    if ((press->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    KeyBox *next = neighbourKey(key, keys, press->key());
    if (!next)
        return false;
    keyTabStop(keys, next);
    next->setFocus(Qt::TabFocusReason);
    return true;
}

}  // namespace quillet
