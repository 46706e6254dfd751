#pragma once

#include <QImage>
#include <QWidget>

namespace quillet {

// A picture of the remote, drawn by render/ in layout pixels and shown at a scale, with
// the keyboard's cursor frame over it. It only reports where the mouse went down and up;
// the window decides what that means.
class RemoteView : public QWidget {
    Q_OBJECT
public:
    explicit RemoteView(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    void setScale(int percent);
    void setCursorRect(const QRect &layoutRect);   // empty: no cursor
    QPoint toWidget(QPoint layout) const;           // for whoever clicks on a layout place
    QSize sizeHint() const override;
    QSize pictureSize() const { return picture_.size(); }
    const QImage &picture() const { return picture_; }

signals:
    void pressedAt(QPoint layout);
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage picture_;
    QRect cursor_;
    int percent_ = 100;
};

}  // namespace quillet
