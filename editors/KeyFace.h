#pragma once

#include "core/Worksets.h"

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace quillet {

// Colours of the drawn edges: the usual 3-D highlight and shadow.
inline const QColor FaceLight{255, 255, 255};
inline const QColor FaceShadow{128, 128, 128};
// What a face shows when "NONE.jpg" could not be read.
inline const QColor FaceFallback{212, 208, 200};

// "Courier" 12 pt, or Liberation Mono (same metrics) where Courier itself is absent.
QFont keyFont();

// One key or device button: a small widget that owns its face as an image and shows it.
// Its owner sets the objectName ("PicKEY_3") and places it over a page.
class KeyBox : public QWidget {
    Q_OBJECT
public:
    explicit KeyBox(QWidget *parent = nullptr);

    // The face, always the size of the box; resizing the box starts a fresh face.
    QImage &face();
    const QImage &face() const { return const_cast<KeyBox *>(this)->face(); }

    // The drawing scale: the box's own size unless a window fixes it (the timer and
    // macro keys draw on 120 x 40 whatever their frame).
    QSize scale() const { return scale_.isValid() ? scale_ : size(); }
    void setScale(const QSize &s) { scale_ = s; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage face_;
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
// with them. One instance per window; every window draws through the same code.
class KeyFaces {
public:
    enum class Pictures { SymbolsOnly, WithIcons };

    KeyFaces(const QString &pictureFolder, Pictures pictures, TextVariant variant = TextVariant::ByWidth);

    const Strip &icons0() const { return icons0_; }      // "IMG0-31.jpg", 32 cells
    const Strip &icons128() const { return icons128_; }  // "IMG128-150.jpg", 22 cells
    const Strip &symbols() const { return symbols_; }    // "IMG2350-52.jpg", 4 cells
    const QImage &blank() const { return blank_; }       // "NONE.jpg"
    // Picture files that could not be read (empty when all are there).
    QStringList missingFiles() const { return missing_; }
    // A sentence for the user naming the missing files, or empty.
    QString missingMessage() const;

    // The family. Each paints into the box's face and schedules a repaint.
    void ClrBlinkDraw(KeyBox &box) const;
    void TxtBlinkDraw(KeyBox &box, const QString &text) const;
    void NoBlinkDraw(KeyBox &box, const Strip &strip, int index, int x, int y) const;
    void InBlinkDraw(KeyBox &box, const Strip &strip, int index, int x, int y) const;
    void DownBlinkDraw(KeyBox &box) const;

    // The calling orders all windows use: clear then text, or clear then the centred icon
    // of a label byte (0..31 first strip, 128..149 second; other values draw nothing).
    void drawText(KeyBox &box, const QString &text) const;
    void drawIcon(KeyBox &box, int iconByte) const;
    // Draws a label from its 20 label bytes and returns the key's text entry: the text,
    // or empty for an icon. Without icons every byte but 255 is a character.
    QString drawLabel(KeyBox &box, const Byte *labelBytes, bool icons) const;

    static void drawRaisedBorder(QImage &face, QSize scale);
    static void drawSunkenBorder(QImage &face, QSize scale);

private:
    Strip icons0_;
    Strip icons128_;
    Strip symbols_;
    QImage blank_;
    TextVariant variant_;
    QStringList missing_;
};

// The picture files beside the program.
namespace picture {
inline const QString Icons0 = QStringLiteral("IMG0-31.jpg");
inline const QString Icons128 = QStringLiteral("IMG128-150.jpg");
inline const QString Symbols = QStringLiteral("IMG2350-52.jpg");
inline const QString Blank = QStringLiteral("NONE.jpg");
inline const QString No = QStringLiteral("NO.ICO");
}  // namespace picture

}  // namespace quillet
