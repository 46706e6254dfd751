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

FragmentPaste pasteFragment(const QByteArray &text, const QString &textFile, const QString &shownText, Document &into,
                            int bank, const QString &name, bool bankGiven)
{
    FragmentPaste out;
    MemoryImage &image = *into.image;
    const FragmentRead read = readFragment(text, image);
    const auto tell = [&](json::Position at, const QString &path, const QString &sentence) {
        out.problems << textFile + QLatin1Char(':') + TextProblem{at, path, messageStyle(sentence)}.text();
    };
    for (const TextProblem &p : read.problems)
        out.problems << textFile + QLatin1Char(':') + p.text();
    if (read.unshown > 0)
        out.problems << textFile + QStringLiteral(": and %1 more").arg(read.unshown);
    if (!read.ok())
        return out;
    const Fragment &f = read.fragment;
    const QString part = fragmentKindName(f.kind);
    switch (f.kind) {
    case FragmentKind::Keys:
    case FragmentKind::Page:
        tell({1, 1}, QString(),
             QStringLiteral("%1 holds %2, which are pasted in the device editor; import takes a device, a timer "
                            "or a hot macro")
                 .arg(shownText, f.kind == FragmentKind::Page ? QStringLiteral("a page of keys") : QStringLiteral("keys")));
        return out;
    case FragmentKind::Device: {
        if (bank < 0) {
            const std::vector<int> empty = emptyBanks(image);
            if (empty.empty()) {
                tell(f.where, part,
                     QStringLiteral("%1 has no bank that holds nothing; every bank has a device, keys, labels or "
                                    "block data")
                         .arg(into.shown()));
                return out;
            }
            bank = empty.front();
        }
        const QString as = name.isEmpty() ? trimmedBoth(f.name) : name;
        if (const QString why = pastedNameProblem(image, as); !why.isEmpty()) {
            tell(name.isEmpty() ? f.namePosition : f.where, name.isEmpty() ? part + QStringLiteral(".name") : part,
                 (name.isEmpty() ? QString() : QStringLiteral("--name \"%1\": ").arg(name)) + messageStyle(why)
                     + QStringLiteral("; give another name with --name"));
            return out;
        }
        if (const QString why = pasteDevice(image, f, bank, as); !why.isEmpty()) {
            tell(f.where, part, (bankGiven ? QStringLiteral("--bank %1: ").arg(bank + 1) : QString()) + messageStyle(why));
            return out;
        }
        out.done = trimmedBoth(f.name) == as ? QStringLiteral("pasted %1 into bank %2").arg(as).arg(bank + 1)
                                             : QStringLiteral("pasted %1 as %2 into bank %3")
                                                   .arg(trimmedBoth(f.name), as)
                                                   .arg(bank + 1);
        break;
    }
    case FragmentKind::Timer:
    case FragmentKind::Macro: {
        const bool timer = f.kind == FragmentKind::Timer;
        if (bankGiven || !name.isEmpty()) {
            out.usage = true;
            out.problems << QStringLiteral("%1 holds %2: --bank and --name go with a device")
                                .arg(shownText, fragmentKindWords(f.kind));
            return out;
        }
        TimerWorkset timers;
        MacroWorkset macros;
        ReadTimers(image, timers);
        ReadMacros(image, macros);
        const int slot = timer ? freeTimer(timers) : freeMacro(macros);
        if (slot < 0) {
            tell(f.where, part,
                 QStringLiteral("%1 has no free %2 slot: each of the 12 holds something")
                     .arg(into.shown(), timer ? QStringLiteral("timer") : QStringLiteral("hot-macro")));
            return out;
        }
        if (timer) {
            putTimer(timers, slot, f);
            WriteTimers(image, timers);
        } else {
            putMacro(macros, slot, f);
            WriteMacros(image, macros);
        }
        const QString what = timer ? QStringLiteral("timer") : QStringLiteral("hot macro");
        const QString named = trimmedBoth(f.recordName);
        out.done = QStringLiteral("pasted %1%2 into %1 %3")
                       .arg(what, named.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(named))
                       .arg(slot + 1);
        break;
    }
    }
    out.file = dataFileBytes(image);
    return out;
}

}  // namespace quillet::cli
