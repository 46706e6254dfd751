#include "app/PrintCommand.h"

#include "app/UiServices.h"
#include "core/FileIO.h"
#include "core/Globals.h"
#include "render/Guide.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>

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
    // The paper the system's locale uses, and the guide's own margins; the preview offers
    // the other common size.
    printer.setPageSize(guidePaperSize(paperLocale()));
    printer.setPageMargins(QMarginsF(Guide::MarginMm, Guide::MarginMm, Guide::MarginMm, Guide::MarginMm),
                           QPageLayout::Millimeter);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("frmPrintPreview"));
    preview.setWindowTitle(QStringLiteral("Print"));

    const QList<QPageSize::PageSizeId> papers{QPageSize::A4, QPageSize::Letter};
    auto *paper = new QComboBox(&preview);
    paper->setObjectName(QStringLiteral("ComboPAPER"));
    paper->setAccessibleName(QStringLiteral("Paper"));
    for (QPageSize::PageSizeId id : papers)
        paper->addItem(QPageSize::name(id));
    auto *pages = preview.findChild<QPrintPreviewWidget *>();
    // First in the toolbar, so that a narrow window does not fold it away.
    if (auto *bar = preview.findChild<QToolBar *>()) {
        QAction *first = bar->actions().value(0);
        auto *label = new QLabel(QStringLiteral(" &Paper: "), bar);
        label->setObjectName(QStringLiteral("lblPAPER"));
        label->setBuddy(paper);
        bar->insertWidget(first, label);
        bar->insertWidget(first, paper);
        bar->insertSeparator(first);
    }
    QObject::connect(paper, &QComboBox::activated, &preview, [&printer, pages, papers](int index) {
        printer.setPageSize(QPageSize(papers.value(index, QPageSize::A4)));
        if (pages)
            pages->updatePreview();
    });
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&guide, &g, &ui, &preview, paper, papers](QPrinter *target) {
        // The paper may also have been chosen in the page setup.
        paper->setCurrentIndex(papers.indexOf(target->pageLayout().pageSize().id()));
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
