#pragma once

#include "core/LayoutModel.h"
#include "editors/KeyBox.h"
#include "render/Pages.h"

#include <QWidget>

#include <functional>
#include <span>
#include <vector>

namespace quillet {

// A page of the remote's screen: 6 x 8 cells of 20 pixels drawn as the remote's display,
// 121 x 161 so that the last grid line shows.
class PageBox : public QWidget {
    Q_OBJECT
public:
    explicit PageBox(QWidget *parent = nullptr);
    static constexpr int Width = PageWidth;
    static constexpr int Height = PageHeight;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The keyboard's cell cursor: a frame one cell in size laid over a page and its keys. It
// takes no mouse events; the window places it on the focused page's cursor cell.
class CellCursor : public QWidget {
    Q_OBJECT
public:
    explicit CellCursor(QWidget *parent = nullptr);
    // Over cell (column, row) of the page whose top-left is `pageOrigin`.
    void place(QPoint pageOrigin, QPoint cell);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// What a screen reader says for a label: its text, the icon's name, or "Blank".
QString labelName(const Byte *labelBytes, bool icons);
// A key as a screen reader names it: "VOL+, page 1, column 3, row 2, 3 by 2 cells".
QString keyName(const QString &label, int page, const CellRect &cells);

// Shows a layout's keys on their boxes: every box is hidden and every text entry blanked,
// then each key the bytes describe (see placedKeys) is placed over its page, shown and
// drawn from its label record (clear then text, or clear then icon) and named for a screen
// reader. Returns the keys shown.
// The key editors, the main-menu editor and the key selector all draw through this.
std::vector<PlacedKey> showLayout(const LayoutBuffers &buf, std::span<KeyBox *const> boxes,
                                  const std::function<QPoint(int page)> &pageOrigin, const KeyFaces &faces,
                                  bool icons, std::span<QString> keyText);

// A device's four key pages with page p at firstPage + (stride * p, 0).
std::vector<PlacedKey> showDevicePages(DeviceWorkset &dev, std::span<KeyBox *const> boxes, QPoint firstPage,
                                       int stride, const KeyFaces &faces, std::span<QString> keyText);

}  // namespace quillet
