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
    QPainter p(this);
    drawPageBackground(p, rect());
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
