#pragma once

#include "core/LayoutModel.h"
#include "core/Worksets.h"
#include "render/KeyFace.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

namespace quillet {

// Where the editors stand their pages, in window pixels; the pictures keep the same
// geometry so that a page drawn here is the page an editor shows.
constexpr int PageWidth = 121;    // 6 x 8 cells of 20, plus the last grid line
constexpr int PageHeight = 161;
constexpr int PageTop = 40;
constexpr int CaptionTop = 8;

// A row of pages: page p at (left + stride * p, PageTop), its caption "PAGE n" at
// (captionLeft + stride * p, CaptionTop), 105 x 25.
struct PageRow {
    int pages;
    int left;
    int stride;
    int captionLeft;
    QPoint origin(int page) const { return {left + stride * page, PageTop}; }
    QRect caption(int page) const { return {captionLeft + stride * page, CaptionTop, 105, 25}; }
};
inline constexpr PageRow DevicePages{4, 8, 128, 16};   // "Edit Device", "Select the key"
inline constexpr PageRow MenuPages{2, 120, 160, 120};  // "Edit Main Menu"

// The timer and hot-macro key page: key k in column k / 4, row k % 4, 121 x 41 drawn
// on 120 x 40; column heads over the columns as over device pages.
constexpr int PlusKeys = 12;
inline constexpr PageRow PlusColumns{3, 8, 128, 16};
QRect plusKeyRect(int key);
inline const QSize PlusKeyScale{120, 40};

// Where a key of the given cells stands over a page whose top-left is origin.
QRect keyGeometry(QPoint origin, const CellRect &cells);

// The remote's display under the keys: a pale panel with a dotted cell grid.
void drawPageBackground(QPainter &p, const QRect &page);

// A picture of one of the remote's screens, drawn the way its editor shows it. Its size
// is in layout pixels (1/96 inch); `draw` paints it from (0, 0) into any painter.
struct Picture {
    QString name;   // "MENU", the device's name, "TIMER" or "MACRO"
    QSize size;
    std::function<void(QPainter &)> draw;
};

// One function per kind of screen. Each takes copies, so the picture may outlive the
// buffers it was made from; `faces` must have been made WithIcons for device pictures.
Picture devicePicture(const QString &name, const DeviceWorkset &device, const KeyFaces &faces);
Picture menuPicture(const MenuWorkset &menu, const KeyFaces &faces);
Picture timerPicture(const NameFields &timerNames, const KeyFaces &faces);
Picture macroPicture(const NameFields &macroNames, const KeyFaces &faces);

// One page alone, 121 x 161 with its keys, for layouts other than the editors' rows (the
// printed guide stands a device's pages two by two).
Picture devicePagePicture(const DeviceWorkset &device, int page, const KeyFaces &faces);
Picture menuPagePicture(const MenuWorkset &menu, int page, const KeyFaces &faces);

// The pictures' frames in their editor's window coordinates (pages and captions with
// an 8-pixel margin); `draw` paints as if the window's top-left were at -frame.topLeft().
QRect devicePictureFrame();
QRect menuPictureFrame();
QRect plusPictureFrame();

// The picture as pixels, exactly what its editor shows at the same places.
QImage pictureImage(const Picture &picture);

}  // namespace quillet
