#include "plus/AlignedCaption.h"

#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

namespace quillet {

void AlignedCaption::setPlaces(std::vector<Place> places)
{
    places_ = std::move(places);
    update();
}

QStringList AlignedCaption::parts() const
{
    static const QRegularExpression blanks(QStringLiteral(" {2,}"));
    return text().trimmed().split(blanks, Qt::SkipEmptyParts);
}

QRect AlignedCaption::partRect(int i) const
{
    const QStringList all = parts();
    if (i < 0 || i >= all.size())
        return {};
    const QFontMetrics fm = fontMetrics();
    const int width = fm.horizontalAdvance(all[i]);
    // A part without a place of its own follows the one before it after one blank.
    Place place;
    if (i < static_cast<int>(places_.size()))
        place = places_[static_cast<size_t>(i)];
    else if (i > 0)
        place = {partRect(i - 1).right() + 1 + fm.horizontalAdvance(QLatin1Char(' ')), partRect(i - 1).center().y(),
                 false};
    else
        place.y = height() / 2;
    const int left = place.centred ? place.x - width / 2 : place.x;
    return {left, place.y - fm.height() / 2, width, fm.height()};
}

void AlignedCaption::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QStringList all = parts();
    for (int i = 0; i < all.size(); ++i)
        style()->drawItemText(&p, partRect(i), Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), all[i],
                              foregroundRole());
}

}  // namespace quillet
