#include "editors/PageSet.h"

#include "core/TextCodec.h"

#include <QPainter>

namespace quillet {

PageBox::PageBox(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(Width, Height);
}

void PageBox::paintEvent(QPaintEvent *)
{
    // The remote's display: a pale grey-green panel with a faint dotted cell grid.
    QPainter p(this);
    p.fillRect(rect(), QColor(196, 206, 186));
    QPen dots(QColor(150, 162, 140));
    dots.setStyle(Qt::DotLine);
    p.setPen(dots);
    for (int c = 1; c < GridColumns; ++c)
        p.drawLine(c * CellSize, 0, c * CellSize, GridRows * CellSize);
    for (int r = 1; r < GridRows; ++r)
        p.drawLine(0, r * CellSize, GridColumns * CellSize, r * CellSize);
    p.setPen(QColor(92, 100, 86));
    p.drawRect(0, 0, GridColumns * CellSize, GridRows * CellSize);
}

QRect keyGeometry(QPoint origin, const CellRect &cells)
{
    return {origin.x() + cells.left * CellSize, origin.y() + cells.top * CellSize, cells.columns() * CellSize,
            cells.rows() * CellSize};
}

std::vector<PlacedKey> showLayout(const LayoutBuffers &buf, std::span<KeyBox *const> boxes,
                                  const std::function<QPoint(int page)> &pageOrigin, const KeyFaces &faces,
                                  bool icons, std::span<QString> keyText)
{
    for (KeyBox *box : boxes)
        box->hide();
    for (QString &t : keyText)
        t = fixedField(QString());

    std::vector<PlacedKey> shown;
    for (const PlacedKey &k : placedKeys(buf)) {
        if (k.key >= static_cast<int>(boxes.size()))
            continue;
        KeyBox &box = *boxes[static_cast<size_t>(k.key)];
        box.setGeometry(keyGeometry(pageOrigin(k.page), k.cells));
        box.show();
        box.raise();
        const QString text = faces.drawLabel(box, buf.labelBytes(k.labelPage, k.record), icons);
        if (k.key < static_cast<int>(keyText.size()))
            keyText[static_cast<size_t>(k.key)] = fixedField(text);
        shown.push_back(k);
    }
    return shown;
}

std::vector<PlacedKey> showDevicePages(DeviceWorkset &dev, std::span<KeyBox *const> boxes, QPoint firstPage,
                                       int stride, const KeyFaces &faces, std::span<QString> keyText)
{
    return showLayout(
        LayoutBuffers::device(dev), boxes, [&](int p) { return firstPage + QPoint(stride * p, 0); }, faces, true,
        keyText);
}

}  // namespace quillet
