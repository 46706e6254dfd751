#include "cli/Render.h"

#include "cli/DeviceLookup.h"
#include "cli/Document.h"
#include "cli/Files.h"
#include "render/Pages.h"
#include "render/PictureFile.h"


namespace quillet::cli {

namespace {

const QString kDevice = QStringLiteral("device");
const QString kMenu = QStringLiteral("menu");
const QString kTimers = QStringLiteral("timers");
const QString kMacros = QStringLiteral("macros");
const QString kFormat = QStringLiteral("format");

}  // namespace

RenderCommand::RenderCommand()
    : Command(QStringLiteral("render"), QStringLiteral("Draw pages as the editors draw them, to PNG, SVG or PDF."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data or model file; - reads standard input."),
                  Values::DataOrModelFile);
    addOption(QCommandLineOption(kDevice, QStringLiteral("A device's four key pages (a model file's: \"model\")."),
                                 QStringLiteral("NAME")),
              Values::DeviceName);
    addOption(QCommandLineOption(kMenu, QStringLiteral("The main menu's two pages.")));
    addOption(QCommandLineOption(kTimers, QStringLiteral("The timer keys.")));
    addOption(QCommandLineOption(kMacros, QStringLiteral("The hot-macro keys.")));
    addOption(outputOption(QStringLiteral("OUT"),
                           QStringLiteral("The picture to write; .png, .svg or .pdf says which (required). "
                                          "- writes it to standard output.")),
              Values::PictureFile);
    addOption(QCommandLineOption(kFormat,
                                 QStringLiteral("png, svg or pdf, whatever OUT's extension; standard output gets png "
                                                "without it."),
                                 QStringLiteral("FORMAT")),
              Values::PictureFormat);
    addOption(forceOption());
}

QString RenderCommand::usageTail() const
{
    return QStringLiteral("FILE (--device NAME | --menu | --timers | --macros) -o OUT [--format FORMAT] [--force]");
}

int RenderCommand::run(const QCommandLineParser &parser, Environment &env)
{
    int chosen = 0;
    for (const QString &what : {kDevice, kMenu, kTimers, kMacros})
        chosen += parser.isSet(what) ? 1 : 0;
    if (chosen != 1)
        return fail(env, QStringLiteral("choose one of --device NAME, --menu, --timers, --macros"));
    const QString output = parser.value(QStringLiteral("output"));
    if (output.isEmpty())
        return fail(env, QStringLiteral("-o OUT is required"));
    const QString formatName = parser.value(kFormat);
    const PictureFormat format = parser.isSet(kFormat) ? pictureFormat(QStringLiteral("x.") + formatName)
                                 : isStandardStream(output) ? PictureFormat::Png
                                                            : pictureFormat(output);
    if (format == PictureFormat::Unknown && parser.isSet(kFormat))
        return fail(env, QStringLiteral("unknown picture format \"%1\"; use png, svg or pdf").arg(formatName));
    if (format == PictureFormat::Unknown)
        return fail(env, QStringLiteral("\"%1\" names no picture format; use .png, .svg or .pdf, or --format")
                             .arg(output));
    const bool force = parser.isSet(QStringLiteral("force"));
    QString error;
    if (!checkOutput(env, output, force, format != PictureFormat::Svg, &error)
        || !checkNotInput(parser.positionalArguments().constFirst(), output, &error))
        return fail(env, error);
    Document doc;
    if (!loadDocument(env, parser.positionalArguments().constFirst(), doc, &error))
        return fail(env, error);
    if (doc.isModel() && !parser.isSet(kDevice))
        return fail(env, QStringLiteral("%1 is a model file: it holds one device only; use --device model")
                             .arg(doc.shown()));

    const KeyFaces faces(env.shippedDir, KeyFaces::Pictures::WithIcons);
    if (!faces.missingFiles().isEmpty())
        return fail(env, QStringLiteral("cannot draw: %1").arg(faces.missingMessage()), exitcode::Failed);

    Picture picture;
    DeviceTarget target;
    if (parser.isSet(kDevice) && !findDevice(doc, parser.value(kDevice), target, &error))
        return fail(env, error);
    if (parser.isSet(kDevice) && !target.menu) {
        picture = devicePicture(target.name, target.device, faces);
    } else if (parser.isSet(kMenu) || target.menu) {
        MenuWorkset menu;
        ReadMenuWorkset(*doc.image, menu);
        picture = menuPicture(menu, faces);
    } else if (parser.isSet(kTimers)) {
        TimerWorkset timers;
        ReadTimers(*doc.image, timers);
        picture = timerPicture(timers.TimerNames, faces);
    } else {
        MacroWorkset macros;
        ReadMacros(*doc.image, macros);
        picture = macroPicture(macros.MacroNames, faces);
    }
    QByteArray contents;
    if (!pictureBytes(picture, format, contents, &error))
        return fail(env, QStringLiteral("cannot draw %1: %2").arg(shownOutput(output), error), exitcode::Failed);
    return writeOutputFile(env, output, contents, force);
}

}  // namespace quillet::cli
