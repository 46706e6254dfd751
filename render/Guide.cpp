#include "render/Guide.h"

#include "core/Globals.h"
#include "core/MemoryImage.h"
#include "core/TextCodec.h"
#include "render/PictureFile.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
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

}  // namespace

Guide Guide::ofImage(const MemoryImage &image, const QString &title, const KeyFaces &faces)
{
    Guide g;
    g.title_ = title;

    auto menu = std::make_unique<MenuWorkset>();
    ReadMenuWorkset(image, *menu);
    DeviceNameFields names;
    BuildDeviceNames(*menu, names);

    Section menuSection;
    menuSection.heading = QStringLiteral("Main menu");
    menuSection.picture = menuPicture(*menu, faces);
    g.pictures_.push_back(*menuSection.picture);
    g.sections_.push_back(menuSection);

    auto device = std::make_unique<DeviceWorkset>();
    for (int bank = 0; bank < 10; ++bank) {
        const QString name = trimmedBoth(names[static_cast<size_t>(bank)]);
        if (name.isEmpty())
            continue;
        ReadDeviceWorkset(image, *device, bank);
        Section s;
        s.heading = name;
        s.picture = devicePicture(name, *device, faces);
        g.pictures_.push_back(*s.picture);
        g.sections_.push_back(s);
    }

    auto timers = std::make_unique<TimerWorkset>();
    ReadTimers(image, *timers);
    Section timerSection;
    timerSection.heading = QStringLiteral("Timers");
    timerSection.picture = timerPicture(timers->TimerNames, faces);
    g.pictures_.push_back(*timerSection.picture);
    g.sections_.push_back(timerSection);

    auto macros = std::make_unique<MacroWorkset>();
    ReadMacros(image, *macros);
    Section macroSection;
    macroSection.heading = QStringLiteral("Hot macros");
    macroSection.picture = macroPicture(macros->MacroNames, faces);
    g.pictures_.push_back(*macroSection.picture);
    g.sections_.push_back(macroSection);
    return g;
}

Guide Guide::ofModel(const DeviceWorkset &device, const QString &title, const KeyFaces &faces)
{
    Guide g;
    g.title_ = title;
    Section s;
    s.heading = QStringLiteral("MODEL");
    s.picture = devicePicture(s.heading, device, faces);
    g.pictures_.push_back(*s.picture);
    g.sections_.push_back(s);
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

Guide::Section Guide::titleSection() const
{
    Section s;
    s.heading = title_;
    s.subheading = QStringLiteral("Layout guide, %1").arg(QLocale(QLocale::English).toString(date_, QStringLiteral("d MMMM yyyy, HH:mm")));
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

bool Guide::writePdf(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        {
            QPdfWriter pdf(&file);
            pdf.setCreator(QStringLiteral("Quillet"));
            pdf.setTitle(title_);
            pdf.setResolution(PdfDpi);
            pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                          QPageLayout::Millimeter));
            paint(pdf);
        }
        if (file.error() == QFileDevice::NoError && file.commit())
            return true;
    }
    if (error)
        *error = file.errorString();
    return false;
}

}  // namespace quillet
