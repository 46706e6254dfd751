#pragma once

#include "editors/GridEditor.h"

namespace quillet {

// "Edit Device": the keys of one device on its four key pages, edited in place in the
// DeviceWorkset. OK sets EditResult 255; Cancel (or closing the window) sets 0.
class frmEditKey : public GridEditor {
    Q_OBJECT
public:
    frmEditKey(Globals &g, UiServices &ui, QWidget *parent = nullptr);

    // Rebuilds the keys, their texts and CellMap from the DeviceWorkset.
    void WORK_SET_KEY_DATA() { loadLayout(); }

protected:
    bool askNewLabel(int key, LabelChoice &label) override;
    void storeNewLabel(int key, int page, int record, const LabelChoice &label) override;
    bool askRelabel(int key, LabelChoice &label) override;
    void storeRelabel(int key, const LabelChoice &label) override;
    QString pointsAtNothing() const override;

private:
    // The label dialog; false when cancelled, else what it gave.
    bool showLabelDialog(LabelChoice &label);
};

}  // namespace quillet
