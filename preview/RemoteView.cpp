#include "preview/RemoteView.h"

#include "editors/KeyBox.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace quillet {

RemoteView::RemoteView(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The screen is drawn whole at its scale; the scroll area around it scrolls instead.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void RemoteView::setPicture(const QImage &picture)
{
    const bool resized = picture.size() != picture_.size();
    picture_ = picture;
    if (resized) {
        updateGeometry();
        resize(sizeHint());   // a layout, where there is one, places it again
    }
    update();
}

void RemoteView::setScale(int percent)
{
    percent_ = std::clamp(percent, 100, 300);
    updateGeometry();
    resize(sizeHint());
    update();
}

void RemoteView::setCursorRect(const QRect &layoutRect)
{
    cursor_ = layoutRect;
    update();
}

QPoint RemoteView::toWidget(QPoint layout) const
{
    return layout * percent_ / 100;
}

QSize RemoteView::sizeHint() const
{
    return picture_.size() * percent_ / 100;
}

void RemoteView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    // Whole pixels grow into squares: the remote's screen is a grid of dots.
    p.drawImage(QRect(QPoint(0, 0), sizeHint()), picture_);
    if (hasFocus() && !cursor_.isEmpty()) {
        const QRect r(toWidget(cursor_.topLeft()), toWidget(cursor_.bottomRight() + QPoint(1, 1)));
        paintFocusFrame(p, r, devicePixelRatioF());
    }
}

void RemoteView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    emit pressedAt(event->position().toPoint() * 100 / percent_);
}

void RemoteView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit released();
}
}  // namespace quillet
