#pragma once

// The picture files the key faces are drawn from, made with exact colours, and layouts
// put into worksets byte by byte. Header-only: the shared tests/support code is linked
// into core tests too, which have no QtGui.

#include "core/TextCodec.h"
#include "core/Worksets.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>

namespace quillet::testing {

// Exact colours, so pixel checks need no tolerance. The pictures are written as PNG data
// under the program's .jpg names (the reader goes by content), so nothing is lossy.
inline QRgb iconColour(int strip, int i)   // strip 0: IMG0-31, 1: IMG128-150
{
    return qRgb(0xF0 - 4 * i, strip == 0 ? 0x7F : 0xBB, (0x13 * (i + 1)) | 0x81);
}
inline QRgb symbolColour(int i) { return qRgb(0x3C + 0x21 * i, 0x5A, 0xC3 - 0x11 * i); }
inline QRgb blankColour() { return qRgb(0xEE, 0xE6, 0xD7); }
inline QRgb andColour(QRgb a, QRgb b) { return (a & b) | 0xFF000000u; }

inline QImage makeStrip(int cells, int cellW, int cellH, const std::function<QRgb(int)> &upper)
{
    QImage img(cells * cellW, 2 * cellH, QImage::Format_RGB32);
    img.fill(Qt::black);   // the lower row: must never show on a face
    QPainter p(&img);
    for (int i = 0; i < cells; ++i)
        p.fillRect(i * cellW, 0, cellW, cellH, QColor::fromRgb(upper(i)));
    return img;
}

// A program folder with the five pictures the editors load.
class PictureDir {
public:
    PictureDir()
    {
        makeStrip(32, 32, 32, [](int i) { return iconColour(0, i); }).save(path("IMG0-31.jpg"), "PNG");
        makeStrip(22, 32, 32, [](int i) { return iconColour(1, i); }).save(path("IMG128-150.jpg"), "PNG");
        makeStrip(4, 10, 15, symbolColour).save(path("IMG2350-52.jpg"), "PNG");
        QImage blank(48, 48, QImage::Format_RGB32);
        blank.fill(Qt::darkRed);   // only the top-left 32 x 32 may be used
        QPainter(&blank).fillRect(0, 0, 32, 32, QColor::fromRgb(blankColour()));
        blank.save(path("NONE.jpg"), "PNG");
        QImage no(32, 32, QImage::Format_ARGB32);
        no.fill(Qt::transparent);
        {
            QPainter p(&no);
            p.setPen(QPen(Qt::red, 3));
            p.drawEllipse(3, 3, 26, 26);
            p.drawLine(8, 8, 24, 24);
        }
        no.save(path("NO.ICO"), "ICO");
    }
    QString path() const { return dir_.path(); }
    QString path(const QString &name) const { return QDir(dir_.path()).filePath(name); }

private:
    QTemporaryDir dir_;
};

// Empty layouts (clearLayout), named by the half they clear: a Globals is both worksets.
inline void clearDevice(DeviceWorkset &d)
{
    clearLayout(d);
}

inline void clearMenu(MenuWorkset &m)
{
    clearLayout(m);
}

// Puts a key into a device's bytes the way the editor stores one: slot s of page p,
// corners, location page p record r, and a text label (or an icon when icon >= 0).
inline void putKey(DeviceWorkset &d, int key, int page, int slot, int record, int left, int top, int right,
                   int bottom, const QString &text, int icon = -1)
{
    d.DevSlotBuf[page][slot] = static_cast<Byte>(key);
    d.DevRectBuf[page][2 * slot] = static_cast<Byte>(left * 16 + top);
    d.DevRectBuf[page][2 * slot + 1] = static_cast<Byte>(right * 16 + bottom);
    d.DevLocBuf[key] = static_cast<Byte>(page * 16 + record);
    Byte *label = &d.DevLabelBuf[page][record * LabelRecordSize + 2];
    if (icon >= 0)
        label[0] = static_cast<Byte>(icon);
    else
        writeLabelText(label, text);
}

inline void putButton(MenuWorkset &m, int button, int page, int slot, int record, int left, int top, int right,
                      int bottom, const QString &text, int kind = Empty)
{
    m.MenuSlotBuf[page][slot] = static_cast<Byte>(button);
    m.MenuRectBuf[page][2 * slot] = static_cast<Byte>(left * 16 + top);
    m.MenuRectBuf[page][2 * slot + 1] = static_cast<Byte>(right * 16 + bottom);
    m.MenuLocBuf[button] = static_cast<Byte>(page * 16 + record);
    m.MenuKindBuf[button] = static_cast<Byte>(kind);
    writeLabelText(&m.MenuLabelBuf[page][record * LabelRecordSize + 2], text);
}

// A PDF file read back with the poppler tools (scripts/deps.sh installs them): its text
// as laid out, and its number of pages (-1 when it cannot be read).
inline QString popplerOutput(const QString &tool, const QStringList &arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return QStringLiteral("(%1 is missing: scripts/deps.sh installs poppler-utils)").arg(tool);
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline QString pdfText(const QString &path)
{
    return popplerOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

inline int pdfPages(const QString &path)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(popplerOutput(QStringLiteral("pdfinfo"), {path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

}  // namespace quillet::testing
