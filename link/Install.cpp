#include "link/Install.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "link/CompareWithRemote.h"
#include "link/QtSerialPort.h"
#include "link/SteadyClock.h"
#include "link/TransferController.h"
#include "link/frmSETUP.h"

namespace quillet {

TransferController *installLink(frmMain &w, std::unique_ptr<SerialPort> port, std::unique_ptr<Clock> clock)
{
    LinkWindow lw;
    lw.window = &w;
    lw.Picture1 = w.Picture1;
    lw.Label1 = w.Label1;
    lw.ProgressBar1 = w.ProgressBar1;
    lw.Text1 = w.Text1;
    lw.setCaptionSuffix = [&w](const QString &suffix) { w.setCaptionSuffix(suffix); };
    lw.setListTitle = [&w](const QString &text) { w.setListTitle(text); };
    lw.refreshSequence = [&w] { w.refreshSequence(); };
    lw.saveDataFileAs = [&w] { return w.SaveDataFileAs(); };
    lw.saveModelFileAs = [&w] { return w.SaveModelFileAs(); };
    lw.fillFileTree = [&w] { w.FillFileTree(); };

    if (!port)
        port = std::make_unique<QtSerialPort>();
    if (!clock)
        clock = std::make_unique<SteadyClock>();
    auto *controller = new TransferController(lw, w.globals(), w.ui(), std::move(port), std::move(clock), &w);
    w.hooks.startDownload = [controller] { controller->StartDownload(); };
    w.hooks.startUpload = [controller] { controller->StartUpload(); };
    w.hooks.uploadFailure = [controller] {
        return controller->engine().outcome() == TransferEngine::Outcome::Succeeded
                   ? QString()
                   : controller->engine().failureReason();
    };
    auto *compare = new CompareWithRemote(*controller, w.globals(), w.ui(), &w);
    w.hooks.compareRemote = [compare] { compare->start(); };
    w.hooks.shutdown = [controller] { controller->shutdown(); };
    w.hooks.showPortSettings = [&w] {
        frmSETUP dialog(w.globals(), w.ui(), &w);
        w.ui().showModal(dialog);
    };
    return controller;
}

}  // namespace quillet
