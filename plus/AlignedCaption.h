#pragma once

#include <QLabel>

#include <vector>

namespace quillet {

// A caption whose parts (separated in its text by runs of two or more blanks) each stand
// at a place of their own, so that they line up with the controls around them whatever
// the font. text() stays the caption as given, blanks included.
class AlignedCaption : public QLabel {
public:
    // Where a part stands, in the caption's coordinates: vertically centred on y, its
    // left edge at x, or its centre at x when centred.
    struct Place {
        int x = 0;
        int y = 0;
        bool centred = false;
    };

    using QLabel::QLabel;

    void setPlaces(std::vector<Place> places);
    QStringList parts() const;
    // The rectangle part i is drawn in.
    QRect partRect(int i) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<Place> places_;
};

}  // namespace quillet
