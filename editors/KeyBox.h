#pragma once

#include "render/KeyFace.h"

#include <QWidget>

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

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage face_;
    QSize scale_;
};

}  // namespace quillet
