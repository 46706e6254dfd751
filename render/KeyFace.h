#pragma once

#include "core/Worksets.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QStringList>

#include <vector>

class QPainter;

namespace quillet {

struct Globals;

// Colours of the drawn edges: the usual 3-D highlight and shadow.
inline const QColor FaceLight{255, 255, 255};
inline const QColor FaceShadow{128, 128, 128};
// What a face shows when "NONE.jpg" could not be read.
inline const QColor FaceFallback{212, 208, 200};

// "Courier" 12 pt, or Liberation Mono (same metrics) where Courier itself is absent.
QFont keyFont();
// The same font sized in pixels (16, that is 12 pt at 96 dpi), so a face's text has one
// size on a screen, in a picture file and on paper, whatever the device's resolution.
QFont faceFont();

// A fresh face picture: the given size, the fallback colour, laid out for 96 dpi.
QImage blankFace(QSize size);

// What the drawing family paints on: a face picture and the scale its routines lay out
// on. The editors' key boxes are surfaces, and so is an off-screen FaceImage.
class FaceSurface {
public:
    virtual ~FaceSurface() = default;
    virtual QImage &face() = 0;
    // The drawing scale: the face's own size unless a window fixes it (the timer and
    // macro keys draw on 120 x 40 whatever their frame).
    virtual QSize scale() const = 0;
    // Called after each routine has painted, so a widget can schedule its repaint.
    virtual void faceChanged() {}
};

// A face drawn off screen, for pictures, files and the printer.
class FaceImage final : public FaceSurface {
public:
    explicit FaceImage(QSize size, QSize scale = {});
    QImage &face() override { return image_; }
    const QImage &face() const { return image_; }
    QSize scale() const override { return scale_.isValid() ? scale_ : image_.size(); }

private:
    QImage image_;
    QSize scale_;
};

// A picture strip: cells side by side in two rows. The upper row is what finally shows
// on a key; measurements come from the loaded bitmap itself.
struct Strip {
    QImage picture;
    int cells = 0;
    int cellWidth = 0;   // picture width / cells, nearest, halves to even
    int rowOffset = 0;   // picture height / 2, likewise

    bool isNull() const { return picture.isNull(); }
    static Strip load(const QString &path, int cells);
    static Strip measure(const QImage &picture, int cells);
    // Cell i of the upper row at the given block size (32 x 32 icons, 10 x 15 symbols).
    QImage cell(int index, int width, int height) const;
};

// The two text routines: the key editors take characters per line and margin from the
// key's width; the timer and macro page uses 10 characters, margin 10, 1 or 2 lines.
enum class TextVariant { ByWidth, FixedTen };

struct TextGeometry {
    int perLine = 0;
    int margin = 0;
};
TextGeometry textGeometry(int width, TextVariant variant);

// Where each shown character of a label goes on a face of the given scale.
struct GlyphPlace {
    QChar ch;
    int x = 0;
    int y = 0;
    int symbol = -1;   // 0..3: drawn from the symbol strip instead of the font
};
std::vector<GlyphPlace> layoutText(const QString &text, int width, int height, TextVariant variant);
// "#", "<", "=", ">" are the remote's special symbols, cells 0..3 of the symbol strip.
int symbolIndex(QChar ch);

// The pictures a window loads when it opens, and the drawing family that paints key faces
// with them. One instance per window; every window, picture file and printout draws
// through the same code.
class KeyFaces {
public:
    enum class Pictures { SymbolsOnly, WithIcons };

    KeyFaces(const QString &pictureFolder, Pictures pictures, TextVariant variant = TextVariant::ByWidth);
    // The pictures the running program ships, from wherever it was installed: every
    // window and command finds them through here rather than guessing a folder.
    KeyFaces(const Globals &g, Pictures pictures, TextVariant variant = TextVariant::ByWidth);

    const Strip &icons0() const { return icons0_; }      // "IMG0-31.jpg", 32 cells
    const Strip &icons128() const { return icons128_; }  // "IMG128-150.jpg", 22 cells
    const Strip &symbols() const { return symbols_; }    // "IMG2350-52.jpg", 4 cells
    const QImage &blank() const { return blank_; }       // "NONE.jpg"
    TextVariant variant() const { return variant_; }
    // The same pictures with the other text routine (pictures are shared, not copied).
    KeyFaces withVariant(TextVariant variant) const;
    // Picture files that could not be read (empty when all are there).
    QStringList missingFiles() const { return missing_; }
    // A sentence for the user naming the missing files, or empty.
    QString missingMessage() const;

    // The family. Each paints into the surface's face.
    void ClrBlinkDraw(FaceSurface &box) const;
    void TxtBlinkDraw(FaceSurface &box, const QString &text) const;
    void NoBlinkDraw(FaceSurface &box, const Strip &strip, int index, int x, int y) const;
    void InBlinkDraw(FaceSurface &box, const Strip &strip, int index, int x, int y) const;
    void DownBlinkDraw(FaceSurface &box) const;

    // The calling orders all windows use: clear then text, or clear then the centred icon
    // of a label byte (0..31 first strip, 128..149 second; other values draw nothing).
    void drawText(FaceSurface &box, const QString &text) const;
    void drawIcon(FaceSurface &box, int iconByte) const;
    // Draws a label from its 20 label bytes and returns the key's text entry: the text,
    // or empty for an icon. Without icons every byte but 255 is a character.
    QString drawLabel(FaceSurface &box, const Byte *labelBytes, bool icons) const;

    // A whole key face at `box` in any painter. On a picture in memory it is exactly the
    // face a key box shows; on a PDF, SVG or printer the characters stay text (so the
    // result can be searched) and the rest goes as a picture at print resolution.
    void paintLabel(QPainter &p, const QRect &box, QSize scale, const Byte *labelBytes, bool icons) const;
    void paintText(QPainter &p, const QRect &box, QSize scale, const QString &text) const;

    static void drawRaisedBorder(QImage &face, QSize scale);
    static void drawSunkenBorder(QImage &face, QSize scale);

private:
    // Clear then text; the font's characters are left out when they go as text elsewhere.
    void drawTextFace(FaceSurface &box, const QString &text, bool withCharacters) const;
    void paintFace(QPainter &p, const QRect &box, FaceImage &face, const QString &text) const;

    Strip icons0_;
    Strip icons128_;
    Strip symbols_;
    QImage blank_;
    TextVariant variant_;
    QStringList missing_;
    QString folder_;
};

// True when the painter draws pixels (a picture in memory) rather than a document.
bool paintsPixels(const QPainter &p);

// The picture files beside the program.
namespace picture {
inline const QString Icons0 = QStringLiteral("IMG0-31.jpg");
inline const QString Icons128 = QStringLiteral("IMG128-150.jpg");
inline const QString Symbols = QStringLiteral("IMG2350-52.jpg");
inline const QString Blank = QStringLiteral("NONE.jpg");
inline const QString No = QStringLiteral("NO.ICO");
}  // namespace picture

}  // namespace quillet
