#pragma once

#include "core/FileIO.h"
#include "render/Pages.h"

#include <QString>
#include <QStringList>

#include <vector>


namespace quillet {

// The file formats a picture can be written in, chosen by the name's extension in any
// case: ".png" pixels as the editors show them, ".svg" and ".pdf" with text kept as text.
enum class PictureFormat { Unknown, Png, Svg, Pdf };
PictureFormat pictureFormat(const QString &path);

// Writes one picture, replacing the file only when the whole picture was written.
// False, and the reason in *error, when the extension is none of the three or the file
// cannot be written.
bool writePicture(const Picture &picture, const QString &path, QString *error, const SaveFileFactory &makeSaveFile = {});
// The bytes of that file, for a caller that writes them itself.
bool pictureBytes(const Picture &picture, PictureFormat format, QByteArray &contents, QString *error);

// The files a set of pictures goes to when the user chose `chosen`: "<stem> - <name>.<ext>"
// beside it, one per picture. Characters a file name cannot hold become "_", and a name
// that comes again (in any case) gets " (2)", " (3)" and so on, so no picture overwrites
// another.
QStringList pictureFileNames(const QString &chosen, const std::vector<Picture> &pictures);

// Layout pixels are 1/96 inch on paper as on the screen.
constexpr qreal LayoutDpi = 96;
// The resolution PDF files are written at: fine enough that no position is rounded.
constexpr int PdfDpi = 1200;

}  // namespace quillet
