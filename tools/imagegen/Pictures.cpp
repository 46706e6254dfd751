#include "Pictures.h"

#include <QBuffer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtEndian>

namespace imagegen {

namespace {

const QColor kFace(214, 223, 236);  // soft grey-blue of an unlabelled key

QFont uiFont(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void appendLe16(QByteArray &out, quint16 v)
{
    const quint16 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&le), 2);
}

void appendLe32(QByteArray &out, quint32 v)
{
    const quint32 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&le), 4);
}

// BITMAPINFOHEADER, BGRA rows bottom-up, then the 1-bit AND mask (1 = see
// through), rows padded to 32 bits, also bottom-up.
QByteArray dibPayload(const QImage &source)
{
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width();
    const int h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    QByteArray out;
    appendLe32(out, 40);
    appendLe32(out, quint32(w));
    appendLe32(out, quint32(2 * h));  // colour rows and mask rows together
    appendLe16(out, 1);
    appendLe16(out, 32);
    appendLe32(out, 0);  // uncompressed
    appendLe32(out, quint32(w * h * 4 + maskStride * h));
    appendLe32(out, 0);
    appendLe32(out, 0);
    appendLe32(out, 0);
    appendLe32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = row[x];
            out.append(char(qBlue(c)));
            out.append(char(qGreen(c)));
            out.append(char(qRed(c)));
            out.append(char(qAlpha(c)));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray mask(maskStride, '\0');
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(uchar(mask[x / 8]) | (0x80 >> (x % 8)));
        out.append(mask);
    }
    return out;
}

QByteArray pngPayload(const QImage &img)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    img.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    return out;
}

}  // namespace

QImage strip(const QList<QImage> &cells)
{
    Q_ASSERT(!cells.isEmpty());
    const int cw = cells.first().width();
    const int ch = cells.first().height();
    QImage out(cw * int(cells.size()), 2 * ch, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    for (int i = 0; i < cells.size(); ++i) {
        Q_ASSERT(cells[i].size() == QSize(cw, ch));
        p.drawImage(i * cw, 0, cells[i]);
        p.drawImage(i * cw, ch, cells[i]);
    }
    return out;
}

QImage blankFace(int size)
{
    QImage out(size, size, QImage::Format_RGB32);
    out.fill(kFace);
    return out;
}

QImage splash(const QString &version)
{
    QImage out(320, 240, QImage::Format_RGB32);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    QLinearGradient sky(0, 0, 320, 240);
    sky.setColorAt(0.0, QColor(18, 40, 78));
    sky.setColorAt(1.0, QColor(36, 98, 168));
    p.fillRect(out.rect(), sky);

    // Two soft discs of light behind the remote.
    QRadialGradient glow(250, 110, 150);
    glow.setColorAt(0.0, QColor(120, 190, 255, 90));
    glow.setColorAt(1.0, QColor(120, 190, 255, 0));
    p.fillRect(out.rect(), glow);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 14));
    p.drawEllipse(QPointF(-40, 250), 140, 140);

    // The remote, slightly turned.
    p.save();
    p.translate(258, 122);
    p.rotate(8);
    const QRectF body(-38, -100, 76, 200);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(body.translated(4, 6), 18, 18);
    QLinearGradient shell(body.topLeft(), body.bottomRight());
    shell.setColorAt(0.0, QColor(247, 250, 254));
    shell.setColorAt(1.0, QColor(204, 216, 232));
    p.setBrush(shell);
    p.setPen(QPen(QColor(150, 170, 198), 1.2));
    p.drawRoundedRect(body, 18, 18);

    const QRectF screen(-29, -84, 58, 104);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(14, 34, 64));
    p.drawRoundedRect(screen, 5, 5);
    // A key page: a 6 x 8 grid of cells with keys of whole cells on it.
    const qreal cell = 8.5;
    const QPointF o(screen.left() + 3.5, screen.top() + 18);
    struct Key { int col, row, w, h; QColor colour; };
    const Key keys[] = {
        {0, 0, 2, 2, QColor(92, 172, 238)}, {2, 0, 2, 2, QColor(92, 172, 238)},
        {4, 0, 2, 2, QColor(240, 94, 94)},  {0, 2, 3, 2, QColor(190, 222, 250)},
        {3, 2, 3, 2, QColor(190, 222, 250)}, {0, 4, 2, 2, QColor(92, 172, 238)},
        {2, 4, 2, 2, QColor(255, 255, 255)}, {4, 4, 2, 2, QColor(92, 172, 238)},
        {0, 6, 6, 2, QColor(120, 200, 160)},
    };
    for (const Key &k : keys) {
        p.setBrush(k.colour);
        p.drawRoundedRect(QRectF(o.x() + k.col * cell + 0.8, o.y() + k.row * cell + 0.8,
                                 k.w * cell - 1.6, k.h * cell - 1.6),
                          2, 2);
    }
    p.setBrush(QColor(92, 172, 238));
    p.drawRect(QRectF(screen.left() + 4, screen.top() + 6, 24, 5));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRect(QRectF(screen.left() + 32, screen.top() + 6, 22, 5));

    // Rubber keys under the screen.
    p.setBrush(QColor(60, 96, 150));
    p.drawEllipse(QPointF(0, 56), 17, 17);
    p.setBrush(shell);
    p.drawEllipse(QPointF(0, 56), 7, 7);
    p.setBrush(QColor(60, 96, 150));
    p.drawEllipse(QPointF(-23, 84), 6, 6);
    p.drawEllipse(QPointF(23, 84), 6, 6);
    p.setBrush(QColor(240, 94, 94));
    p.drawEllipse(QPointF(0, 86), 5, 5);
    p.restore();

    // Lettering.
    p.setPen(Qt::white);
    p.setFont(uiFont(46, true));
    p.drawText(QPointF(20, 92), QStringLiteral("Quillet"));
    p.setBrush(QColor(120, 205, 255));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(22, 104, 44, 4), 2, 2);
    p.setPen(QColor(214, 232, 255));
    p.setFont(uiFont(14, false));
    p.drawText(QPointF(22, 130), QStringLiteral("Remote control"));
    p.drawText(QPointF(22, 148), QStringLiteral("configuration"));
    p.setPen(QColor(160, 192, 230));
    p.setFont(uiFont(12, false));
    p.drawText(QPointF(22, 214), QStringLiteral("Version ") + version);
    return out;
}

QImage programIcon(int size)
{
    QImage out(size, size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 256.0, size / 256.0);
    p.setPen(Qt::NoPen);

    // Small sizes get a thicker outline and fewer details, so they stay readable.
    const bool small = size <= 32;
    const QRectF body(52, 6, 152, 244);
    QLinearGradient shell(body.topLeft(), body.bottomRight());
    shell.setColorAt(0.0, QColor(64, 148, 240));
    shell.setColorAt(1.0, QColor(20, 74, 160));
    p.setBrush(QColor(12, 44, 100));
    p.drawRoundedRect(body, 40, 40);
    p.setBrush(shell);
    const qreal rim = small ? 12 : 7;
    p.drawRoundedRect(body.adjusted(rim, rim, -rim, -rim), 40 - rim, 40 - rim);

    const QRectF screen(76, 34, 104, 128);
    p.setBrush(QColor(250, 252, 255));
    p.drawRoundedRect(screen, 10, 10);
    // Keys on the touch screen: two columns, three rows.
    const int rows = 3;
    const qreal gap = small ? 12 : 9;
    const qreal kw = (screen.width() - 3 * gap) / 2;
    const qreal kh = (screen.height() - (rows + 1) * gap) / rows;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 2; ++c) {
            p.setBrush(r == 0 && c == 0 ? QColor(30, 110, 220) : QColor(150, 198, 248));
            p.drawRoundedRect(QRectF(screen.left() + gap + c * (kw + gap),
                                     screen.top() + gap + r * (kh + gap), kw, kh),
                              5, 5);
        }
    // The round key under the screen.
    p.setBrush(QColor(250, 252, 255));
    p.drawEllipse(QPointF(128, 205), 26, 26);
    if (!small) {
        p.setBrush(QColor(40, 120, 225));
        p.drawEllipse(QPointF(128, 205), 12, 12);
    }
    return out;
}

QImage forbiddenIcon(int size)
{
    QImage out(size, size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 32.0, size / 32.0);
    const QPointF c(16, 16);
    const qreal r = 12;
    const qreal d = r * 0.7071;
    // A dark rim first so the sign shows on light and dark faces alike.
    for (const auto &[colour, width] :
         {std::pair{QColor(90, 0, 0), 6.5}, std::pair{QColor(220, 36, 36), 4.0}}) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, r, r);
        p.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
    }
    return out;
}

QByteArray icoFile(const QList<QImage> &images)
{
    QList<QByteArray> payloads;
    for (const QImage &img : images) {
        Q_ASSERT(img.width() == img.height() && img.width() <= 256);
        payloads.append(img.width() == 256 ? pngPayload(img) : dibPayload(img));
    }
    QByteArray out;
    appendLe16(out, 0);  // reserved
    appendLe16(out, 1);  // icon, not cursor
    appendLe16(out, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const int s = images[i].width();
        out.append(char(s == 256 ? 0 : s));  // 0 stands for 256
        out.append(char(s == 256 ? 0 : s));
        out.append(char(0));  // no palette
        out.append(char(0));
        appendLe16(out, 1);   // planes
        appendLe16(out, 32);  // bits per pixel
        appendLe32(out, quint32(payloads[i].size()));
        appendLe32(out, offset);
        offset += quint32(payloads[i].size());
    }
    for (const QByteArray &payload : payloads)
        out.append(payload);
    return out;
}

}  // namespace imagegen
