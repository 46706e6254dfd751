#include "editors/PageSet.h"

#include "core/IconNames.h"
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

CellCursor::CellCursor(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("cellCursor"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    resize(CellSize + 1, CellSize + 1);
    hide();
}

void CellCursor::place(QPoint pageOrigin, QPoint cell)
{
    // One pixel more than a cell, so the frame covers the grid lines around it.
    setGeometry(QRect(pageOrigin + cell * CellSize, QSize(CellSize + 1, CellSize + 1)));
    raise();
}

void CellCursor::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paintFocusFrame(p, rect(), devicePixelRatioF());
}

QString labelName(const Byte *labelBytes, bool icons)
{
    if (icons && isIconByte(labelBytes[0]))
        return QString::fromLatin1(iconName(labelBytes[0]));
    const QString text = trimmedBoth(labelText(labelBytes));
    return text.isEmpty() ? QStringLiteral("Blank") : text;
}

QString keyName(const QString &label, int page, const CellRect &cells)
{
    return QStringLiteral("%1, page %2, column %3, row %4, %5 by %6 cells")
        .arg(label)
        .arg(page + 1)
        .arg(cells.left + 1)
        .arg(cells.top + 1)
        .arg(cells.columns())
        .arg(cells.rows());
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
        const Byte *label = buf.labelBytes(k.labelPage, k.record);
        const QString text = faces.drawLabel(box, label, icons);
        box.setAccessibleName(keyName(labelName(label, icons), k.page, k.cells));
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
