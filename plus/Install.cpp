#include "plus/Install.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "plus/frmEditPlus.h"

namespace quillet {

void installPlus(frmMain &w)
{
    // The main window reads the buffers before and writes them back after an OK.
    w.hooks.showEditPlus = [&w] {
        frmEditPlus page(w.globals(), w.ui(), &w);
        w.ui().showModal(page);
    };
}

}  // namespace quillet
