#include "app/PrintCommand.h"

#include "app/UiServices.h"
#include "core/FileIO.h"
#include "core/Globals.h"
#include "render/Guide.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace quillet {

void printDocument(Globals &g, UiServices &ui, QWidget *parent)
{
    if (g.LoadedKind != 1 && g.LoadedKind != 2)
        return;
    const KeyFaces faces(g.AppDir, KeyFaces::Pictures::WithIcons);
    if (!faces.missingFiles().isEmpty())
        ui.warn(parent, faces.missingMessage());
    const Guide guide = Guide::ofDocument(g, faces);

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(guide.title());
    // The guide's own margins; the printer's paper size stays the user's choice.
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("frmPrintPreview"));
    preview.setWindowTitle(QStringLiteral("Print"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&guide, &g, &ui, &preview](QPrinter *target) {
        // Printed to a file, the guide is written by the one guarded save: the printer's own
        // PDF engine cannot tell a disk that filled up, and would leave a cut file behind.
        // (The preview draws through an engine of its own and is not a file.)
        QPaintEngine *engine = target->paintEngine();
        if (target->outputFormat() == QPrinter::PdfFormat && !target->outputFileName().isEmpty() && engine
            && engine->type() == QPaintEngine::Pdf) {
            QString error;
            if (!saveWholeFile(target->outputFileName(), guide.pdfBytes(target->pageLayout()), &error, g.makeSaveFile))
                ui.warn(&preview, error);
            return;
        }
        guide.paint(*target);
    });
    ui.showModal(preview);
}

}  // namespace quillet
