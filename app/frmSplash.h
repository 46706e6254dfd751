#pragma once

#include <QPixmap>
#include <QWidget>

namespace quillet {

// The start-up picture, 320 x 240, at the top-left corner of the screen.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(const QPixmap &picture, QWidget *parent = nullptr);

    // Shows the window and returns once it has been drawn (or after a short limit on a
    // display that never reports it), so the picture is up before a blocking wait.
    void showAndPaint();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture_;
};

}  // namespace quillet
