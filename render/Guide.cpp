#include "render/Guide.h"

#include "core/FileIO.h"
#include "core/Globals.h"
#include "core/ImageReading.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "render/PictureFile.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QBuffer>

#include <algorithm>
#include <functional>
#include <memory>

namespace quillet {

namespace {

QFont guideFont(int pixels, bool bold = false)
{
    QFont f;
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont headingFont() { return guideFont(22, true); }
QFont subheadingFont() { return guideFont(13); }
QFont bodyFont() { return guideFont(12); }

// Lays the sections out top to bottom in layout pixels, turning pages as it goes.
class PageFlow {
public:
    PageFlow(QPainter &p, QPagedPaintDevice &device, QSizeF area)
        : p_(p)
        , device_(device)
        , area_(area)
    {
    }

    int pages() const { return pages_; }
    qreal width() const { return area_.width(); }

    void newPage()
    {
        device_.newPage();
        ++pages_;
        y_ = 0;
    }
    // Turns the page unless `height` still fits below what is there.
    void need(qreal height)
    {
        if (y_ > 0 && y_ + height > area_.height())
            newPage();
    }
    void skip(qreal height) { y_ += height; }

    void text(const QString &t, const QFont &font, qreal after)
    {
        p_.setFont(font);
        p_.setPen(Qt::black);
        const QRectF box = p_.boundingRect(QRectF(0, 0, width(), area_.height()), Qt::TextWordWrap, t);
        need(box.height());
        p_.drawText(QRectF(0, y_, width(), box.height()), Qt::TextWordWrap, t);
        y_ += box.height() + after;
    }

    // At the given scale, or smaller when it would not fit what is left of the page.
    void picture(const Picture &picture, qreal preferred)
    {
        need(picture.size.height() * preferred * 0.5);
        const qreal scale = std::min(preferred, (area_.height() - y_) / picture.size.height());
        p_.save();
        p_.translate(0, y_);
        p_.scale(scale, scale);
        picture.draw(p_);
        p_.restore();
        y_ += picture.size.height() * scale + 12;
    }

    void table(const std::vector<QStringList> &rows)
    {
        if (rows.empty())
            return;
        const QFontMetricsF fm(bodyFont(), p_.device());
        std::vector<qreal> columnX{0};
        for (int c = 0;; ++c) {
            qreal widest = 0;
            bool any = false;
            for (const QStringList &r : rows)
                if (c < r.size()) {
                    widest = std::max(widest, fm.horizontalAdvance(r[c]));
                    any = true;
                }
            if (!any)
                break;
            columnX.push_back(columnX.back() + widest + 24);
        }
        const qreal rowHeight = fm.height() + 4;
        for (size_t i = 0; i < rows.size(); ++i) {
            need(rowHeight);
            p_.setFont(i == 0 ? guideFont(12, true) : bodyFont());
            for (int c = 0; c < rows[i].size(); ++c)
                p_.drawText(QPointF(columnX[static_cast<size_t>(c)], y_ + fm.ascent()), rows[i][c]);
            y_ += rowHeight;
        }
        y_ += 8;
    }

private:
    QPainter &p_;
    QPagedPaintDevice &device_;
    QSizeF area_;
    int pages_ = 1;
    qreal y_ = 0;
};

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

// The labels of each page in words, so that every one can be found in the guide, also
// those a narrow key breaks over its lines: "PAGE 1: POWER, [Volume up], VOL".
template <typename Item>
QStringList pageLines(const std::vector<Item> &items, int pages, const std::function<QString(const Item &)> &label)
{
    QStringList out;
    for (int p = 0; p < pages; ++p) {
        QStringList labels;
        for (const Item &item : items)
            if (item.page == p)
                labels << label(item);
        if (!labels.isEmpty())
            out << QStringLiteral("PAGE %1: %2").arg(p + 1).arg(labels.join(QStringLiteral(", ")));
    }
    return out;
}

QStringList keyLines(const std::vector<KeyReading> &keys)
{
    return pageLines<KeyReading>(keys, DevicePages.pages, [](const KeyReading &k) { return k.name(); });
}

NameFields namesOf(const auto &readings)
{
    NameFields names;
    for (size_t i = 0; i < names.size(); ++i)
        names[i] = readings[i].name;
    return names;
}

}  // namespace

Guide Guide::ofImage(const MemoryImage &image, const QString &title, const KeyFaces &faces)
{
    Guide g;
    g.title_ = title;
    const ImageReading reading = readImage(image);

    g.devices_.push_back({QStringLiteral("Bank"), QStringLiteral("Device"), QStringLiteral("Kind")});
    for (const DeviceReading &d : reading.devices)
        g.devices_.push_back({QString::number(d.bank + 1), d.name, kindText(d.kind)});

    auto menu = std::make_unique<MenuWorkset>();
    ReadMenuWorkset(image, *menu);
    Section menuSection;
    menuSection.heading = QStringLiteral("Main menu");
    menuSection.picture = menuPicture(*menu, faces);
    menuSection.paragraphs = pageLines<MenuButtonReading>(reading.menu, MenuPages.pages,
                                                          [](const MenuButtonReading &b) { return b.label; });
    g.add(menuSection);

    auto device = std::make_unique<DeviceWorkset>();
    for (const DeviceReading &d : reading.devices) {
        ReadDeviceWorkset(image, *device, d.bank);
        Section s;
        s.heading = d.name;
        s.subheading = QStringLiteral("Bank %1, kind %2").arg(d.bank + 1).arg(kindText(d.kind));
        s.picture = devicePicture(d.name, *device, faces);
        s.paragraphs = keyLines(d.keys);
        g.add(s);
    }

    Section timers;
    timers.heading = QStringLiteral("Timers");
    timers.picture = timerPicture(namesOf(reading.timers), faces);
    timers.paragraphs = timerWords(reading);
    g.add(timers);

    Section macros;
    macros.heading = QStringLiteral("Hot macros");
    macros.picture = macroPicture(namesOf(reading.macros), faces);
    macros.paragraphs = macroWords(reading);
    g.add(macros);
    return g;
}

Guide Guide::ofModel(const DeviceWorkset &device, const QString &title, const KeyFaces &faces)
{
    Guide g;
    g.title_ = title;
    g.devices_ = {{QStringLiteral("Device"), QStringLiteral("Kind")}, {QStringLiteral("MODEL"), kindText(Empty)}};
    Section s;
    s.heading = QStringLiteral("MODEL");
    s.subheading = QStringLiteral("The device of a model file");
    s.picture = devicePicture(s.heading, device, faces);
    s.paragraphs = keyLines(readModel(device).keys);
    g.add(s);
    return g;
}

void Guide::add(const Section &section)
{
    if (section.picture)
        pictures_.push_back(*section.picture);
    sections_.push_back(section);
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

Guide::Section Guide::titleSection() const
{
    Section s;
    s.heading = title_;
    s.subheading = QStringLiteral("Layout guide, %1")
                       .arg(QLocale(QLocale::English).toString(date_, QStringLiteral("d MMMM yyyy, HH:mm")));
    s.table = devices_;
    return s;
}

int Guide::paint(QPagedPaintDevice &device) const
{
    QPainter p(&device);
    if (!p.isActive())
        return 0;
    const qreal dpi = device.logicalDpiX();
    const qreal scale = dpi / LayoutDpi;
    const QRectF area = device.pageLayout().paintRectPixels(static_cast<int>(dpi));
    p.scale(scale, scale);
    PageFlow flow(p, device, area.size() / scale);

    std::vector<Section> all{titleSection()};
    all.insert(all.end(), sections_.begin(), sections_.end());
    for (size_t i = 0; i < all.size(); ++i) {
        const Section &s = all[i];
        if (i > 0)
            flow.newPage();
        flow.text(s.heading, headingFont(), 4);
        if (!s.subheading.isEmpty())
            flow.text(s.subheading, subheadingFont(), 4);
        flow.skip(8);
        // Every screen at one scale, the device pages filling the width.
        if (s.picture)
            flow.picture(*s.picture, flow.width() / devicePictureFrame().width());
        flow.table(s.table);
        for (const QString &para : s.paragraphs)
            flow.text(para, bodyFont(), 6);
    }
    return flow.pages();
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

bool Guide::writePdf(const QString &path, QString *error, const SaveFileFactory &makeSaveFile) const
{
    // Drawn in memory, then written by the one guarded save.
    return saveWholeFile(path,
                         pdfBytes(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                              QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter)),
                         error, makeSaveFile);
}

}  // namespace quillet
