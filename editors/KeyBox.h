#pragma once

#include "render/KeyFace.h"

#include <QWidget>

#include <span>

class QPainter;

namespace quillet {

// One key or device button: a small widget that owns its face as an image and shows it.
// The face is painted by the drawing family in render/; its owner sets the objectName
// ("PicKEY_3") and places it over a page.
class KeyBox : public QWidget, public FaceSurface {
    Q_OBJECT
public:
    explicit KeyBox(QWidget *parent = nullptr);

    // The face, always the size of the box; resizing the box starts a fresh face.
    QImage &face() override;
    const QImage &face() const { return const_cast<KeyBox *>(this)->face(); }

    QSize scale() const override { return scale_.isValid() ? scale_ : size(); }
    void setScale(const QSize &s) { scale_ = s; }

    void faceChanged() override { update(); }

    // For a screen reader: a key the user chooses one of (the key selector's) is checkable,
    // and the chosen one checked.
    void setCheckable(bool on);
    void setChecked(bool on);
    bool isCheckable() const { return checkable_; }
    bool isChecked() const { return checked_; }
    // A left click at the centre, sent as the mouse sends it: what a reader's Press does.
    void click();

signals:
    // Enter or Space on a focused key: what a click on it does.
    void activated();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QImage face_;
    QSize scale_;
    bool checkable_ = false;
    bool checked_ = false;
};

// The frame that marks keyboard focus (a focused key, the cell cursor): dark, bright and
// dark again, so it shows on a key face and on the page alike. Drawn in whole device
// pixels, so it stays sharp at any scaling.
void paintFocusFrame(QPainter &p, const QRect &rect, qreal devicePixelRatio);

// The visible, enabled key nearest to `from` in the direction of an arrow key, or nullptr.
KeyBox *neighbourKey(const QWidget *from, std::span<KeyBox *const> keys, int arrowKey);
// Keys the user chooses from are one stop of Tab, as a group of option buttons is: Tab
// enters at `current` (the first key shown when it is not), the arrows go from key to key.
void keyTabStop(std::span<KeyBox *const> keys, KeyBox *current);
// For the window's event filter on its keys: an arrow gives the focus to the neighbour
// that way (true: the event is used), and a key taking focus becomes the Tab stop.
bool keyNavigation(QObject *watched, QEvent *event, std::span<KeyBox *const> keys);

}  // namespace quillet
