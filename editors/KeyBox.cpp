#include "editors/KeyBox.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillet {

KeyBox::KeyBox(QWidget *parent)
    : QWidget(parent)
{
    setFont(keyFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
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
