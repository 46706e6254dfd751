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
    bool askNewLabel(int button) override;
    void storeNewLabel(int button, int page, int record) override;
    void relabelKey(int button) override;
    void keyDeleted(int button) override;

private:
    bool showNameDialog();
    // A button other than `except` bearing the name (blanks at both ends ignored).
    bool nameTaken(const QString &name, int except) const;
    void attributionChange(int button);
};

}  // namespace quillet
