#include "app/WindowPlacement.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace quillet {

namespace {

QMargins frameOf(const QWidget *w)
{
    if (!w || !w->isVisible())
        return {};
    const QRect outer = w->frameGeometry();
    const QRect inner = w->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

}  // namespace

QRect fitIntoArea(const QRect &client, const QMargins &frame, const QRect &area, const QSize &minimum)
{
    const QRect room = area.marginsRemoved(frame);
    QRect r(client.topLeft(), client.size().boundedTo(room.size()).expandedTo(minimum));
    // Right and bottom first, so that a window larger than the room keeps its top-left
    // corner (title bar and menus) on the screen.
    if (r.right() > room.right())
        r.moveRight(room.right());
    if (r.bottom() > room.bottom())
        r.moveBottom(room.bottom());
    r.moveLeft(std::max(r.left(), room.left()));
    r.moveTop(std::max(r.top(), room.top()));
    return r;
}

void fitIntoScreen(QWidget &window)
{
    if (window.isMaximized() || window.isFullScreen())
        return;
    QScreen *screen = window.screen() ? window.screen() : QApplication::primaryScreen();
    if (!screen)
        return;
    // The window's own frame once the window system has framed it; until then one of
    // the program's framed windows tells how large a frame is.
    QMargins frame = frameOf(&window);
    if (frame.isNull() && window.parentWidget())
        frame = frameOf(window.parentWidget()->window());
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.cbegin(); frame.isNull() && it != windows.cend(); ++it)
        frame = frameOf(*it);
    const QRect fitted = fitIntoArea(window.geometry(), frame, screen->availableGeometry(), window.minimumSize());
    // A window not yet placed is placed by the toolkit (a dialog over its owner, kept on
    // the screen); only one that has a place of its own is moved here.
    if (window.isVisible() || window.testAttribute(Qt::WA_Moved)) {
        if (fitted != window.geometry())
            window.setGeometry(fitted);
    }
else if (fitted.size() != window.size())
        window.resize(fitted.size());
}

void fitIntoScreenWhenShown(QWidget &window)
{
    fitIntoScreen(window);
    // Once shown, the window's frame is known and its place final.
    QTimer::singleShot(0, &window, [&window] { fitIntoScreen(window); });
}

}  // namespace quillet
