#include "render/PictureFile.h"

#include "core/FileIO.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>

namespace quillet {

namespace {

bool writePng(const Picture &picture, QIODevice &out, QString *error)
{
    QImageWriter writer(&out, "png");
    if (writer.write(pictureImage(picture)))
        return true;
    *error = writer.errorString();
    return false;
}

// XML 1.0 has no way to write most control characters, not even as references, and the
// generator writes a label's text as it is: a label may hold any byte the remote keeps.
bool xmlAllows(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// Each character XML forbids becomes U+FFFD, the character that stands for one unknown.
QByteArray xmlSafe(const QByteArray &utf8)
{
    const QList<uint> all = QString::fromUtf8(utf8).toUcs4();
    if (std::all_of(all.begin(), all.end(), [](uint c) { return xmlAllows(c); }))
        return utf8;
    QList<uint> safe = all;
    for (uint &c : safe)
        if (!xmlAllows(c))
            c = 0xFFFD;
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(safe.constData()), safe.size()).toUtf8();
}

void writeSvg(const Picture &picture, QIODevice &out)
{
    QByteArray drawn;
    QBuffer buffer(&drawn);
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(picture.size);
        svg.setViewBox(QRect(QPoint(0, 0), picture.size));
        svg.setResolution(static_cast<int>(LayoutDpi));
        svg.setTitle(picture.name);
        QPainter p(&svg);
        picture.draw(p);
    }
    out.write(xmlSafe(drawn));
}

void writePdf(const Picture &picture, QIODevice &out)
{
    QPdfWriter pdf(&out);
    pdf.setCreator(QStringLiteral("Quillet"));
    pdf.setTitle(picture.name);
    pdf.setResolution(PdfDpi);
    pdf.setPageSize(QPageSize(QSizeF(picture.size) / LayoutDpi, QPageSize::Inch, QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&pdf);
    p.scale(PdfDpi / LayoutDpi, PdfDpi / LayoutDpi);
    picture.draw(p);
}

}  // namespace

PictureFormat pictureFormat(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return PictureFormat::Png;
    if (suffix == QLatin1String("svg"))
        return PictureFormat::Svg;
    if (suffix == QLatin1String("pdf"))
        return PictureFormat::Pdf;
    return PictureFormat::Unknown;
}

QStringList pictureFileNames(const QString &chosen, const std::vector<Picture> &pictures)
{
    const QFileInfo info(chosen);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("png") : info.suffix();
    QStringList out;
    QStringList taken;
    for (const Picture &picture : pictures) {
        QString name = picture.name;
        for (QChar &c : name)
            if (c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c))
                c = QLatin1Char('_');
        QString unique = name;
        for (int n = 2; taken.contains(unique, Qt::CaseInsensitive); ++n)
            unique = QStringLiteral("%1 (%2)").arg(name).arg(n);
        taken << unique;
        out << info.dir().filePath(QStringLiteral("%1 - %2.%3").arg(info.completeBaseName(), unique, suffix));
    }
    return out;
}

bool pictureBytes(const Picture &picture, PictureFormat format, QByteArray &contents, QString *error)
{
    QString reason;
    QBuffer buffer(&contents);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case PictureFormat::Png:
        if (writePng(picture, buffer, &reason))
            return true;
        break;
    case PictureFormat::Svg:
        writeSvg(picture, buffer);
        return true;
    case PictureFormat::Pdf:
        writePdf(picture, buffer);
        return true;
    case PictureFormat::Unknown:
        reason = QStringLiteral("A picture is written as .png, .svg or .pdf.");
        break;
    }
    if (error)
        *error = reason;
    return false;
}

// Drawn in memory, then written by the one guarded save: a disk that fills up while the
// file is written never leaves a cut picture behind as if it were whole.
bool writePicture(const Picture &picture, const QString &path, QString *error, const SaveFileFactory &makeSaveFile)
{
    QByteArray contents;
    return pictureBytes(picture, pictureFormat(path), contents, error) &&
           saveWholeFile(path, contents, error, makeSaveFile);
}

}  // namespace quillet
