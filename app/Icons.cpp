#include "app/Icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace quillet {

namespace {

using Draw = std::function<void(QPainter &)>;

// Every icon is drawn on a 24 x 24 grid and rendered at two sizes so it stays crisp.
QIcon render(const Draw &draw)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

const QColor Outline(60, 60, 70);
const QColor FolderFill(240, 196, 80);
const QColor FolderDark(205, 150, 40);
const QColor Paper(250, 250, 250);
const QColor DataBlue(50, 110, 200);
const QColor ModelGreen(40, 150, 80);
const QColor RemoteBody(70, 75, 90);
const QColor Red(205, 50, 50);

QPen pen(const QColor &c, qreal w = 1.2)
{
    QPen pn(c, w);
    pn.setJoinStyle(Qt::RoundJoin);
    pn.setCapStyle(Qt::RoundCap);
    return pn;
}

void folder(QPainter &p, bool open = false)
{
    p.setPen(pen(FolderDark.darker(130)));
    p.setBrush(FolderDark);
    QPainterPath back;
    back.moveTo(2, 6);
    back.lineTo(9, 6);
    back.lineTo(11, 8);
    back.lineTo(21, 8);
    back.lineTo(21, 19);
    back.lineTo(2, 19);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(FolderFill);
    if (open) {
        QPolygonF front{{5, 11}, {23, 11}, {20, 19}, {2, 19}};
        p.drawPolygon(front);
    } else {
        p.drawRoundedRect(QRectF(2, 10, 19, 9), 1, 1);
    }
}

void document(QPainter &p, const QColor &band, const QString &letter = QString())
{
    p.setPen(pen(Outline));
    p.setBrush(Paper);
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(15, 2);
    page.lineTo(20, 7);
    page.lineTo(20, 22);
    page.lineTo(5, 22);
    page.closeSubpath();
    p.drawPath(page);
    p.drawLine(QPointF(15, 2), QPointF(15, 7));
    p.drawLine(QPointF(15, 7), QPointF(20, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRect(QRectF(7, 12, 11, 8));
    if (!letter.isEmpty()) {
        QFont f;
        f.setPixelSize(8);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(7, 12, 11, 8), Qt::AlignCenter, letter);
    }
}

void disk(QPainter &p)
{
    p.setPen(pen(QColor(30, 60, 120)));
    p.setBrush(DataBlue);
    QPainterPath body;
    body.moveTo(3, 3);
    body.lineTo(18, 3);
    body.lineTo(21, 6);
    body.lineTo(21, 21);
    body.lineTo(3, 21);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(220, 225, 235));
    p.drawRect(QRectF(7, 3, 9, 6));
    p.setBrush(Paper);
    p.drawRect(QRectF(6, 13, 12, 8));
}

void pencil(QPainter &p)
{
    p.save();
    p.translate(17, 15);
    p.rotate(45);
    p.setPen(pen(Outline, 1));
    p.setBrush(QColor(250, 200, 60));
    p.drawRect(QRectF(-2, -9, 4, 12));
    p.setBrush(QColor(240, 210, 170));
    QPolygonF tip{{-2, 3}, {2, 3}, {0, 7}};
    p.drawPolygon(tip);
    p.restore();
}

void remote(QPainter &p, qreal x = 6, qreal w = 12)
{
    p.setPen(pen(RemoteBody.darker(140)));
    p.setBrush(RemoteBody);
    p.drawRoundedRect(QRectF(x, 2, w, 20), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(Red);
    p.drawEllipse(QPointF(x + w / 2, 5.5), 1.6, 1.6);
    p.setBrush(QColor(200, 215, 235));
    p.drawRoundedRect(QRectF(x + 2, 8.5, w - 4, 5), 1, 1);
    p.setBrush(QColor(230, 230, 230));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            p.drawEllipse(QPointF(x + 2.8 + c * (w - 5.6) / 2, 16 + r * 3.2), 0.9, 0.9);
}

void menuGrid(QPainter &p)
{
    p.setPen(pen(Outline));
    p.setBrush(QColor(235, 238, 245));
    p.drawRoundedRect(QRectF(2, 3, 20, 18), 2, 2);
    p.setBrush(DataBlue);
    p.setPen(Qt::NoPen);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            p.drawRoundedRect(QRectF(4.5 + c * 8, 5.5 + r * 5, 7, 3.5), 1, 1);
}

void arrow(QPainter &p, QPointF from, QPointF to, const QColor &c)
{
    p.setPen(pen(c, 2.4));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    const QPointF u(d.x() / len, d.y() / len);
    const QPointF n(-u.y(), u.x());
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPolygonF head{to + u * 2.5, to - u * 3 + n * 3.5, to - u * 3 - n * 3.5};
    p.drawPolygon(head);
}

void turnArrow(QPainter &p, bool mirrored)
{
    if (mirrored) {
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    const QColor c = DataBlue;
    p.setPen(pen(c, 2.4));
    p.setBrush(Qt::NoBrush);
    QPainterPath path(QPointF(8, 9));
    path.lineTo(14, 9);
    path.cubicTo(QPointF(22, 9), QPointF(22, 20), QPointF(14, 20));
    path.lineTo(8, 20);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF{{3, 9}, {9, 4}, {9, 14}});
}

void tray(QPainter &p)
{
    p.setPen(pen(Outline, 1.6));
    p.setBrush(Qt::NoBrush);
    QPolygonF t{{3, 15}, {3, 21}, {21, 21}, {21, 15}};
    p.drawPolyline(t);
}

// "Not equal": what a comparison finds.
void compareMarks(QPainter &p, QPointF at)
{
    p.setPen(pen(Red, 2));
    p.drawLine(at + QPointF(1, 4), at + QPointF(9, 4));
    p.drawLine(at + QPointF(1, 8), at + QPointF(9, 8));
    p.drawLine(at + QPointF(7, 1), at + QPointF(3, 11));
}

void bolt(QPainter &p, QPointF at, qreal s, const QColor &c)
{
    p.setPen(pen(c.darker(150), 0.8));
    p.setBrush(c);
    QPolygonF b{{4, 0}, {0, 6}, {3, 6}, {1, 11}, {7, 4}, {4, 4}, {6, 0}};
    for (auto &pt : b)
        pt = at + pt * s;
    p.drawPolygon(b);
}

void box(QPainter &p)
{
    p.setPen(pen(QColor(120, 80, 30)));
    p.setBrush(QColor(205, 160, 100));
    p.drawRect(QRectF(3, 9, 18, 12));
    p.setBrush(QColor(225, 185, 125));
    QPolygonF lid{{2, 5}, {22, 5}, {22, 9}, {2, 9}};
    p.drawPolygon(lid);
    p.setBrush(QColor(120, 80, 30));
    p.drawRect(QRectF(9, 12, 6, 2));
}

const QHash<QString, Draw> &commandDrawings()
{
    static const QHash<QString, Draw> drawings{
        {QStringLiteral("mnuFileOpenDATA"), [](QPainter &p) { folder(p, true); }},
        {QStringLiteral("mnuFileOpenMODEL"),
         [](QPainter &p) {
             folder(p, true);
             p.setPen(Qt::NoPen);
             p.setBrush(ModelGreen);
             p.drawEllipse(QPointF(18, 6), 4, 4);
         }},
        {QStringLiteral("mnuFileSave"), [](QPainter &p) { disk(p); }},
        {QStringLiteral("mnuFileSaveAs"),
         [](QPainter &p) {
             disk(p);
             pencil(p);
         }},
        {QStringLiteral("mnuFileCompare"),
         [](QPainter &p) {
             p.save();
             p.translate(-3, -1);
             p.scale(0.8, 0.8);
             document(p, DataBlue);
             p.translate(9, 6);
             document(p, DataBlue);
             p.restore();
             compareMarks(p, {13, 1});
         }},
        {QStringLiteral("mnuFileExport"),
         [](QPainter &p) {
             document(p, QColor(120, 170, 225));
             arrow(p, {9, 16}, {22, 16}, ModelGreen);
         }},
        // Export's page with the arrow turned inwards.
        {QStringLiteral("mnuFileImportText"),
         [](QPainter &p) {
             document(p, QColor(120, 170, 225));
             arrow(p, {22, 16}, {9, 16}, ModelGreen);
         }},
        {QStringLiteral("mnuFilePrint"),
         [](QPainter &p) {
             p.setPen(pen(Outline));
             p.setBrush(Paper);
             p.drawRect(QRectF(7, 2, 10, 8));
             p.setBrush(QColor(150, 160, 175));
             p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
             p.setBrush(Paper);
             p.drawRect(QRectF(7, 15, 10, 7));
             p.setPen(Qt::NoPen);
             p.setBrush(ModelGreen);
             p.drawEllipse(QPointF(18.5, 12), 1, 1);
         }},
        {QStringLiteral("mnuLoad"),
         [](QPainter &p) {
             folder(p);
             bolt(p, {12, 8}, 1.3, QColor(255, 220, 40));
         }},
        {QStringLiteral("mnuDelete"),
         [](QPainter &p) {
             p.setPen(pen(Red, 3.2));
             p.drawLine(QPointF(6, 6), QPointF(18, 18));
             p.drawLine(QPointF(18, 6), QPointF(6, 18));
         }},
        {QStringLiteral("mnuRENAME"),
         [](QPainter &p) {
             p.setPen(pen(Outline));
             p.setBrush(Paper);
             p.drawRect(QRectF(2, 7, 20, 10));
             QFont f;
             f.setPixelSize(8);
             f.setBold(true);
             p.setFont(f);
             p.setPen(DataBlue);
             p.drawText(QRectF(3, 7, 14, 10), Qt::AlignCenter, QStringLiteral("ab"));
             p.setPen(pen(Outline, 1.2));
             p.drawLine(QPointF(18, 5), QPointF(18, 19));
             p.drawLine(QPointF(16, 5), QPointF(20, 5));
             p.drawLine(QPointF(16, 19), QPointF(20, 19));
         }},
        {QStringLiteral("mnuMenuEdit"), [](QPainter &p) { menuGrid(p); }},
        {QStringLiteral("mnuKeyEdit"),
         [](QPainter &p) {
             remote(p, 4, 11);
             pencil(p);
         }},
        {QStringLiteral("mnuModelLoad"),
         [](QPainter &p) {
             document(p, ModelGreen, QStringLiteral("M"));
             arrow(p, {1, 5}, {9, 5}, QColor(30, 140, 60));
         }},
        {QStringLiteral("mnuModelSave"),
         [](QPainter &p) {
             document(p, ModelGreen, QStringLiteral("M"));
             arrow(p, {13, 5}, {22, 5}, QColor(30, 140, 60));
         }},
        {QStringLiteral("mnuOEMLoad"), [](QPainter &p) { box(p); }},
        {QStringLiteral("mnuTimer"),
         [](QPainter &p) {
             p.setPen(pen(Outline, 1.4));
             p.setBrush(Paper);
             p.drawEllipse(QPointF(12, 13), 9, 9);
             p.setPen(pen(Red, 1.8));
             p.drawLine(QPointF(12, 13), QPointF(12, 7));
             p.setPen(pen(Outline, 1.8));
             p.drawLine(QPointF(12, 13), QPointF(16, 15));
             p.setPen(pen(Outline, 2));
             p.drawLine(QPointF(9, 2), QPointF(15, 2));
         }},
        {QStringLiteral("mnuMacro"),
         [](QPainter &p) {
             p.setPen(Qt::NoPen);
             p.setBrush(DataBlue);
             for (int i = 0; i < 3; ++i)
                 p.drawRoundedRect(QRectF(2 + i * 3, 14 - i * 4, 6, 6), 1, 1);
             bolt(p, {13, 5}, 1.3, QColor(255, 170, 30));
         }},
        {QStringLiteral("mnuDOWN"),
         [](QPainter &p) {
             tray(p);
             arrow(p, {12, 2}, {12, 14}, DataBlue);
         }},
        {QStringLiteral("mnuUP"),
         [](QPainter &p) {
             tray(p);
             arrow(p, {12, 17}, {12, 5}, ModelGreen);
         }},
        {QStringLiteral("mnuCompareRemote"),
         [](QPainter &p) {
             tray(p);
             arrow(p, {7, 2}, {7, 13}, DataBlue);
             compareMarks(p, {13, 4});
         }},
        {QStringLiteral("mnuPORT"),
         [](QPainter &p) {
             p.setPen(pen(Outline, 1.2));
             p.setBrush(QColor(150, 160, 175));
             QPolygonF plug{{2, 7}, {22, 7}, {19, 17}, {5, 17}};
             p.drawPolygon(plug);
             p.setPen(Qt::NoPen);
             p.setBrush(QColor(40, 40, 50));
             for (int i = 0; i < 5; ++i)
                 p.drawEllipse(QPointF(5.5 + i * 3.25, 10.5), 1, 1);
             for (int i = 0; i < 4; ++i)
                 p.drawEllipse(QPointF(7 + i * 3.3, 14), 1, 1);
         }},
        {QStringLiteral("mnuHelpContents"),
         [](QPainter &p) {
             p.setPen(Qt::NoPen);
             p.setBrush(DataBlue);
             p.drawEllipse(QPointF(12, 12), 10, 10);
             QFont f;
             f.setPixelSize(15);
             f.setBold(true);
             p.setFont(f);
             p.setPen(Qt::white);
             p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
         }},
        {QStringLiteral("mnuHelpAbout"),
         [](QPainter &p) {
             p.setPen(Qt::NoPen);
             p.setBrush(DataBlue);
             p.drawEllipse(QPointF(12, 12), 10, 10);
             QFont f;
             f.setPixelSize(14);
             f.setBold(true);
             p.setFont(f);
             p.setPen(Qt::white);
             p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("i"));
         }},
        // A turn back to the left, and its mirror.
        {QStringLiteral("mnuUndo"), [](QPainter &p) { turnArrow(p, false); }},
        {QStringLiteral("mnuRedo"), [](QPainter &p) { turnArrow(p, true); }},
        // The pages the remote held, one behind the other, with a clock.
        {QStringLiteral("mnuHistory"),
         [](QPainter &p) {
             p.save();
             p.translate(-2, -1);
             p.scale(0.8, 0.8);
             document(p, DataBlue);
             p.restore();
             p.setPen(pen(Outline, 1.4));
             p.setBrush(Paper);
             p.drawEllipse(QPointF(15.5, 15.5), 6.5, 6.5);
             p.drawLine(QPointF(15.5, 15.5), QPointF(15.5, 11.5));
             p.drawLine(QPointF(15.5, 15.5), QPointF(18.5, 15.5));
         }},
        {QStringLiteral("mnuFileClose"),
         [](QPainter &p) {
             p.setPen(pen(Outline, 1.4));
             p.setBrush(QColor(235, 235, 235));
             p.drawRect(QRectF(4, 3, 11, 18));
             arrow(p, {10, 12}, {20, 12}, Red);
         }},
    };
    return drawings;
}

}  // namespace

QIcon commandIcon(const QString &name)
{
    static QHash<QString, QIcon> cache;
    auto it = cache.constFind(name);
    if (it != cache.constEnd())
        return *it;
    const auto &drawings = commandDrawings();
    auto d = drawings.constFind(name);
    QIcon icon = d == drawings.constEnd() ? QIcon() : render(*d);
    cache.insert(name, icon);
    return icon;
}

QIcon treeIcon(int position)
{
    static QHash<int, QIcon> cache;
    if (auto it = cache.constFind(position); it != cache.constEnd())
        return *it;
    QIcon icon;
    switch (position) {
    case 2:
        icon = render([](QPainter &p) { folder(p); });
        break;
    case 4:
        icon = render([](QPainter &p) { document(p, DataBlue, QStringLiteral("D")); });
        break;
    case 5:
        icon = render([](QPainter &p) { document(p, ModelGreen, QStringLiteral("M")); });
        break;
    case 6:
        icon = render([](QPainter &p) {
            folder(p);
            remote(p, 13, 8);
        });
        break;
    default:
        break;
    }
    cache.insert(position, icon);
    return icon;
}

QIcon listIcon(int position)
{
    static QHash<int, QIcon> cache;
    if (auto it = cache.constFind(position); it != cache.constEnd())
        return *it;
    QIcon icon;
    switch (position) {
    case 1:
        icon = render([](QPainter &p) { menuGrid(p); });
        break;
    case 2:
        icon = render([](QPainter &p) { remote(p); });
        break;
    case 3:
        icon = render([](QPainter &p) { box(p); });
        break;
    default:
        break;
    }
    cache.insert(position, icon);
    return icon;
}

}  // namespace quillet
