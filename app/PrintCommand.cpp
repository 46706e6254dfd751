#include "app/PrintCommand.h"

#include "app/UiServices.h"
#include "core/Globals.h"
#include "render/Guide.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace quillet {

void printDocument(Globals &g, UiServices &ui, QWidget *parent)
{
    if (g.LoadedKind != 1 && g.LoadedKind != 2)
        return;
    const KeyFaces faces(g, KeyFaces::Pictures::WithIcons);
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
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&guide](QPrinter *target) { guide.paint(*target); });
    ui.showModal(preview);
}

}  // namespace quillet
