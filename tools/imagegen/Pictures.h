#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// The pictures Quillet ships beside its executable, drawn from scratch.

namespace imagegen {

// A strip of `cells.size()` cells side by side in two rows: the upper row (y = 0)
// is the mask that ends on the key face, the lower row (y = cell height) is drawn
// first and then covered; both hold the same art. All cells share one size.
QImage strip(const QList<QImage> &cells);

// The blank key face, uniform, `size` x `size`.
QImage blankFace(int size);

// The 320 x 240 start picture.
QImage splash(const QString &version);

// The program icon (a touch-screen remote) and the "not here" drag cursor,
// square, with transparency.
QImage programIcon(int size);
QImage forbiddenIcon(int size);

// An icon file holding the given square pictures (sizes up to 256). Pictures
// below 256 are stored as 32-bit bitmaps with an AND mask, 256 as PNG, the
// usual mix that every icon reader accepts.
QByteArray icoFile(const QList<QImage> &images);

}  // namespace imagegen
