#include "editors/Install.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "editors/frmEditKey.h"
#include "editors/frmEditMENU.h"

namespace quillet {

void installEditors(frmMain &w)
{
    w.hooks.showEditKey = [&w] {
        frmEditKey editor(w.globals(), w.ui(), &w);
        w.ui().showModal(editor);
    };
    w.hooks.showEditMenu = [&w] {
        frmEditMENU editor(w.globals(), w.ui(), &w);
        w.ui().showModal(editor);
    };
}

}  // namespace quillet
