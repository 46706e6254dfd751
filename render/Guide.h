#pragma once

#include "core/FileIO.h"
#include "render/Pages.h"

#include <QDateTime>
#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QPagedPaintDevice;

namespace quillet {

class MemoryImage;
struct Globals;

// A layout guide to keep by the sofa: a first page with the file's name, the date and the
// devices with their kinds; the main menu's pages; one page per named device with its
// four pages as the remote shows them and its key labels; the timers and the hot macros
// in words. The same pages go to a PDF file and to the printer.
class Guide {
public:
    // A whole image; `title` is the document's file name.
    static Guide ofImage(const MemoryImage &image, const QString &title, const KeyFaces &faces);
    // The one device of a model file.
    static Guide ofModel(const DeviceWorkset &device, const QString &title, const KeyFaces &faces);
    // The loaded document: the whole image, or the model file's device, titled with the
    // file's name. Nothing loaded gives an empty guide.
    static Guide ofDocument(const Globals &g, const KeyFaces &faces);

    void setDate(const QDateTime &when) { date_ = when; }
    const QString &title() const { return title_; }

    // The screens as pictures, in the guide's order: the menu, the named devices in bank
    // order, the timer keys and the hot-macro keys (a model: its device, "MODEL").
    const std::vector<Picture> &pictures() const { return pictures_; }

    // Paints every page on a printer or PDF writer, the first on its current page.
    // Returns the number of pages.
    int paint(QPagedPaintDevice &device) const;
    // Writes the guide as a PDF file, replacing the file only when all was written.
    bool writePdf(const QString &path, QString *error, const SaveFileFactory &makeSaveFile = {}) const;
    // The guide as a PDF file's bytes, on pages of the given layout.
    QByteArray pdfBytes(const QPageLayout &layout) const;

private:
    // One part of the guide: it starts on a new page, and its lines flow onto further
    // pages when they do not fit.
    struct Section {
        QString heading;
        QString subheading;
        std::optional<Picture> picture;
        std::vector<QStringList> table;   // rows of columns
        QStringList paragraphs;
    };

    QString title_;
    QDateTime date_ = QDateTime::currentDateTime();
    std::vector<QStringList> devices_;   // the first page's table, headings first
    std::vector<Section> sections_;
    std::vector<Picture> pictures_;

    Section titleSection() const;
    void add(const Section &section);
};

}  // namespace quillet
