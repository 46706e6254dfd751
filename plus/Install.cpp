#include "plus/Install.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "plus/frmEditPlus.h"
#include "plus/frmPreview.h"

namespace quillet {

void installPlus(frmMain &w)
{
    // The main window reads the buffers before and writes them back after an OK.
    w.hooks.showEditPlus = [&w] {
        frmEditPlus page(w.globals(), w.ui(), &w);
        w.ui().showModal(page);
    };
    w.hooks.showPreview = [&w] { showPreview(w.globals(), w.ui(), w); };
}

}  // namespace quillet
