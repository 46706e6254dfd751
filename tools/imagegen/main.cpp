// quillet-imagegen OUTPUT_FOLDER
// quillet-imagegen --hicolor OUTPUT_FOLDER NAME
//
// Draws every picture Quillet ships beside its executable: the icon strips, the
// special-symbol strip, the blank key face, the drag cursor, the program icon and
// the start picture. With --hicolor it draws the program icon for the desktop's icon
// theme instead, as OUTPUT_FOLDER/<size>x<size>/apps/NAME.png. Run by the build; the
// output depends only on this source and the fonts, so repeated builds give the same
// files.

#include "IconArt.h"
#include "Pictures.h"
#include "core/IconNames.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>

#include <cstdio>
#include <iterator>

static_assert(std::size(quillet::kIconNames0) == imagegen::kIconCount0);
static_assert(std::size(quillet::kIconNames128) == imagegen::kIconCount128);

namespace {

bool saveBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "quillet-imagegen: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

// Highest quality: the strips are black art on white and JPEG smears edges.
bool saveJpeg(const QString &path, const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    if (!writer.write(image)) {
        std::fprintf(stderr, "quillet-imagegen: cannot encode %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return saveBytes(path, bytes);
}

// The sizes desktops look for in the hicolor theme.
int writeThemeIcons(const QDir &out, const QString &name)
{
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!out.mkpath(folder)) {
            std::fprintf(stderr, "quillet-imagegen: cannot create %s\n", qPrintable(out.filePath(folder)));
            return 1;
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const QString file = out.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        ok &= imagegen::programIcon(size).save(&buffer, "png") && saveBytes(file, bytes);
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char *argv[])
{
    // A build tool never shows a window; text drawing still needs the platform's fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc == 4 && qstrcmp(argv[1], "--hicolor") == 0)
        return writeThemeIcons(QDir(QString::fromLocal8Bit(argv[2])), QString::fromLocal8Bit(argv[3]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillet-imagegen OUTPUT_FOLDER\n"
                             "       quillet-imagegen --hicolor OUTPUT_FOLDER NAME\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "quillet-imagegen: cannot create %s\n", argv[1]);
        return 1;
    }
    if (imagegen::letteringFamily().isEmpty())
        std::fprintf(stderr, "quillet-imagegen: warning: font \"Liberation Sans\" is missing "
                             "(install fonts-liberation2); lettering uses a substitute\n");

    QList<QImage> cells0;
    for (int i = 0; i < imagegen::kIconCount0; ++i)
        cells0.append(imagegen::iconCell0(i));
    QList<QImage> cells128;
    for (int i = 0; i < imagegen::kIconCount128; ++i)
        cells128.append(imagegen::iconCell128(i));
    QList<QImage> symbols;
    for (int i = 0; i < imagegen::kSymbolCount; ++i)
        symbols.append(imagegen::symbolCell(i));

    const QList<QImage> programIcons = {imagegen::programIcon(16), imagegen::programIcon(32),
                                        imagegen::programIcon(48), imagegen::programIcon(256)};

    bool ok = true;
    ok &= saveJpeg(out.filePath(QStringLiteral("IMG0-31.jpg")), imagegen::strip(cells0));
    ok &= saveJpeg(out.filePath(QStringLiteral("IMG128-150.jpg")), imagegen::strip(cells128));
    ok &= saveJpeg(out.filePath(QStringLiteral("IMG2350-52.jpg")), imagegen::strip(symbols));
    ok &= saveJpeg(out.filePath(QStringLiteral("NONE.jpg")), imagegen::blankFace(32));
    ok &= saveJpeg(out.filePath(QStringLiteral("START.jpg")),
                   imagegen::splash(QStringLiteral(QUILLET_VERSION)));
    ok &= saveBytes(out.filePath(QStringLiteral("NO.ICO")),
                    imagegen::icoFile({imagegen::forbiddenIcon(32)}));
    ok &= saveBytes(out.filePath(QStringLiteral("program icon.ico")),
                    imagegen::icoFile(programIcons));
    return ok ? 0 : 1;
}
