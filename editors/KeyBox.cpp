#include "editors/KeyBox.h"

#include <QPainter>

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
}

}  // namespace quillet
