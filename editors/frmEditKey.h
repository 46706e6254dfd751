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
    bool askNewLabel(int key) override;
    void storeNewLabel(int key, int page, int record) override;
    void relabelKey(int key) override;

private:
    void showLabelDialog();
};

}  // namespace quillet
