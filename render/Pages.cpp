#include "render/Pages.h"

#include <QPainter>

namespace quillet {

namespace {

// The editors' pages and keys stand on the window; the pictures on white.
const QColor PictureBackground{255, 255, 255};

QFont captionFont()
{
    QFont f;
    f.setPixelSize(12);
    f.setBold(true);
    return f;
}

void drawCaption(QPainter &p, const QRect &r, int number)
{
    p.setFont(captionFont());
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, QStringLiteral("PAGE %1").arg(number));
}

// The picture's background, its captions and, for pages, the empty pages; the painter
// is left translated to the window coordinates of the frame.
void beginPicture(QPainter &p, const QRect &frame, const PageRow &row, bool pages)
{
    p.fillRect(QRect(QPoint(0, 0), frame.size()), PictureBackground);
    p.translate(-frame.topLeft());
    for (int i = 0; i < row.pages; ++i) {
        drawCaption(p, row.caption(i), i + 1);
        if (pages)
            drawPageBackground(p, QRect(row.origin(i), QSize(PageWidth, PageHeight)));
    }
}

// The keys of every page (page < 0) or of one page, each page standing at origin(page).
// The layout is only read; LayoutBuffers just has no const view.
void drawKeys(QPainter &p, LayoutBuffers buf, int page, const std::function<QPoint(int)> &origin,
              const KeyFaces &faces, bool icons)
{
    for (const PlacedKey &k : placedKeys(buf)) {
        if (page >= 0 && k.page != page)
            continue;
        const QRect r = keyGeometry(origin(k.page), k.cells);
        faces.paintLabel(p, r, r.size(), buf.labelBytes(k.labelPage, k.record), icons);
    }
}

void drawLayout(QPainter &p, LayoutBuffers buf, const PageRow &row, const KeyFaces &faces, bool icons)
{
    drawKeys(p, buf, -1, [&row](int page) { return row.origin(page); }, faces, icons);
}

// A page at (0, 0): its background and the keys standing on it.
void drawOnePage(QPainter &p, LayoutBuffers buf, int page, const KeyFaces &faces, bool icons)
{
    drawPageBackground(p, QRect(0, 0, PageWidth, PageHeight));
    drawKeys(p, buf, page, [](int) { return QPoint(0, 0); }, faces, icons);
}

Picture plusPicture(const QString &name, const NameFields &labels, const KeyFaces &faces)
{
    const KeyFaces tenPerLine = faces.withVariant(TextVariant::FixedTen);
    return {name, plusPictureFrame().size(), [labels, tenPerLine](QPainter &p) {
                p.save();
                beginPicture(p, plusPictureFrame(), PlusColumns, false);
                // In key order, as the page stacks its boxes: each covers the one above by a row.
                for (int k = 0; k < PlusKeys; ++k)
                    tenPerLine.paintText(p, plusKeyRect(k), PlusKeyScale, labels[static_cast<size_t>(k)]);
                p.restore();
            }};
}

}  // namespace

QRect plusKeyRect(int key)
{
    return {PlusColumns.left + PlusColumns.stride * (key / 4), PageTop + 40 * (key % 4), 121, 41};
}

QRect keyGeometry(QPoint origin, const CellRect &cells)
{
    return {origin.x() + cells.left * CellSize, origin.y() + cells.top * CellSize, cells.columns() * CellSize,
            cells.rows() * CellSize};
}

void drawPageBackground(QPainter &p, const QRect &page)
{
    p.save();
    p.translate(page.topLeft());
    p.fillRect(QRect(QPoint(0, 0), page.size()), QColor(196, 206, 186));
    QPen dots(QColor(150, 162, 140));
    dots.setStyle(Qt::DotLine);
    p.setPen(dots);
    for (int c = 1; c < GridColumns; ++c)
        p.drawLine(c * CellSize, 0, c * CellSize, GridRows * CellSize);
    for (int r = 1; r < GridRows; ++r)
        p.drawLine(0, r * CellSize, GridColumns * CellSize, r * CellSize);
    p.setPen(QColor(92, 100, 86));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, GridColumns * CellSize, GridRows * CellSize);
    p.restore();
}

QRect devicePictureFrame()
{
    const QPoint last = DevicePages.origin(DevicePages.pages - 1);
    return {0, 0, last.x() + PageWidth + 8, PageTop + PageHeight + 8};
}

QRect menuPictureFrame()
{
    const QPoint last = MenuPages.origin(MenuPages.pages - 1);
    return QRect(QPoint(MenuPages.left - 8, 0), QPoint(last.x() + PageWidth + 7, PageTop + PageHeight + 7));
}

QRect plusPictureFrame()
{
    const QRect last = plusKeyRect(PlusKeys - 1);
    return {0, 0, last.right() + 1 + 8, last.bottom() + 1 + 8};
}

Picture devicePicture(const QString &name, const DeviceWorkset &device, const KeyFaces &faces)
{
    return {name, devicePictureFrame().size(), [device, faces](QPainter &p) {
                p.save();
                beginPicture(p, devicePictureFrame(), DevicePages, true);
                drawLayout(p, LayoutBuffers::device(const_cast<DeviceWorkset &>(device)), DevicePages, faces, true);
                p.restore();
            }};
}

Picture menuPicture(const MenuWorkset &menu, const KeyFaces &faces)
{
    return {QStringLiteral("MENU"), menuPictureFrame().size(), [menu, faces](QPainter &p) {
                p.save();
                beginPicture(p, menuPictureFrame(), MenuPages, true);
                drawLayout(p, LayoutBuffers::menu(const_cast<MenuWorkset &>(menu)), MenuPages, faces, false);
                p.restore();
            }};
}

Picture devicePagePicture(const DeviceWorkset &device, int page, const KeyFaces &faces)
{
    return {QStringLiteral("PAGE %1").arg(page + 1), {PageWidth, PageHeight}, [device, page, faces](QPainter &p) {
                drawOnePage(p, LayoutBuffers::device(const_cast<DeviceWorkset &>(device)), page, faces, true);
            }};
}

Picture menuPagePicture(const MenuWorkset &menu, int page, const KeyFaces &faces)
{
    return {QStringLiteral("PAGE %1").arg(page + 1), {PageWidth, PageHeight}, [menu, page, faces](QPainter &p) {
                drawOnePage(p, LayoutBuffers::menu(const_cast<MenuWorkset &>(menu)), page, faces, false);
            }};
}

Picture timerPicture(const NameFields &timerNames, const KeyFaces &faces)
{
    return plusPicture(QStringLiteral("TIMER"), timerNames, faces);
}

Picture macroPicture(const NameFields &macroNames, const KeyFaces &faces)
{
    return plusPicture(QStringLiteral("MACRO"), macroNames, faces);
}

QImage pictureImage(const Picture &picture)
{
    QImage image = blankFace(picture.size);
    QPainter p(&image);
    picture.draw(p);
    return image;
}

}  // namespace quillet
