#include "cli/Fragments.h"

#include "cli/DeviceLookup.h"
#include "core/DataFile.h"
#include "core/Fragment.h"
#include "core/ImageReading.h"
#include "core/TextCodec.h"


namespace quillet::cli {

namespace {

const QString kDevice = QStringLiteral("device");
const QString kPage = QStringLiteral("page");
const QString kTimer = QStringLiteral("timer");
const QString kMacro = QStringLiteral("macro");

// A number from 1 to `most`, as the user counts; -1 when it is none.
int counted(const QString &value, int most)
{
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    return ok && n >= 1 && n <= most ? n - 1 : -1;
}

bool deviceBank(const Document &doc, const QString &wanted, int *bank, QString *error)
{
    DeviceTarget target;
    if (!findDevice(doc, wanted, target, error))
        return false;
    if (target.menu) {
        *error = QStringLiteral("the main menu is no device; name a device, or \"bank N\"");
        return false;
    }
    *bank = target.bank;
    return true;
}

}  // namespace

QList<QCommandLineOption> fragmentExportOptions()
{
    return {
        QCommandLineOption(kDevice, QStringLiteral("Write the fragment of one device: its name, or \"bank N\"."),
                           QStringLiteral("NAME")),
        QCommandLineOption(kPage, QStringLiteral("Write the fragment of key page N (1 to 4) of the device."),
                           QStringLiteral("N")),
        QCommandLineOption(kTimer, QStringLiteral("Write the fragment of timer N (1 to 12)."), QStringLiteral("N")),
        QCommandLineOption(kMacro, QStringLiteral("Write the fragment of a hot macro: its name, or N (1 to 12)."),
                           QStringLiteral("NAME")),
    };
}

bool wantsFragment(const QCommandLineParser &parser)
{
    return parser.isSet(kDevice) || parser.isSet(kPage) || parser.isSet(kTimer) || parser.isSet(kMacro);
}

bool exportFragment(const QCommandLineParser &parser, const Document &doc, QByteArray &text, QString *error)
{
    const int given = (parser.isSet(kDevice) && !parser.isSet(kPage) ? 1 : 0) + (parser.isSet(kPage) ? 1 : 0)
        + (parser.isSet(kTimer) ? 1 : 0) + (parser.isSet(kMacro) ? 1 : 0);
    if (given != 1) {
        *error = QStringLiteral("give one of --device, --page (with --device), --timer and --macro");
        return false;
    }
    if (doc.isModel() && !parser.isSet(kPage)) {
        *error = QStringLiteral("%1 is a model file, which holds one device's pages; give --page N").arg(doc.shown());
        return false;
    }
    if (parser.isSet(kPage)) {
        const int page = counted(parser.value(kPage), 4);
        if (page < 0) {
            *error = QStringLiteral("--page takes a page from 1 to 4, not \"%1\"").arg(parser.value(kPage));
            return false;
        }
        if (doc.isModel()) {
            text = pageFragment(doc.model, page);
            return true;
        }
        int bank = -1;
        if (!parser.isSet(kDevice)) {
            *error = QStringLiteral("--page needs --device to say whose page");
            return false;
        }
        if (!deviceBank(doc, parser.value(kDevice), &bank, error))
            return false;
        DeviceWorkset device;
        ReadDeviceWorkset(*doc.image, device, bank);
        text = pageFragment(device, page);
        return true;
    }
    if (parser.isSet(kDevice)) {
        int bank = -1;
        if (!deviceBank(doc, parser.value(kDevice), &bank, error))
            return false;
        text = deviceFragment(*doc.image, bank);
        return true;
    }
    if (parser.isSet(kTimer)) {
        const int index = counted(parser.value(kTimer), 12);
        if (index < 0) {
            *error = QStringLiteral("--timer takes a timer from 1 to 12, not \"%1\"").arg(parser.value(kTimer));
            return false;
        }
        text = timerFragment(*doc.image, index);
        return true;
    }
    const int index = findMacro(doc, parser.value(kMacro), error);
    if (index < 0)
        return false;
    text = macroFragment(*doc.image, index);
    return true;
}

void pasteFragment(const QByteArray &text, const QString &textFile, const QString &shownText, Document &into, int bank,
                   const QString &name, QByteArray &file, QStringList &problems)
{
    file.clear();
    MemoryImage &image = *into.image;
    const FragmentRead read = readFragment(text, image);
    for (const TextProblem &p : read.problems)
        problems << textFile + QLatin1Char(':') + p.text();
    if (!read.ok())
        return;
    const Fragment &f = read.fragment;
    QString why;
    switch (f.kind) {
    case FragmentKind::Keys:
    case FragmentKind::Page:
        why = QStringLiteral("%1 holds %2, which are pasted in the device editor; import takes a device, a timer "
                             "or a macro")
                  .arg(shownText, f.kind == FragmentKind::Page ? QStringLiteral("a page of keys")
                                                               : QStringLiteral("keys"));
        break;
    case FragmentKind::Device: {
        if (bank < 0) {
            const std::vector<int> empty = emptyBanks(image);
            if (empty.empty()) {
                why = QStringLiteral("%1 has no empty bank").arg(into.shown());
                break;
            }
            bank = empty.front();
        }
        why = pasteDevice(image, f, bank, name.isEmpty() ? f.name : name);
        break;
    }
    case FragmentKind::Timer:
    case FragmentKind::Macro: {
        const bool timer = f.kind == FragmentKind::Timer;
        why = sentProblem(image, f);
        if (!why.isEmpty())
            break;
        TimerWorkset timers;
        MacroWorkset macros;
        ReadTimers(image, timers);
        ReadMacros(image, macros);
        const int slot = timer ? freeTimer(timers) : freeMacro(macros);
        if (slot < 0) {
            why = QStringLiteral("%1 has no free %2 slot").arg(into.shown(), timer ? QStringLiteral("timer")
                                                                                  : QStringLiteral("hot-macro"));
            break;
        }
        if (timer) {
            putTimer(timers, slot, f);
            WriteTimers(image, timers);
        } else {
            putMacro(macros, slot, f);
            WriteMacros(image, macros);
        }
        break;
    }
    }
    if (!why.isEmpty()) {
        // The sentences of the window, in the command line's style.
        problems << messageStyle(why);
        return;
    }
    file = dataFileBytes(image);
}

}  // namespace quillet::cli
