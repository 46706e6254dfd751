#include "render/KeyFace.h"

#include "core/Globals.h"
#include "core/LayoutModel.h"
#include "core/Paths.h"
#include "core/TextCodec.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>

namespace quillet {

QFont keyFont()
{
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        if (families.contains(QStringLiteral("Courier"), Qt::CaseInsensitive))
            return QStringLiteral("Courier");
        return QStringLiteral("Liberation Mono");
    }();
    QFont font(family);
    font.setPointSize(12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QFont faceFont()
{
    QFont font = keyFont();
    font.setPixelSize(16);
    return font;
}

QImage blankFace(QSize size)
{
    QImage face(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    // The faces are laid out for a 96-dpi surface whatever the screen says.
    face.setDotsPerMeterX(3780);
    face.setDotsPerMeterY(3780);
    face.fill(FaceFallback);
    return face;
}

FaceImage::FaceImage(QSize size, QSize scale)
    : image_(blankFace(size))
    , scale_(scale)
{
}

bool paintsPixels(const QPainter &p)
{
    const QPaintEngine *engine = p.paintEngine();
    return engine && engine->type() == QPaintEngine::Raster;
}

// ---------------------------------------------------------------------------------------
// Strips

Strip Strip::measure(const QImage &picture, int cells)
{
    Strip s;
    s.cells = cells;
    if (picture.isNull() || cells <= 0)
        return s;
    s.picture = picture.convertToFormat(QImage::Format_RGB32);
    s.cellWidth = nearestEven(static_cast<double>(picture.width()) / cells);
    s.rowOffset = nearestEven(static_cast<double>(picture.height()) / 2);
    return s;
}

Strip Strip::load(const QString &path, int cells)
{
    return measure(QImage(path), cells);
}

QImage Strip::cell(int index, int width, int height) const
{
    if (isNull())
        return {};
    return picture.copy(cellWidth * index, 0, width, height);
}

// ---------------------------------------------------------------------------------------
// Text geometry

TextGeometry textGeometry(int width, TextVariant variant)
{
    if (variant == TextVariant::FixedTen)
        return {10, 10};
    // Keys are 40 to 120 wide; a width between the steps (only from odd data) takes the
    // narrower layout rather than none.
    if (width >= 120)
        return {10, 10};
    if (width >= 100)
        return {8, 10};
    if (width >= 80)
        return {6, 10};
    if (width >= 60)
        return {5, 5};
    return {3, 5};
}

int symbolIndex(QChar ch)
{
    switch (ch.unicode()) {
    case '#':
        return 0;
    case '<':
        return 1;
    case '=':
        return 2;
    case '>':
        return 3;
    default:
        return -1;
    }
}

std::vector<GlyphPlace> layoutText(const QString &text, int width, int height, TextVariant variant)
{
    static constexpr int lift[8] = {7, 15, 22, 30, 37, 45, 52, 60};   // 7.5 * lines, rounded down
    const QString t = trimmedRight(text);
    const TextGeometry g = textGeometry(width, variant);
    const int available = height / 20;
    const int maxLines = variant == TextVariant::FixedTen ? 2 : 8;

    int n = static_cast<int>(t.size());
    n = std::min(n, g.perLine * available);
    int lines = n / g.perLine + (n % g.perLine > 0 ? 1 : 0);
    lines = std::min(lines, available);

    int y = 0;
    if (lines >= 1 && lines <= maxLines)
        y = height / 2 - lift[lines - 1];
    int x = g.margin;

    std::vector<GlyphPlace> out;
    out.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) {
        const QChar ch = t.at(i - 1);
        out.push_back({ch, x, y, symbolIndex(ch)});
        x += 10;
        if (i % g.perLine == 0) {
            x = g.margin;
            y += 15;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// The drawing family

KeyFaces::KeyFaces(const QString &pictureFolder, Pictures pictures, TextVariant variant)
    : variant_(variant)
    , folder_(pictureFolder)
{
    auto loadStrip = [&](const QString &name, int cells) {
        Strip s = Strip::load(joinPath(pictureFolder, name), cells);
        if (s.isNull())
            missing_ << name;
        return s;
    };
    if (pictures == Pictures::WithIcons) {
        icons0_ = loadStrip(picture::Icons0, 32);
        icons128_ = loadStrip(picture::Icons128, 22);
    }
    symbols_ = loadStrip(picture::Symbols, 4);
    blank_ = QImage(joinPath(pictureFolder, picture::Blank)).convertToFormat(QImage::Format_RGB32);
    if (blank_.isNull())
        missing_ << picture::Blank;
}

KeyFaces::KeyFaces(const Globals &g, Pictures pictures, TextVariant variant)
    : KeyFaces(g.shippedFolder(), pictures, variant)
{
}

QString KeyFaces::missingMessage() const
{
    if (missing_.isEmpty())
        return {};
    // The folder too: a user who finds the files elsewhere knows where they were looked for.
    return QStringLiteral("These pictures could not be read in %1: %2. Keys are drawn without them.")
        .arg(QDir::toNativeSeparators(folder_), missing_.join(QStringLiteral(", ")));
}

namespace {

// Face (x, y, w, h) becomes (face AND upper-row cell): dark pixels of the cell darken the
// face, light ones leave it. The remote's strips also carry a lower-row cell that was
// copied first and then covered by this result, so it never shows and is not drawn.
void maskedCopy(QImage &face, const Strip &strip, int index, int x, int y, int w, int h)
{
    if (strip.isNull())
        return;
    // Cell offsets are 16-bit values on the remote's side.
    const int sx = static_cast<qint16>(strip.cellWidth * index);
    QImage saved = face.copy(x, y, w, h);
    {
        QPainter p(&saved);
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p.drawImage(QPoint(0, 0), strip.picture, QRect(sx, 0, w, h));
    }
    QPainter p(&face);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(x, y), saved);
}

void drawFrame(QImage &face, const QRect &r, const QColor &topLeft, const QColor &bottomRight)
{
    // One-pixel frame of (left, top, right, bottom) with right and bottom exclusive; the
    // bottom and right sides are drawn last and own the corners, as the platform's edges do.
    const int l = r.left(), t = r.top(), rr = r.right() + 1, b = r.bottom() + 1;
    if (rr - l < 1 || b - t < 1)
        return;
    QPainter p(&face);
    p.setPen(topLeft);
    p.drawLine(l, t, rr - 2, t);
    p.drawLine(l, t, l, b - 2);
    p.setPen(bottomRight);
    p.drawLine(l, b - 1, rr - 1, b - 1);
    p.drawLine(rr - 1, t, rr - 1, b - 1);
}

// Prints the characters of a laid-out text at origin; the symbols are drawn elsewhere.
void printCharacters(QPainter &p, QPoint origin, const std::vector<GlyphPlace> &glyphs)
{
    const QFont font = faceFont();
    const int ascent = QFontMetrics(font).ascent();
    p.setFont(font);
    p.setPen(Qt::black);
    for (const GlyphPlace &g : glyphs)
        if (g.symbol < 0)
            p.drawText(origin + QPoint(g.x, g.y + ascent), QString(g.ch));
}

// Faces placed in a document go as pictures this many times finer than the screen's, so
// icons keep their hard edges on paper.
constexpr int PrintScale = 4;

}  // namespace

void KeyFaces::drawRaisedBorder(QImage &face, QSize scale)
{
    drawFrame(face, QRect(0, 0, scale.width(), scale.height()), FaceLight, FaceShadow);
    drawFrame(face, QRect(1, 1, scale.width() - 2, scale.height() - 2), FaceLight, FaceShadow);
}

void KeyFaces::drawSunkenBorder(QImage &face, QSize scale)
{
    drawFrame(face, QRect(0, 0, scale.width(), scale.height()), FaceShadow, FaceLight);
    drawFrame(face, QRect(1, 1, scale.width() - 2, scale.height() - 2), FaceShadow, FaceLight);
}

KeyFaces KeyFaces::withVariant(TextVariant variant) const
{
    KeyFaces f = *this;
    f.variant_ = variant;
    return f;
}

void KeyFaces::ClrBlinkDraw(FaceSurface &box) const
{
    QImage &face = box.face();
    const QSize s = box.scale();
    {
        QPainter p(&face);
        if (blank_.isNull()) {
            p.fillRect(QRect(QPoint(0, 0), s), FaceFallback);
        } else {
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(QRect(QPoint(0, 0), s), blank_, QRect(0, 0, 32, 32));
        }
    }
    box.faceChanged();
}

void KeyFaces::TxtBlinkDraw(FaceSurface &box, const QString &text) const
{
    drawTextFace(box, text, true);
}

void KeyFaces::NoBlinkDraw(FaceSurface &box, const Strip &strip, int index, int x, int y) const
{
    maskedCopy(box.face(), strip, index, x, y, 32, 32);
    drawRaisedBorder(box.face(), box.scale());
    box.faceChanged();
}

void KeyFaces::InBlinkDraw(FaceSurface &box, const Strip &strip, int index, int x, int y) const
{
    maskedCopy(box.face(), strip, index, x, y, 10, 15);
    box.faceChanged();
}

void KeyFaces::DownBlinkDraw(FaceSurface &box) const
{
    drawSunkenBorder(box.face(), box.scale());
    box.faceChanged();
}

void KeyFaces::drawTextFace(FaceSurface &box, const QString &text, bool withCharacters) const
{
    QImage &face = box.face();
    const QSize s = box.scale();
    const auto glyphs = layoutText(text, s.width(), s.height(), variant_);
    if (withCharacters) {
        QPainter p(&face);
        printCharacters(p, QPoint(0, 0), glyphs);
    }
    for (const GlyphPlace &g : glyphs)
        if (g.symbol >= 0)
            InBlinkDraw(box, symbols_, g.symbol, g.x, g.y);
    drawRaisedBorder(face, s);
    box.faceChanged();
}

void KeyFaces::drawText(FaceSurface &box, const QString &text) const
{
    ClrBlinkDraw(box);
    TxtBlinkDraw(box, text);
}

void KeyFaces::drawIcon(FaceSurface &box, int iconByte) const
{
    if (!isIconByte(iconByte))
        return;
    const QSize s = box.scale();
    const int x = s.width() / 2 - 16;
    const int y = s.height() / 2 - 16;
    ClrBlinkDraw(box);
    if (iconByte <= 31)
        NoBlinkDraw(box, icons0_, iconByte, x, y);
    else
        NoBlinkDraw(box, icons128_, iconByte - 128, x, y);
}

QString KeyFaces::drawLabel(FaceSurface &box, const Byte *labelBytes, bool icons) const
{
    if (icons && isIconByte(labelBytes[0])) {
        drawIcon(box, labelBytes[0]);
        return {};
    }
    const QString text = labelText(labelBytes);
    drawText(box, text);
    return text;
}

void KeyFaces::paintLabel(QPainter &p, const QRect &box, QSize scale, const Byte *labelBytes, bool icons) const
{
    FaceImage face(box.size(), scale);
    if (icons && isIconByte(labelBytes[0])) {
        drawIcon(face, labelBytes[0]);
        paintFace(p, box, face, {});
        return;
    }
    paintText(p, box, scale, labelText(labelBytes));
}

void KeyFaces::paintText(QPainter &p, const QRect &box, QSize scale, const QString &text) const
{
    FaceImage face(box.size(), scale);
    ClrBlinkDraw(face);
    drawTextFace(face, text, paintsPixels(p));
    paintFace(p, box, face, text);
}

void KeyFaces::paintFace(QPainter &p, const QRect &box, FaceImage &face, const QString &text) const
{
    if (paintsPixels(p)) {
        p.drawImage(box.topLeft(), face.face());
        return;
    }
    const QImage fine = face.face().scaled(face.face().size() * PrintScale, Qt::IgnoreAspectRatio,
                                           Qt::FastTransformation);
    p.drawImage(QRectF(box), fine);
    const QSize s = face.scale();
    printCharacters(p, box.topLeft(), layoutText(text, s.width(), s.height(), variant_));
}

}  // namespace quillet
