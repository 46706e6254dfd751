#pragma once

#include <QImage>

// The remote's icon and symbol art. Each picture is drawn in a small unit square
// (32 x 32 for icons, 10 x 15 for the special symbols), supersampled and then cut
// to pure black on white: the key face is the AND of its background and the cell,
// so grey edge pixels would tint the face unpredictably.

namespace imagegen {

constexpr int kIconSize = 32;
constexpr int kSymbolWidth = 10;
constexpr int kSymbolHeight = 15;
constexpr int kIconCount0 = 32;    // label bytes 0..31
constexpr int kIconCount128 = 22;  // label bytes 128..149
constexpr int kSymbolCount = 4;    // "#", "<", "=", ">"

// A 32 x 32 cell of the first strip (index 0..31) or of the second (index 0..21).
QImage iconCell0(int index);
QImage iconCell128(int index);
// A 10 x 15 cell of the symbol strip (index 0..3).
QImage symbolCell(int index);

// The font family the art is lettered in; empty when that family is missing and
// the system substituted another one (the pictures then differ between machines).
QString letteringFamily();

}  // namespace imagegen
