#include "app/frmSplash.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QWindow>
#include <qdrawutil.h>

namespace quillet {

frmSplash::frmSplash(const QPixmap &picture, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), picture_(picture)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Quillet"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(OuterWidth, OuterHeight);
    move(0, 0);
}

void frmSplash::showAndPaint()
{
    show();
    QElapsedTimer clock;
    clock.start();
    // The window system maps the window asynchronously; only paint and window events are
    // let through, never user input.
    while (clock.elapsed() < 500 && !(windowHandle() && windowHandle()->isExposed()))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmSplash::paintEvent(QPaintEvent *)
{
    // A thin raised border around the picture.
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    qDrawShadePanel(&p, rect(), palette(), false, 2);
    p.drawPixmap(pictureArea(), picture_);
}

}  // namespace quillet
