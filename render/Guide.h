#pragma once

#include "core/FileIO.h"
#include "render/Pages.h"

#include <QDateTime>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace quillet {

class MemoryImage;
struct Globals;

// The paper a guide is printed on where the user has not chosen: Letter where that is the
// custom (the United States, Canada, Mexico and a few more), A4 everywhere else.
QPageSize guidePaperSize(const QLocale &locale);
// The locale the system's paper follows: LC_ALL, LC_PAPER, LANG in that order, as the C
// library takes them; the system's locale when none is set.
QLocale paperLocale();

// A layout guide to keep by the sofa. The first sheet has the file's name, the date, the
// devices with their kinds, a picture of the main menu's two pages and the contents with
// sheet numbers; then each named device with its four pages two by two, large enough to
// read from a distance, and its keys in a table; then the timers and the hot macros in
// words. Parts follow each other on a sheet as long as they fit, so no sheet but the last
// is left mostly blank. The same sheets go to a PDF file and to the printer.
class Guide {
public:
    // A whole image; `title` is the document's file name.
    static Guide ofImage(const MemoryImage &image, const QString &title, const KeyFaces &faces);
    // The one device of a model file: a single sheet.
    static Guide ofModel(const DeviceWorkset &device, const QString &title, const KeyFaces &faces);
    // The loaded document: the whole image, or the model file's device, titled with the
    // file's name. Nothing loaded gives an empty guide.
    static Guide ofDocument(const Globals &g, const KeyFaces &faces);

    void setDate(const QDateTime &when) { date_ = when; }
    const QString &title() const { return title_; }

    // The screens as pictures, in the guide's order: the menu, the named devices in bank
    // order, the timer keys and the hot-macro keys (a model: its device, "MODEL").
    const std::vector<Picture> &pictures() const { return pictures_; }

    // Paints every sheet on a printer or PDF writer, on the paper it is set to, the first
    // on its current page. Returns the number of sheets.
    int paint(QPagedPaintDevice &device) const;
    // Writes the guide as a PDF file on the given paper, replacing the file only when all
    // was written.
    bool writePdf(const QString &path, const QPageSize &paper, QString *error,
                  const SaveFileFactory &makeSaveFile = {}) const;
    // The guide as a PDF file's bytes, on pages of the given layout.
    QByteArray pdfBytes(const QPageLayout &layout) const;

    static constexpr qreal MarginMm = 15;

    // One piece of a sheet, placed whole; on the next sheet when it does not fit below what
    // is there already. Laid out for the sheet's width, in layout pixels.
    struct Block {
        qreal height = 0;
        bool keepWithNext = false;   // a heading stays with what it heads
        int contentsEntry = -1;      // the contents entry that starts here, or -1
        std::function<void(QPainter &)> paint;   // from (0, 0)
    };

private:
    struct Device {
        QString heading;
        QString subheading;
        std::array<std::optional<Picture>, 4> pages;
        std::vector<QStringList> keyRows;   // page, key, label
    };
    struct Section {
        QString heading;
        std::optional<Picture> picture;
        QStringList paragraphs;
    };

    QString title_;
    QDateTime date_ = QDateTime::currentDateTime();
    bool model_ = false;
    std::vector<QStringList> devicesTable_;   // the first sheet's table, headings first
    std::array<std::optional<Picture>, 2> menuPages_;
    QStringList menuWords_;
    std::vector<Device> devices_;
    std::vector<Section> sections_;           // timers, hot macros
    std::vector<Picture> pictures_;

    std::vector<Block> blocks(QPainter &p, QSizeF area, const std::vector<int> *entrySheets) const;
    QStringList contentsEntries() const;
};

}  // namespace quillet
