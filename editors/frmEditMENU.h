#pragma once

#include "editors/GridEditor.h"

namespace quillet {

// "Edit Main Menu": the device buttons 0..9 on the two menu pages, edited in place in the
// MenuWorkset. Giving a button a new kind loads that kind's stored layout into the bank
// of the image at once (Cancel does not undo that).
class frmEditMENU : public GridEditor {
    Q_OBJECT
public:
    frmEditMENU(Globals &g, UiServices &ui, QWidget *parent = nullptr);

protected:
    bool askNewLabel(int button, LabelChoice &label) override;
    void storeNewLabel(int button, int page, int record, const LabelChoice &label) override;
    bool askRelabel(int button, LabelChoice &label) override;
    void storeRelabel(int button, const LabelChoice &label) override;
    void keyDeleted(int button) override;
    QString pointsAtNothing() const override;
    // A button's kind, and its bank in the image, which a new kind replaces: Undo puts
    // both back.
    std::vector<Byte> saveExtra(int button) const override;
    void restoreExtra(int button, const std::vector<Byte> &extra) override;

private:
    // The name dialog; false when cancelled, else the name and kind it gave.
    bool showNameDialog(LabelChoice &label);
    // A button other than `except` bearing the name (blanks at both ends ignored).
    bool nameTaken(const QString &name, int except) const;
    // Asks before a new kind's default layout replaces the keys the bank holds; a kind
    // refused stays as it was. Asked once, with the name: Redo makes the same edit again.
    void confirmKindChange(int button, LabelChoice &label);
    void attributionChange(int button, int attribution);
};

}  // namespace quillet
