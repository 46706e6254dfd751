#include "link/CompareWithRemote.h"

#include "app/UiServices.h"
#include "app/frmCompare.h"
#include "core/Globals.h"
#include "core/ImageCompare.h"
#include "core/MemoryImage.h"
#include "link/TransferController.h"

namespace quillet {

CompareWithRemote::CompareWithRemote(TransferController &link, Globals &g, UiServices &ui, QWidget *window)
    : QObject(&link), link_(link), g_(g), ui_(ui), window_(window)
{
    setObjectName(QStringLiteral("CompareWithRemote"));
}

CompareWithRemote::~CompareWithRemote() = default;

void CompareWithRemote::start()
{
    if (g_.LoadedKind != 1 || link_.engine().active())
        return;
    // A fresh memory each time: a short download must not show pages of an earlier one.
    remote_ = std::make_unique<MemoryImage>();
    link_.StartCompareDownload(*remote_, [this](bool ok) { finished(ok); });
}

void CompareWithRemote::finished(bool ok)
{
    const std::unique_ptr<MemoryImage> remote = std::move(remote_);
    if (!ok || !remote)
        return;
    frmCompare dialog(compareImages(*remote, g_.Image), QStringLiteral("Remote"), window_);
    ui_.showModal(dialog);
}

}  // namespace quillet
