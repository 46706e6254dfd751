#include "IconArt.h"

#include <QFont>
#include <QFontInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <initializer_list>

namespace imagegen {

namespace {

constexpr int kSuper = 4;  // supersampling factor
const char *const kFamily = "Liberation Sans";

using Art = void (*)(QPainter &);

// ---- small drawing helpers, all in unit-square coordinates -------------------

void poly(QPainter &p, std::initializer_list<QPointF> points)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF(QList<QPointF>(points)));
}

void box(QPainter &p, qreal x, qreal y, qreal w, qreal h)
{
    p.fillRect(QRectF(x, y, w, h), Qt::black);
}

void disc(QPainter &p, qreal cx, qreal cy, qreal r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(cx, cy), r, r);
}

void pen(QPainter &p, qreal width, Qt::PenCapStyle cap = Qt::FlatCap)
{
    p.setPen(QPen(Qt::black, width, Qt::SolidLine, cap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
}

void line(QPainter &p, qreal x1, qreal y1, qreal x2, qreal y2, qreal width,
          Qt::PenCapStyle cap = Qt::FlatCap)
{
    pen(p, width, cap);
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void ring(QPainter &p, qreal cx, qreal cy, qreal r, qreal width)
{
    pen(p, width);
    p.drawEllipse(QPointF(cx, cy), r, r);
}

void outline(QPainter &p, QRectF r, qreal width, qreal radius = 0)
{
    pen(p, width);
    if (radius > 0)
        p.drawRoundedRect(r, radius, radius);
    else
        p.drawRect(r);
}

QFont letteringFont(qreal pixelSize, bool bold = true)
{
    QFont f(QString::fromLatin1(kFamily));
    f.setPixelSize(qRound(pixelSize * kSuper));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

// Text centred in a rectangle. The font is given in supersampled pixels, so the
// painter's scale is undone for the text and restored afterwards.
void text(QPainter &p, QRectF r, const char *s, qreal pixelSize, bool bold = true)
{
    p.save();
    p.scale(1.0 / kSuper, 1.0 / kSuper);
    p.setFont(letteringFont(pixelSize, bold));
    p.setPen(Qt::black);
    const QRectF big(r.x() * kSuper, r.y() * kSuper, r.width() * kSuper, r.height() * kSuper);
    p.drawText(big, Qt::AlignCenter, QString::fromLatin1(s));
    p.restore();
}

void speaker(QPainter &p)
{
    poly(p, {{2, 12}, {7, 12}, {14, 5}, {14, 27}, {7, 20}, {2, 20}});
}

// A thick arrow pointing up, turned by `degrees` about the centre.
void arrow(QPainter &p, qreal degrees)
{
    p.save();
    p.translate(16, 16);
    p.rotate(degrees);
    p.translate(-16, -16);
    poly(p, {{16, 3}, {29, 16}, {21, 16}, {21, 29}, {11, 29}, {11, 16}, {3, 16}});
    p.restore();
}

void digit(QPainter &p, const char *d)
{
    text(p, QRectF(0, 0, 32, 33), d, 32);
}

// A colour key: a rounded key filled with a pattern that tells the four apart
// in black and white.
void colourKey(QPainter &p, int pattern)
{
    const QRectF key(3, 8, 26, 16);
    QPainterPath shape;
    shape.addRoundedRect(key, 5, 5);
    p.save();
    p.setClipPath(shape);
    switch (pattern) {
    case 0:  // red: solid
        box(p, 0, 0, 32, 32);
        break;
    case 1:  // green: diagonal stripes
        for (int k = -32; k < 64; k += 6)
            line(p, k, 32, k + 32, 0, 2.4);
        break;
    case 2:  // yellow: dots
        for (int y = 11; y < 22; y += 4)
            for (int x = 6; x < 27; x += 4)
                box(p, x, y, 2, 2);
        break;
    default:  // blue: horizontal stripes
        for (qreal y = 9.5; y < 24; y += 4.5)
            box(p, 0, y, 32, 2.2);
        break;
    }
    p.restore();
    outline(p, key.adjusted(0.75, 0.75, -0.75, -0.75), 1.6, 4.5);
}

// ---- first strip: label bytes 0..31 ------------------------------------------

void power(QPainter &p)
{
    pen(p, 3.4);
    p.drawArc(QRectF(5, 6.5, 22, 22), 125 * 16, 290 * 16);
    line(p, 16, 3, 16, 16, 3.4, Qt::RoundCap);
}
void mute(QPainter &p)
{
    speaker(p);
    line(p, 17.5, 10, 29.5, 22, 3.4);
    line(p, 29.5, 10, 17.5, 22, 3.4);
}
void volumeUp(QPainter &p)
{
    speaker(p);
    box(p, 17.5, 14.5, 12, 3.2);
    box(p, 21.9, 10, 3.2, 12);
}
void volumeDown(QPainter &p)
{
    speaker(p);
    box(p, 17.5, 14.5, 12, 3.2);
}
void channelUp(QPainter &p)
{
    text(p, QRectF(0, 0, 32, 15), "CH", 13);
    poly(p, {{16, 15}, {27, 29}, {5, 29}});
}
void channelDown(QPainter &p)
{
    text(p, QRectF(0, 0, 32, 15), "CH", 13);
    poly(p, {{5, 16}, {27, 16}, {16, 30}});
}
void digit0(QPainter &p) { digit(p, "0"); }
void digit1(QPainter &p) { digit(p, "1"); }
void digit2(QPainter &p) { digit(p, "2"); }
void digit3(QPainter &p) { digit(p, "3"); }
void digit4(QPainter &p) { digit(p, "4"); }
void digit5(QPainter &p) { digit(p, "5"); }
void digit6(QPainter &p) { digit(p, "6"); }
void digit7(QPainter &p) { digit(p, "7"); }
void digit8(QPainter &p) { digit(p, "8"); }
void digit9(QPainter &p) { digit(p, "9"); }
void play(QPainter &p) { poly(p, {{9, 5}, {27, 16}, {9, 27}}); }
void pause(QPainter &p)
{
    box(p, 8, 6, 6, 20);
    box(p, 18, 6, 6, 20);
}
void stop(QPainter &p) { box(p, 7, 7, 18, 18); }
void record(QPainter &p) { disc(p, 16, 16, 10); }
void rewind(QPainter &p)
{
    poly(p, {{15, 7}, {15, 25}, {3, 16}});
    poly(p, {{28, 7}, {28, 25}, {16, 16}});
}
void fastForward(QPainter &p)
{
    poly(p, {{4, 7}, {4, 25}, {16, 16}});
    poly(p, {{17, 7}, {17, 25}, {29, 16}});
}
void skipBack(QPainter &p)
{
    box(p, 3, 7, 3.5, 18);
    poly(p, {{17, 7}, {17, 25}, {6.5, 16}});
    poly(p, {{28.5, 7}, {28.5, 25}, {18, 16}});
}
void skipForward(QPainter &p)
{
    poly(p, {{3.5, 7}, {3.5, 25}, {14, 16}});
    poly(p, {{15, 7}, {15, 25}, {25.5, 16}});
    box(p, 25.5, 7, 3.5, 18);
}
void up(QPainter &p) { arrow(p, 0); }
void down(QPainter &p) { arrow(p, 180); }
void left(QPainter &p) { arrow(p, 270); }
void right(QPainter &p) { arrow(p, 90); }
void ok(QPainter &p)
{
    ring(p, 16, 16, 13.5, 2.6);
    text(p, QRectF(0, 0, 32, 32.5), "OK", 14);
}
void menu(QPainter &p)
{
    box(p, 5, 3, 22, 3.2);
    box(p, 5, 9, 22, 3.2);
    box(p, 5, 15, 22, 3.2);
    text(p, QRectF(0, 19.5, 32, 12), "MENU", 9.5);
}
void guide(QPainter &p)
{
    outline(p, QRectF(2.75, 4.75, 26.5, 22.5), 2.2);
    box(p, 2, 4, 28, 7);  // the header band of a programme grid
    box(p, 10.5, 11, 2, 17);
    box(p, 2, 18.5, 28, 2);
    box(p, 20, 11, 2, 8);
    box(p, 17, 19, 2, 9);
}
void info(QPainter &p)
{
    ring(p, 16, 16, 13.5, 2.6);
    disc(p, 16, 9.5, 2.4);
    box(p, 14.1, 13.5, 3.8, 11);
}

// ---- second strip: label bytes 128..149 --------------------------------------

void exitKey(QPainter &p)
{
    // A door left open, with the way out.
    outline(p, QRectF(3.25, 4.25, 14, 23.5), 2.5);
    poly(p, {{3, 4}, {12, 7}, {12, 30}, {3, 28}});
    box(p, 14, 14.5, 9, 3.2);
    poly(p, {{30, 16}, {22, 8.5}, {22, 23.5}});
}
void back(QPainter &p)
{
    poly(p, {{3, 10}, {12, 2.5}, {12, 17.5}});
    QPainterPath path;
    path.moveTo(11, 10);
    path.lineTo(19, 10);
    path.arcTo(QRectF(10.5, 10, 17, 17), 90, -180);
    path.lineTo(7, 27);
    pen(p, 3.6);
    p.drawPath(path);
}
void eject(QPainter &p)
{
    poly(p, {{16, 4}, {29, 18}, {3, 18}});
    box(p, 3, 22, 26, 4.5);
}
void subtitles(QPainter &p)
{
    outline(p, QRectF(2.25, 5.25, 27.5, 21.5), 2.3, 3);
    box(p, 6, 15, 12, 3);
    box(p, 20, 15, 6, 3);
    box(p, 6, 20.5, 7, 3);
    box(p, 15, 20.5, 11, 3);
}
void audioTrack(QPainter &p)
{
    // A pair of beamed notes.
    p.save();
    p.translate(5.5, 24);
    p.rotate(-20);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(0, 0), 4.6, 3.4);
    p.restore();
    p.save();
    p.translate(21.5, 21);
    p.rotate(-20);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(0, 0), 4.6, 3.4);
    p.restore();
    box(p, 8.2, 7, 2.6, 17);
    box(p, 24.2, 4, 2.6, 17);
    poly(p, {{8.2, 6.5}, {26.8, 2.5}, {26.8, 7.5}, {8.2, 11.5}});
}
void tv(QPainter &p)
{
    line(p, 10, 2, 16, 8, 2.2);
    line(p, 22, 2, 16, 8, 2.2);
    outline(p, QRectF(2.5, 8.5, 27, 18), 3, 2.5);
    box(p, 9, 27.5, 14, 2.8);
}
void radio(QPainter &p)
{
    line(p, 7, 12, 25, 3, 2.2, Qt::RoundCap);
    outline(p, QRectF(2.5, 11.5, 27, 17), 2.6, 2.5);
    ring(p, 10.5, 20, 4.2, 2.4);
    box(p, 18, 15.5, 8, 2.2);
    box(p, 18, 19.5, 8, 2.2);
    box(p, 18, 23.5, 8, 2.2);
}
void teletext(QPainter &p)
{
    outline(p, QRectF(2.75, 2.75, 26.5, 26.5), 2.4);
    text(p, QRectF(0, 3.5, 32, 13), "TXT", 12);
    box(p, 6, 18, 20, 2.4);
    box(p, 6, 23, 14, 2.4);
}
void redKey(QPainter &p) { colourKey(p, 0); }
void greenKey(QPainter &p) { colourKey(p, 1); }
void yellowKey(QPainter &p) { colourKey(p, 2); }
void blueKey(QPainter &p) { colourKey(p, 3); }
void favourite(QPainter &p)
{
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2) ? 6.0 : 14.5;
        const qreal a = (-90 + 36 * i) * M_PI / 180.0;
        star << QPointF(16 + r * std::cos(a), 17 + r * std::sin(a));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(star);
}
void sleep(QPainter &p)
{
    QPainterPath moon;
    moon.addEllipse(QPointF(14, 18), 11.5, 11.5);
    QPainterPath bite;
    bite.addEllipse(QPointF(21, 12), 9.5, 9.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(moon.subtracted(bite));
    text(p, QRectF(19, 0, 13, 12), "z", 13);
    text(p, QRectF(23, 9, 9, 9), "z", 9);
}
void inputSource(QPainter &p)
{
    // Something coming into the set from outside.
    outline(p, QRectF(12.25, 4.25, 17.5, 23.5), 2.5, 2);
    box(p, 2, 14.4, 12, 3.2);
    poly(p, {{22, 16}, {13, 7.5}, {13, 24.5}});
}
void channelList(QPainter &p)
{
    for (int i = 0; i < 4; ++i) {
        box(p, 3, 4 + 7 * i, 4, 4);
        box(p, 10, 4.5 + 7 * i, 19, 3);
    }
}
void zoom(QPainter &p)
{
    ring(p, 13, 13, 9, 3);
    line(p, 19.5, 19.5, 28, 28, 4.6, Qt::RoundCap);
    box(p, 8.5, 11.8, 9, 2.4);
    box(p, 11.8, 8.5, 2.4, 9);
}
void home(QPainter &p)
{
    poly(p, {{16, 2.5}, {30.5, 16}, {26, 16}, {26, 29}, {19.5, 29}, {19.5, 20},
             {12.5, 20}, {12.5, 29}, {6, 29}, {6, 16}, {1.5, 16}});
}
void settings(QPainter &p)
{
    p.save();
    p.translate(16, 16);
    for (int i = 0; i < 8; ++i) {
        p.fillRect(QRectF(-2.8, -14.5, 5.6, 8), Qt::black);
        p.rotate(45);
    }
    p.restore();
    disc(p, 16, 16, 10);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 16), 4.2, 4.2);
}
void repeatKey(QPainter &p)
{
    pen(p, 3);
    QPainterPath top;
    top.moveTo(5, 19);
    top.lineTo(5, 14);
    top.arcTo(QRectF(5, 8, 10, 10), 180, -90);
    top.lineTo(22, 8);
    p.drawPath(top);
    poly(p, {{29, 9.5}, {21, 3}, {21, 16}});
    pen(p, 3);
    QPainterPath bottom;
    bottom.moveTo(27, 13);
    bottom.lineTo(27, 18);
    bottom.arcTo(QRectF(17, 14, 10, 10), 0, -90);
    bottom.lineTo(10, 24);
    p.drawPath(bottom);
    poly(p, {{3, 22.5}, {11, 16}, {11, 29}});
}
void aspectRatio(QPainter &p)
{
    outline(p, QRectF(2, 7, 28, 18), 2.2);
    text(p, QRectF(0, 7, 32, 18.5), "16:9", 10.5);
}
void twoDigits(QPainter &p) { text(p, QRectF(0, 0, 32, 32), "-/--", 19); }

// ---- the four special symbols, 10 x 15 --------------------------------------

void symbolHash(QPainter &p)
{
    // The teletext grid "#".
    box(p, 2, 2, 2, 11);
    box(p, 6, 2, 2, 11);
    box(p, 0, 5, 10, 2);
    box(p, 0, 9, 10, 2);
}
void symbolLeft(QPainter &p) { poly(p, {{1, 7.5}, {9, 2}, {9, 13}}); }
void symbolEquals(QPainter &p)
{
    box(p, 1, 4, 8, 2.5);
    box(p, 1, 8.5, 8, 2.5);
}
void symbolRight(QPainter &p) { poly(p, {{1, 2}, {9, 7.5}, {1, 13}}); }

const Art kArt0[kIconCount0] = {
    power,  mute,   volumeUp, volumeDown, channelUp, channelDown, digit0,   digit1,
    digit2, digit3, digit4,   digit5,     digit6,    digit7,      digit8,   digit9,
    play,   pause,  stop,     record,     rewind,    fastForward, skipBack, skipForward,
    up,     down,   left,     right,      ok,        menu,        guide,    info,
};

const Art kArt128[kIconCount128] = {
    exitKey,  back,    eject,     subtitles,   audioTrack, tv,       radio,   teletext,
    redKey,   greenKey, yellowKey, blueKey,    favourite,  sleep,    inputSource, channelList,
    zoom,     home,    settings,  repeatKey,   aspectRatio, twoDigits,
};

const Art kSymbolArt[kSymbolCount] = {symbolHash, symbolLeft, symbolEquals, symbolRight};

// Draws at kSuper times the size with smoothing, then averages each block of
// kSuper x kSuper samples and cuts at half grey.
QImage render(Art art, int width, int height)
{
    QImage big(width * kSuper, height * kSuper, QImage::Format_RGB32);
    big.fill(Qt::white);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        p.scale(kSuper, kSuper);
        art(p);
    }
    QImage cell(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int dy = 0; dy < kSuper; ++dy) {
                const QRgb *row = reinterpret_cast<const QRgb *>(big.constScanLine(y * kSuper + dy));
                for (int dx = 0; dx < kSuper; ++dx)
                    sum += qGray(row[x * kSuper + dx]);
            }
            const bool dark = sum < 128 * kSuper * kSuper;
            cell.setPixel(x, y, dark ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return cell;
}

}  // namespace

QImage iconCell0(int index)
{
    Q_ASSERT(index >= 0 && index < kIconCount0);
    return render(kArt0[index], kIconSize, kIconSize);
}

QImage iconCell128(int index)
{
    Q_ASSERT(index >= 0 && index < kIconCount128);
    return render(kArt128[index], kIconSize, kIconSize);
}

QImage symbolCell(int index)
{
    Q_ASSERT(index >= 0 && index < kSymbolCount);
    return render(kSymbolArt[index], kSymbolWidth, kSymbolHeight);
}

QString letteringFamily()
{
    const QFontInfo info(letteringFont(10));
    return info.family() == QLatin1String(kFamily) ? info.family() : QString();
}

}  // namespace imagegen
