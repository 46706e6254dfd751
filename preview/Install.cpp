#include "preview/Install.h"

#include "app/frmMain.h"
#include "preview/frmPreview.h"

namespace quillet {

void installPreview(frmMain &w)
{
    w.hooks.showPreview = [&w] { showPreview(w.globals(), w.ui(), w); };
}

}  // namespace quillet
