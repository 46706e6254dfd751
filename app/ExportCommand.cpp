#include "app/ExportCommand.h"

#include "app/UiServices.h"
#include "core/FileIO.h"
#include "core/Globals.h"
#include "core/MemoryText.h"
#include "core/Paths.h"
#include "render/Guide.h"
#include "render/PictureFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillet {

namespace {

FileDialogSpec exportRequest(const Globals &g)
{
    const QFileInfo current(g.CurrentFile);
    const QString stem = current.completeBaseName().isEmpty() ? QStringLiteral("REMOTE") : current.completeBaseName();
    const QString folder = current.fileName().isEmpty() ? g.AppDir : current.absolutePath();
    return {QStringLiteral("PDF GUIDE(*.pdf)|*.pdf|PNG PICTURES(*.png)|*.png|Text (*.json)|*.json"),
            QStringLiteral("pdf"), stem + QStringLiteral(".pdf"), folder + nativeSeparator()};
}

bool isText(const QString &path)
{
    return path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
}

// The document as the text quillet-cli export writes, which Import Text.. reads back.
QByteArray documentText(const Globals &g)
{
    const QString schema = memoryTextSchemaId();
    return g.LoadedKind == 2 ? modelText(g, schema) : memoryText(g.Image, schema);
}

}  // namespace

QString exportDocument(Globals &g, UiServices &ui, QWidget *parent)
{
    if (g.LoadedKind != 1 && g.LoadedKind != 2)
        return {};
    const KeyFaces faces(g, KeyFaces::Pictures::WithIcons);
    const Guide guide = Guide::ofDocument(g, faces);

    QString chosen;
    QStringList targets;
    for (;;) {
        chosen = ui.saveFileName(parent, exportRequest(g));
        if (chosen.isEmpty()) {
            g.DialogResult = answer::Cancel;
            return {};
        }
        const PictureFormat format = pictureFormat(chosen);
        if (format != PictureFormat::Pdf && format != PictureFormat::Png && !isText(chosen)) {
            g.DialogResult = ui.warn(
                parent, QStringLiteral("Export writes a PDF guide (.pdf), PNG pictures (.png) or the memory as text (.json)."));
            continue;
        }
        targets = format == PictureFormat::Png ? pictureFileNames(chosen, guide.pictures()) : QStringList{chosen};
        if (std::none_of(targets.begin(), targets.end(), [](const QString &t) { return QFileInfo::exists(t); }))
            break;
        g.DialogResult = ui.message(parent, QStringLiteral("replace"), QStringLiteral("Warning"), MsgIcon::None,
                                    MsgButtons::OKCancel);
        if (g.DialogResult == answer::OK)
            break;
    }

    QString error;
    if (isText(chosen)) {
        if (!saveWholeFile(chosen, documentText(g), &error, g.makeSaveFile)) {
            ui.warn(parent, error);
            return {};
        }
        return QStringLiteral("The text was written to %1").arg(QDir::toNativeSeparators(chosen));
    }
    if (!faces.missingFiles().isEmpty())
        ui.warn(parent, faces.missingMessage());
    if (pictureFormat(chosen) == PictureFormat::Pdf) {
        if (!guide.writePdf(chosen, guidePaperSize(paperLocale()), &error, g.makeSaveFile)) {
            ui.warn(parent, QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(chosen), error));
            return {};
        }
        return QStringLiteral("The guide was written to %1").arg(QDir::toNativeSeparators(chosen));
    }
    for (size_t i = 0; i < guide.pictures().size(); ++i) {
        const QString &target = targets[static_cast<qsizetype>(i)];
        if (!writePicture(guide.pictures()[i], target, &error, g.makeSaveFile)) {
            ui.warn(parent, QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(target), error));
            return {};
        }
    }
    const QFileInfo first(targets.constFirst());
    const QString folder = QDir::toNativeSeparators(first.absolutePath());
    if (targets.size() == 1)
        return QStringLiteral("The picture was written to %1").arg(QDir::toNativeSeparators(first.absoluteFilePath()));
    return QStringLiteral("%1 pictures were written to %2 (%3, ...)").arg(targets.size()).arg(folder, first.fileName());
}

}  // namespace quillet
