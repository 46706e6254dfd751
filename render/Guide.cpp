#include "render/Guide.h"

#include "core/FileIO.h"
#include "core/Globals.h"
#include "core/ImageReading.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "render/PictureFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace quillet {

namespace {

using Block = Guide::Block;

QFont guideFont(int pixels, bool bold = false)
{
    QFont f;
    f.setPixelSize(pixels);
    f.setBold(bold);
    // No ligatures: a search for "file" must find the word, as in every viewer.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

QFont headingFont() { return guideFont(22, true); }
QFont subheadingFont() { return guideFont(13); }
QFont partFont() { return guideFont(16, true); }
QFont bodyFont() { return guideFont(12); }
QFont tableFont() { return guideFont(11); }
QFont captionFont() { return guideFont(12, true); }
QFont footerFont() { return guideFont(10); }

// A cell of 20 layout pixels drawn at twice the size is 10.6 mm on paper; a device's pages
// are drawn smaller only to share a sheet with their key table, and never below 1.9
// (10.05 mm), so that every label can be read at arm's length.
constexpr qreal PageScale = 2.0;
constexpr qreal LeastPageScale = 1.9;
constexpr qreal PlusScale = 1.3;   // the timer and hot-macro keys
constexpr qreal Gap = 12;
constexpr qreal CaptionBand = 18;  // "PAGE n" over each page

// A text that wraps at `width`, with `after` of space below it.
Block textBlock(QPainter &p, const QString &text, const QFont &font, qreal width, qreal after,
                bool keepWithNext = false)
{
    p.setFont(font);
    const qreal height = p.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
    Block b;
    b.height = height + after;
    b.keepWithNext = keepWithNext;
    b.paint = [text, font, width, height](QPainter &q) {
        q.setFont(font);
        q.setPen(Qt::black);
        q.drawText(QRectF(0, 0, width, height), Qt::TextWordWrap, text);
    };
    return b;
}

// A heading and the line under it, kept with what follows.
Block headingBlock(QPainter &p, const QString &heading, const QString &subheading, qreal width, int entry)
{
    Block top = textBlock(p, heading, headingFont(), width, 2);
    Block under = textBlock(p, subheading, subheadingFont(), width, 10);
    if (subheading.isEmpty())
        under = {};
    Block b;
    b.height = top.height + under.height;
    b.keepWithNext = true;
    b.contentsEntry = entry;
    const qreal below = top.height;
    b.paint = [top, under, below](QPainter &q) {
        top.paint(q);
        if (under.paint) {
            q.translate(0, below);
            under.paint(q);
            q.translate(0, -below);
        }
    };
    return b;
}

// Rows of cells, the first row the column heads in bold. Every column but the last is as
// wide as its widest cell; the last takes the rest of `width` and wraps.
struct Table {
    std::vector<QStringList> rows;
    std::vector<qreal> columnX;
    std::vector<qreal> rowY;   // one more than rows: the last is the height
    qreal width = 0;

    Table(QPainter &p, std::vector<QStringList> cells, qreal tableWidth) : rows(std::move(cells)), width(tableWidth)
    {
        QFont heads = tableFont();
        heads.setBold(true);
        const QFontMetricsF headMetrics(heads, p.device());
        const QFontMetricsF metrics(tableFont(), p.device());
        size_t columns = 0;
        for (const QStringList &r : rows)
            columns = std::max(columns, static_cast<size_t>(r.size()));
        columnX.assign(1, 0);
        for (size_t c = 0; c + 1 < columns; ++c) {
            qreal widest = 0;
            for (size_t i = 0; i < rows.size(); ++i)
                if (c < static_cast<size_t>(rows[i].size()))
                    widest = std::max(widest, (i == 0 ? headMetrics : metrics)
                                                  .horizontalAdvance(rows[i][static_cast<qsizetype>(c)]));
            columnX.push_back(columnX.back() + widest + 10);
        }
        rowY.assign(1, 0);
        for (size_t i = 0; i < rows.size(); ++i) {
            p.setFont(i == 0 ? heads : tableFont());
            qreal h = (i == 0 ? headMetrics : metrics).height();
            if (!rows[i].isEmpty()) {
                const QRectF last(0, 0, lastWidth(), 1e6);
                h = std::max(h, p.boundingRect(last, Qt::TextWordWrap | Qt::TextWrapAnywhere, rows[i].last()).height());
            }
            rowY.push_back(rowY.back() + h + 2);
        }
    }
    qreal lastWidth() const { return std::max<qreal>(width - columnX.back(), 20); }
    qreal height() const { return rowY.back(); }

    void paint(QPainter &q) const
    {
        QFont heads = tableFont();
        heads.setBold(true);
        q.setPen(Qt::black);
        for (size_t i = 0; i < rows.size(); ++i) {
            q.setFont(i == 0 ? heads : tableFont());
            for (qsizetype c = 0; c < rows[i].size(); ++c) {
                const bool last = c + 1 == rows[i].size() && static_cast<size_t>(c) + 1 >= columnX.size();
                const qreal x = columnX[std::min(static_cast<size_t>(c), columnX.size() - 1)];
                const qreal w = last ? lastWidth() : columnX[static_cast<size_t>(c) + 1] - x;
                q.drawText(QRectF(x, rowY[i], w, rowY[i + 1] - rowY[i]), Qt::TextWordWrap | Qt::TextWrapAnywhere,
                           rows[i][c]);
            }
            if (i == 0) {
                q.setPen(QPen(Qt::gray, 0.5));
                q.drawLine(QPointF(0, rowY[1] - 1.5), QPointF(width, rowY[1] - 1.5));
                q.setPen(Qt::black);
            }
        }
    }
};

Block tableBlock(QPainter &p, const std::vector<QStringList> &rows, qreal width, qreal after)
{
    auto table = std::make_shared<Table>(p, rows, width);
    Block b;
    b.height = table->height() + after;
    b.paint = [table](QPainter &q) { table->paint(q); };
    return b;
}

// Pages side by side, `columns` to a row, each with "PAGE n" over it, centred in `width`.
struct PageGrid {
    std::vector<Picture> pages;
    int columns = 2;
    qreal scale = PageScale;

    qreal pageWidth() const { return PageWidth * scale; }
    qreal pageHeight() const { return PageHeight * scale; }
    int rows() const { return (static_cast<int>(pages.size()) + columns - 1) / columns; }
    qreal width() const { return columns * pageWidth() + (columns - 1) * Gap; }
    qreal height() const { return rows() * (CaptionBand + pageHeight()) + (rows() - 1) * Gap; }
    static qreal heightAt(int rows, qreal scale)
    {
        return rows * (CaptionBand + PageHeight * scale) + (rows - 1) * Gap;
    }

    void paint(QPainter &q, qreal areaWidth) const
    {
        const qreal left = (areaWidth - width()) / 2;
        for (size_t i = 0; i < pages.size(); ++i) {
            const qreal x = left + static_cast<qreal>(i % static_cast<size_t>(columns)) * (pageWidth() + Gap);
            const qreal y = static_cast<qreal>(i / static_cast<size_t>(columns)) * (CaptionBand + pageHeight() + Gap);
            q.setFont(captionFont());
            q.setPen(Qt::black);
            q.drawText(QRectF(x, y, pageWidth(), CaptionBand), Qt::AlignHCenter | Qt::AlignTop,
                       QStringLiteral("PAGE %1").arg(i + 1));
            q.save();
            q.translate(x, y + CaptionBand);
            q.scale(scale, scale);
            pages[i].draw(q);
            q.restore();
        }
    }
};

std::vector<Picture> presentPages(const auto &pages)
{
    std::vector<Picture> out;
    for (const auto &page : pages)
        if (page)
            out.push_back(*page);
    return out;
}

// A device's four pages two by two and its keys in a table under them, in up to three
// columns. The pages are as large as the sheet allows once the heading above them and the
// table have their room; where even the least size leaves no room for the table, the
// table goes on as a block of its own.
std::vector<Block> deviceBlocks(QPainter &p, const std::vector<Picture> &pages, const std::vector<QStringList> &keyRows,
                                QSizeF area, qreal headingHeight)
{
    const QStringList heads{QStringLiteral("Page"), QStringLiteral("Key"), QStringLiteral("Label")};
    const int n = static_cast<int>(keyRows.size());
    const int perColumn = std::max((n + 2) / 3, std::min(n, 8));
    const qreal columnWidth = (area.width() - 2 * Gap) / 3;
    std::vector<std::shared_ptr<Table>> tables;
    Block table;
    for (int first = 0; first < n; first += perColumn) {
        std::vector<QStringList> rows{heads};
        rows.insert(rows.end(), keyRows.begin() + first, keyRows.begin() + std::min(n, first + perColumn));
        tables.push_back(std::make_shared<Table>(p, rows, columnWidth));
        table.height = std::max(table.height, tables.back()->height() + Gap);
    }
    if (tables.empty()) {
        table = textBlock(p, QStringLiteral("No keys."), bodyFont(), area.width(), Gap);
    } else {
        table.paint = [tables, columnWidth](QPainter &q) {
            q.save();
            for (const auto &t : tables) {
                t->paint(q);
                q.translate(columnWidth + Gap, 0);
            }
            q.restore();
        };
    }

    const qreal room = area.height() - headingHeight - table.height;
    const qreal fits = (room - Gap - PageGrid::heightAt(2, 0)) / (2 * PageHeight);
    const qreal widthFits = (area.width() - Gap) / (2 * PageWidth);
    const PageGrid grid{pages, 2, std::max(LeastPageScale, std::min({PageScale, fits, widthFits}))};
    Block pagesBlock;
    pagesBlock.height = grid.height() + Gap;
    pagesBlock.paint = [grid, width = area.width()](QPainter &q) { grid.paint(q, width); };
    if (headingHeight + pagesBlock.height + table.height > area.height())
        return {pagesBlock, table};

    Block both;
    both.height = pagesBlock.height + table.height;
    both.paint = [pagesBlock, table](QPainter &q) {
        pagesBlock.paint(q);
        q.translate(0, pagesBlock.height);
        table.paint(q);
        q.translate(0, -pagesBlock.height);
    };
    return {both};
}

// The contents: each entry with its sheet number, joined by a dotted line.
Block contentsBlock(QPainter &p, const QStringList &entries, qreal width, const std::vector<int> *sheets)
{
    const QFontMetricsF metrics(bodyFont(), p.device());
    const qreal rowHeight = metrics.height() + 4;
    const qreal tableWidth = std::min<qreal>(width, 420);
    Block b;
    b.height = entries.size() * rowHeight + Gap;
    b.paint = [entries, rowHeight, tableWidth, sheets, metrics](QPainter &q) {
        q.setFont(bodyFont());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const qreal y = static_cast<qreal>(i) * rowHeight;
            const QString number = QString::number(static_cast<size_t>(i) < sheets->size() ? (*sheets)[static_cast<size_t>(i)] : 0);
            q.setPen(Qt::black);
            q.drawText(QRectF(0, y, tableWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, entries[i]);
            q.drawText(QRectF(0, y, tableWidth, rowHeight), Qt::AlignRight | Qt::AlignVCenter, number);
            const qreal from = metrics.horizontalAdvance(entries[i]) + 8;
            const qreal to = tableWidth - metrics.horizontalAdvance(number) - 8;
            if (to > from) {
                QPen dots(Qt::gray, 1, Qt::DotLine);
                q.setPen(dots);
                const qreal base = y + rowHeight / 2 + metrics.ascent() / 2 - 1;
                q.drawLine(QPointF(from, base), QPointF(to, base));
            }
        }
    };
    return b;
}

Block pictureBlock(const Picture &picture, qreal preferredScale, qreal width)
{
    const qreal scale = std::min(preferredScale, width / picture.size.width());
    Block b;
    b.height = picture.size.height() * scale + Gap;
    b.paint = [picture, scale](QPainter &q) {
        q.save();
        q.scale(scale, scale);
        picture.draw(q);
        q.restore();
    };
    return b;
}

QString orNumbered(const QString &name, const QString &what, int index)
{
    return trimmedBoth(name).isEmpty() ? QStringLiteral("%1 %2").arg(what).arg(index + 1) : trimmedBoth(name);
}

// The cycle of a timer as one says it: "Every day", "Monday to Friday", "24 December".
QString cycleWords(const TimerReading &t)
{
    static constexpr const char *days[7] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
    switch (t.cycle) {
    case timer::DailyCycle:
        return QStringLiteral("Every day");
    case timer::SpecificCycle:
        if (t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31)
            return QStringLiteral("%1 %2").arg(t.day).arg(QLocale(QLocale::English).monthName(t.month));
        return QStringLiteral("On %1").arg(dateText(t.month, t.day));
    case 9:   // "MONDAY-FRIDAY"
        return QStringLiteral("Monday to Friday");
    case 10:  // "MONDAY-SATURDAY"
        return QStringLiteral("Monday to Saturday");
    default:
        // "SUNDAY" to "SATURDAY"
        if (t.cycle >= 2 && t.cycle <= 8)
            return QString::fromLatin1(days[t.cycle - 2]);
        return cycleText(t.cycle);
    }
}

// "Wake up: Monday to Friday, 07:30, TV POWER"; timers never set are left out.
QStringList timerWords(const ImageReading &r)
{
    QStringList out;
    for (size_t i = 0; i < r.timers.size(); ++i) {
        const TimerReading &t = r.timers[i];
        if (trimmedBoth(t.name).isEmpty() && t.cycle == Empty)
            continue;
        const QString name = orNumbered(t.name, QStringLiteral("Timer"), static_cast<int>(i));
        if (t.cycle == timer::DisabledCycle)
            out << QStringLiteral("%1: disabled").arg(name);
        else
            out << QStringLiteral("%1: %2, %3, %4")
                       .arg(name, cycleWords(t), timeText(t.hour, t.minute), r.keyName(t.keyBank, t.key));
    }
    if (out.isEmpty())
        out << QStringLiteral("No timer is set.");
    return out;
}

// "Movie night: 1. TV POWER (0.5 Second), 2. AMP POWER (1 Second)".
QStringList macroWords(const ImageReading &r)
{
    QStringList out;
    for (size_t i = 0; i < r.macros.size(); ++i) {
        const MacroReading &m = r.macros[i];
        if (trimmedBoth(m.name).isEmpty() && m.steps.empty())
            continue;
        QStringList steps;
        for (const MacroStepReading &s : m.steps)
            steps << QStringLiteral("%1. %2 (%3)").arg(s.step).arg(r.keyName(s.bank, s.key), delayText(s.delayCode));
        const QString name = orNumbered(m.name, QStringLiteral("Macro"), static_cast<int>(i));
        out << QStringLiteral("%1: %2").arg(name, steps.isEmpty() ? QStringLiteral("no steps")
                                                                  : steps.join(QStringLiteral(", ")));
    }
    if (out.isEmpty())
        out << QStringLiteral("No hot macro is set.");
    return out;
}

// The menu's labels in words, so every one can be found in the guide, also those a
// narrow button breaks over its lines: "PAGE 1: TV, VCR, DVD".
QStringList menuLines(const std::vector<MenuButtonReading> &buttons)
{
    QStringList out;
    for (int p = 0; p < MenuPages.pages; ++p) {
        QStringList labels;
        for (const MenuButtonReading &b : buttons)
            if (b.page == p)
                labels << b.label;
        if (!labels.isEmpty())
            out << QStringLiteral("PAGE %1: %2").arg(p + 1).arg(labels.join(QStringLiteral(", ")));
    }
    return out;
}

// Page, key number and label (the text, or the icon's name) of every key the remote has,
// in page order, on the page of its first slot; a damaged one says so.
std::vector<QStringList> keyTable(const std::vector<KeyReading> &keys)
{
    std::vector<QStringList> rows;
    for (const KeyReading &k : keys) {
        const QString label = trimmedBoth(k.label.shown()).isEmpty() ? QStringLiteral("\u2014") : k.label.shown();
        rows.push_back({QString::number(k.page + 1), QString::number(k.key + 1),
                        k.damaged() ? label + QStringLiteral(" (damaged)") : label});
    }
    return rows;
}

NameFields namesOf(const auto &readings)
{
    NameFields names;
    for (size_t i = 0; i < names.size(); ++i)
        names[i] = readings[i].name;
    return names;
}

// Where each block goes: on which sheet, how far down. A block that does not fit below
// what is on the sheet (with the block it is kept with) starts the next sheet.
struct Placed {
    size_t block;
    int sheet;
    qreal y;
};

std::vector<Placed> flow(const std::vector<Block> &blocks, qreal sheetHeight, int *sheets)
{
    std::vector<Placed> out;
    int sheet = 0;
    qreal y = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        qreal need = blocks[i].height;
        if (blocks[i].keepWithNext && i + 1 < blocks.size())
            need += blocks[i + 1].height;
        // Half a pixel of rounding never turns a sheet.
        if (y > 0 && y + need > sheetHeight + 0.5) {
            ++sheet;
            y = 0;
        }
        out.push_back({i, sheet, y});
        y += blocks[i].height;
    }
    *sheets = sheet + 1;
    return out;
}

}  // namespace

QPageSize guidePaperSize(const QLocale &locale)
{
    static const QList<QLocale::Territory> letter{
        QLocale::UnitedStates, QLocale::Canada,     QLocale::Mexico,    QLocale::Philippines,
        QLocale::Colombia,     QLocale::Venezuela,  QLocale::Chile,     QLocale::CostaRica,
        QLocale::Guatemala,    QLocale::Panama,     QLocale::PuertoRico, QLocale::DominicanRepublic};
    const bool usesLetter =
        letter.contains(locale.territory()) || locale.measurementSystem() == QLocale::ImperialUSSystem;
    return QPageSize(usesLetter ? QPageSize::Letter : QPageSize::A4);
}

QLocale paperLocale()
{
    for (const char *variable : {"LC_ALL", "LC_PAPER", "LANG"}) {
        const QString name = qEnvironmentVariable(variable).section(QLatin1Char('.'), 0, 0);
        if (name.isEmpty())
            continue;
        if (name == QLatin1String("C") || name == QLatin1String("POSIX"))
            break;
        return QLocale(name);
    }
    return QLocale::system();
}

Guide Guide::ofImage(const MemoryImage &image, const QString &title, const KeyFaces &faces)
{
    Guide g;
    g.title_ = title;
    const ImageReading reading = readImage(image);

    g.devicesTable_.push_back({QStringLiteral("Bank"), QStringLiteral("Device"), QStringLiteral("Kind")});
    for (const DeviceReading &d : reading.devices)
        g.devicesTable_.push_back({QString::number(d.bank + 1), d.name, kindText(d.kind)});

    auto menu = std::make_unique<MenuWorkset>();
    ReadMenuWorkset(image, *menu);
    for (int page = 0; page < MenuPages.pages; ++page)
        g.menuPages_[static_cast<size_t>(page)] = menuPagePicture(*menu, page, faces);
    g.menuWords_ = menuLines(reading.menu);
    g.pictures_.push_back(menuPicture(*menu, faces));

    auto device = std::make_unique<DeviceWorkset>();
    for (const DeviceReading &d : reading.devices) {
        ReadDeviceWorkset(image, *device, d.bank);
        Device entry;
        entry.heading = d.name;
        entry.subheading = QStringLiteral("Bank %1, kind %2").arg(d.bank + 1).arg(kindText(d.kind));
        for (int page = 0; page < DevicePages.pages; ++page)
            entry.pages[static_cast<size_t>(page)] = devicePagePicture(*device, page, faces);
        entry.keyRows = keyTable(d.standing);
        g.devices_.push_back(entry);
        g.pictures_.push_back(devicePicture(d.name, *device, faces));
    }

    Section timers;
    timers.heading = QStringLiteral("Timers");
    timers.picture = timerPicture(namesOf(reading.timers), faces);
    timers.paragraphs = timerWords(reading);
    g.sections_.push_back(timers);
    g.pictures_.push_back(*timers.picture);

    Section macros;
    macros.heading = QStringLiteral("Hot macros");
    macros.picture = macroPicture(namesOf(reading.macros), faces);
    macros.paragraphs = macroWords(reading);
    g.sections_.push_back(macros);
    g.pictures_.push_back(*macros.picture);
    return g;
}

Guide Guide::ofModel(const DeviceWorkset &device, const QString &title, const KeyFaces &faces)
{
    Guide g;
    g.title_ = title;
    g.model_ = true;
    Device entry;
    for (int page = 0; page < DevicePages.pages; ++page)
        entry.pages[static_cast<size_t>(page)] = devicePagePicture(device, page, faces);
    entry.keyRows = keyTable(readModel(device).standing);
    g.devices_.push_back(entry);
    g.pictures_.push_back(devicePicture(QStringLiteral("MODEL"), device, faces));
    return g;
}

Guide Guide::ofDocument(const Globals &g, const KeyFaces &faces)
{
    QString title = QFileInfo(g.CurrentFile).fileName();
    if (title.isEmpty())
        title = QStringLiteral("Remote layout (not saved)");
    if (g.LoadedKind == 1)
        return ofImage(g.Image, title, faces);
    if (g.LoadedKind == 2)
        return ofModel(g, title, faces);
    return {};
}

QStringList Guide::contentsEntries() const
{
    QStringList entries{QStringLiteral("Main menu")};
    for (const Device &d : devices_)
        entries << d.heading;
    for (const Section &s : sections_)
        entries << s.heading;
    return entries;
}

std::vector<Guide::Block> Guide::blocks(QPainter &p, QSizeF area, const std::vector<int> *entrySheets) const
{
    const qreal width = area.width();
    const QString when = QLocale(QLocale::English).toString(date_, QStringLiteral("d MMMM yyyy, HH:mm"));
    std::vector<Block> out;

    if (model_) {
        // One device on one sheet, titled with the file.
        const Block heading = headingBlock(p, title_, QStringLiteral("Layout guide of a model file, %1").arg(when),
                                           width, -1);
        out.push_back(heading);
        const Device &d = devices_.front();
        for (Block &b : deviceBlocks(p, presentPages(d.pages), d.keyRows, area, heading.height))
            out.push_back(b);
        return out;
    }

    int entry = 0;
    out.push_back(headingBlock(p, title_, QStringLiteral("Layout guide, %1").arg(when), width, -1));
    if (devicesTable_.size() > 1)
        out.push_back(tableBlock(p, devicesTable_, std::min<qreal>(width, 420), Gap));
    else if (!devicesTable_.empty())
        out.push_back(textBlock(p, QStringLiteral("No device is named on the main menu."), bodyFont(), width, Gap));

    if (menuPages_.front()) {
        Block part = textBlock(p, QStringLiteral("Main menu"), partFont(), width, 6, true);
        part.contentsEntry = entry;
        out.push_back(part);
        const PageGrid menu{presentPages(menuPages_), 2, PageScale};
        Block pages;
        pages.height = menu.height() + Gap;
        pages.paint = [menu, width](QPainter &q) { menu.paint(q, width); };
        out.push_back(pages);
        for (const QString &line : menuWords_)
            out.push_back(textBlock(p, line, bodyFont(), width, 4));
        out.back().height += Gap;
    }
    ++entry;
    out.push_back(textBlock(p, QStringLiteral("Contents"), partFont(), width, 6, true));
    out.push_back(contentsBlock(p, contentsEntries(), width, entrySheets));

    for (const Device &d : devices_) {
        const Block heading = headingBlock(p, d.heading, d.subheading, width, entry++);
        out.push_back(heading);
        for (Block &b : deviceBlocks(p, presentPages(d.pages), d.keyRows, area, heading.height))
            out.push_back(b);
    }
    for (const Section &s : sections_) {
        out.push_back(headingBlock(p, s.heading, QString(), width, entry++));
        if (s.picture)
            out.push_back(pictureBlock(*s.picture, PlusScale, width));
        for (const QString &para : s.paragraphs)
            out.push_back(textBlock(p, para, bodyFont(), width, 6));
    }
    return out;
}

int Guide::paint(QPagedPaintDevice &device) const
{
    QPainter p(&device);
    if (!p.isActive())
        return 0;
    const qreal dpi = device.logicalDpiX();
    const qreal scale = dpi / LayoutDpi;
    const QSizeF area = QSizeF(device.pageLayout().paintRectPixels(static_cast<int>(dpi)).size()) / scale;
    p.scale(scale, scale);

    // The contents' numbers are known once every block has its sheet; they are read when
    // the contents are painted.
    std::vector<int> entrySheets;
    const std::vector<Block> all = blocks(p, area, &entrySheets);
    int sheets = 0;
    const std::vector<Placed> placed = flow(all, area.height(), &sheets);
    entrySheets.assign(static_cast<size_t>(contentsEntries().size()), 0);
    for (const Placed &at : placed) {
        const int entry = all[at.block].contentsEntry;
        if (entry >= 0 && static_cast<size_t>(entry) < entrySheets.size())
            entrySheets[static_cast<size_t>(entry)] = at.sheet + 1;
    }

    // The sheet's number in the bottom margin, when there is more than one.
    auto footer = [&](int sheet) {
        if (sheets < 2)
            return;
        p.setFont(footerFont());
        p.setPen(Qt::darkGray);
        p.drawText(QRectF(0, area.height() + 8, area.width(), 16), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("%1 \u2014 %2 / %3").arg(title_).arg(sheet + 1).arg(sheets));
    };
    int current = 0;
    for (const Placed &at : placed) {
        if (at.sheet != current) {
            footer(current);
            device.newPage();
            current = at.sheet;
        }
        p.save();
        p.translate(0, at.y);
        all[at.block].paint(p);
        p.restore();
    }
    footer(current);
    return sheets;
}

QByteArray Guide::pdfBytes(const QPageLayout &layout) const
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&out);
        pdf.setCreator(QStringLiteral("Quillet"));
        pdf.setTitle(title_);
        pdf.setResolution(PdfDpi);
        pdf.setPageLayout(layout);
        paint(pdf);
    }
    return bytes;
}

bool Guide::writePdf(const QString &path, const QPageSize &paper, QString *error,
                     const SaveFileFactory &makeSaveFile) const
{
    // Drawn in memory, then written by the one guarded save.
    const QPageLayout layout(paper, QPageLayout::Portrait, QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                             QPageLayout::Millimeter);
    return saveWholeFile(path, pdfBytes(layout), error, makeSaveFile);
}

}  // namespace quillet
