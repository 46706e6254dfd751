#include "app/CompareWithFile.h"

#include "app/UiServices.h"
#include "app/frmCompare.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "core/ImageCompare.h"
#include "core/ModelFile.h"
#include "core/Paths.h"

#include <QFileInfo>

#include <memory>

namespace quillet {

void compareWithFile(Globals &g, UiServices &ui, QWidget *parent)
{
    const bool model = g.LoadedKind == 2;
    if (g.LoadedKind != 1 && !model)
        return;
    const QString folder = model ? QStringLiteral("MODEL") : QStringLiteral("DATA");
    const QString path = ui.openFileName(
        parent, {model ? QStringLiteral("MODEL FILE(*.MOD)|*.MOD") : QStringLiteral("DATA FILE(*.DAT)|*.DAT"),
                 model ? QStringLiteral("MOD") : QStringLiteral("DAT"), QString(),
                 joinPath(g.AppDir, folder) + nativeSeparator(), QStringLiteral("Compare with File")});
    if (path.isEmpty())
        return;

    // The file is read into its own buffers; the document's are only looked at.
    QString error;
    std::vector<Difference> differences;
    if (model) {
        auto file = std::make_unique<DeviceWorkset>();
        if (!LOAD_MODEL_FILE(path, *file, &error)) {
            ui.warn(parent, error);
            return;
        }
        differences = compareModels(*file, g);
    } else {
        // A file shorter than a whole memory holds nothing beyond its end: zeros, as a
        // memory starts.
        auto file = std::make_unique<MemoryImage>();
        if (!LOAD_DATA_FILE(path, *file, &error)) {
            ui.warn(parent, error);
            return;
        }
        differences = compareImages(*file, g.Image);
    }
    frmCompare dialog(differences, QFileInfo(path).fileName(), parent);
    ui.showModal(dialog);
}

}  // namespace quillet
