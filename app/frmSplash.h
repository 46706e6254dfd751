#pragma once

#include <QPixmap>
#include <QWidget>

namespace quillet {

// The start-up picture, 320 x 240 inside a thin border, 325 x 245 outside, at the
// top-left corner of the screen.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    static constexpr int OuterWidth = 325;
    static constexpr int OuterHeight = 245;

    explicit frmSplash(const QPixmap &picture, QWidget *parent = nullptr);

    // Where the picture is drawn: 320 x 240 with the border's odd pixel right and below.
    static QRect pictureArea() { return {2, 2, 320, 240}; }

    // Shows the window and returns once it has been drawn (or after a short limit on a
    // display that never reports it), so the picture is up before a blocking wait.
    void showAndPaint();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture_;
};

}  // namespace quillet
