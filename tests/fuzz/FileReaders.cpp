// Part of the fuzz_readers target: the files Quillet reads, from any bytes, with no window.
// The same input is a data file, a model file, setup.inf (its first 4 KB) and a recovery
// copy, each read the way the program reads it, each held to what its reader promises.

#include "fuzz/Harness.h"

#include "core/DataFile.h"
#include "core/Fragment.h"
#include "core/MemoryImage.h"
#include "core/MemoryText.h"
#include "core/ModelFile.h"
#include "core/RecoveryFile.h"
#include "core/SetupFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quillet::fuzz {

namespace {

constexpr Byte Untouched = 0xA5;
constexpr int SetupBytes = 4096;

// The folder the files are written to, made once for the whole run.
const QTemporaryDir &folder()
{
    static const QTemporaryDir dir(scratchTemplate());
    return dir;
}

// A new file each time: some file systems write a truncated file out to the disk as it
// closes, which would make each run wait for the disk. Plain system calls: this is the
// harness's writing, not the program's, and QFile's would cost as much as a reading.
bool writeBytes(const QString &path, QByteArrayView bytes)
{
    const QByteArray name = QFile::encodeName(path);
    ::unlink(name.constData());
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.data(), static_cast<size_t>(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

void readDataFile(const QString &path, QByteArrayView input)
{
    // Made once: a fresh 136 KB image each run would cost more than the reading.
    static const auto untouched = [] {
        auto m = std::make_unique<MemoryImage>();
        std::memset(m->data(), Untouched, MemoryImage::TotalBytes);
        return m;
    }();
    static const auto image = std::make_unique<MemoryImage>();
    static const auto again = std::make_unique<MemoryImage>();
    *image = *untouched;
    QString error;
    FUZZ_CHECK(LOAD_DATA_FILE(path, *image, &error), QStringLiteral("a readable data file did not load: ") + error);
    // Bytes 2.. fill the pages in order, headers included; what the file does not reach keeps its value.
    const qsizetype loaded = input.size() > 2 ? std::min<qsizetype>(input.size() - 2, MemoryImage::TotalBytes) : 0;
    FUZZ_CHECK(std::memcmp(image->data(), input.data() + 2 * (loaded > 0), static_cast<std::size_t>(loaded)) == 0,
               QStringLiteral("the image is not the file"));
    FUZZ_CHECK(std::memcmp(image->data() + loaded, untouched->data() + loaded,
                           static_cast<std::size_t>(MemoryImage::TotalBytes - loaded)) == 0,
               QStringLiteral("bytes beyond the file changed"));
    // Saved and loaded again, pages 0..511 come back as they were.
    if (!checkedAgain(reinterpret_cast<const std::uint8_t *>(input.data()), static_cast<std::size_t>(input.size())))
        return;
    again->clear();
    fillImageFromDataFile(*again, dataFileBytes(*image));
    FUZZ_CHECK(std::memcmp(again->data(), image->data(), MemoryImage::RemotePages * MemoryImage::PageSize) == 0,
               QStringLiteral("save and load changed the pages"));
}

void readModelFile(const QString &path, QByteArrayView input)
{
    auto dev = std::make_unique<DeviceWorkset>();
    std::memset(static_cast<void *>(dev.get()), Untouched, sizeof(DeviceWorkset));
    const QByteArray before = modelFileBytes(*dev);
    QString error;
    const bool loaded = LOAD_MODEL_FILE(path, *dev, &error);
    if (input.size() < modelfile::Size) {
        // Too short: refused with the file named, and the workset left as it was.
        FUZZ_CHECK(!loaded && error.contains(path) && modelFileBytes(*dev) == before,
                   QStringLiteral("a short model file was taken: %1 bytes").arg(input.size()));
        return;
    }
    FUZZ_CHECK(loaded, QStringLiteral("a complete model file did not load: ") + error);
    FUZZ_CHECK(modelFileBytes(*dev) == input.first(modelfile::Size).toByteArray(), QStringLiteral("the workset is not the file"));
}

// setup.inf in appDir holds `text` already.
void readSetupFile(const QString &appDir, const QString &path, QByteArrayView text)
{
    int port = 12345;
    bool markerMissing = false;
    QString error;
    const bool read = ReadComPort(appDir, port, &error, &markerMissing);
    // "Com Port:" holds no line break, so a line has it exactly when the text has it.
    const bool marked = text.indexOf(QByteArrayView(setupfile::Marker)) >= 0;
    FUZZ_CHECK(markerMissing == !marked && (marked || !read), QStringLiteral("the marker was missed or made up"));
    if (!read) {
        FUZZ_CHECK(port == 12345 && !error.isEmpty(), QStringLiteral("a failed read changed the port: ") + error);
        return;
    }
    // What Exit writes, the next start reads. (A negative number is written with its sign
    // where the reader skips a character, as the original program did; not held here.)
    if (port < 0)
        return;
    // Written plainly: WriteComPort's safe save would wait for the disk on every run.
    FUZZ_CHECK(writeBytes(path, comPortLine(port)), path);
    int back = -1;
    FUZZ_CHECK(ReadComPort(appDir, back, &error) && back == port,
               QStringLiteral("port %1 was written and %2 read back").arg(port).arg(back));
}

void readRecoveryCopy(QByteArrayView input)
{
    RecoveryCopy copy;
    const QByteArray bytes = input.toByteArray();
    if (parseRecovery(bytes, copy, nullptr))
        FUZZ_CHECK(recoveryBytes(copy) == bytes, QStringLiteral("a copy read does not write back the same"));
    // The same bytes with their checksum made right, so that the fields behind it are read.
    const QByteArray sealed = bytes + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    QString why;
    if (!parseRecovery(sealed, copy, &why)) {
        FUZZ_CHECK(!why.isEmpty(), QStringLiteral("a copy refused without a reason"));
        return;
    }
    FUZZ_CHECK((copy.loadedKind == 1 && copy.document.size() == MemoryImage::TotalBytes)
                   || (copy.loadedKind == 2 && copy.document.size() == modelfile::Size),
               QStringLiteral("a copy of kind %1 with %2 bytes").arg(copy.loadedKind).arg(copy.document.size()));
    FUZZ_CHECK(recoveryBytes(copy) == sealed, QStringLiteral("a sealed copy does not write back the same"));
}

// The input as a memory's text: refused with a place for each problem, or read into a file
// whose own text reads back into the same file (now and then: a whole memory's text is dear).
void readMemoryText(QByteArrayView input, bool again)
{
    const TextImport text = importMemoryText(input.toByteArray());
    if (!text.ok()) {
        for (const TextProblem &p : text.problems)
            FUZZ_CHECK(p.position.line > 0 && p.position.column > 0 && !p.sentence.isEmpty(), p.text());
        FUZZ_CHECK(text.file.isEmpty(), QStringLiteral("a refused text gave a file"));
        return;
    }
    if (!again)
        return;
    QByteArray written;
    if (text.model) {
        auto dev = std::make_unique<DeviceWorkset>();
        fillWorksetFromModelFile(*dev, text.file);
        written = modelText(*dev, QString());
    } else {
        auto image = std::make_unique<MemoryImage>();
        fillImageFromDataFile(*image, text.file);
        written = memoryText(*image, QString());
    }
    const TextImport back = importMemoryText(written);
    FUZZ_CHECK(back.ok() && back.file == text.file, QStringLiteral("an imported file's text does not give it back"));
}

// The input as a fragment pasted into a known memory: refused with a place for each
// problem, or pasted whole, or refused with a sentence and the memory left as it was.
void readFragmentText(QByteArrayView input)
{
    static const auto memory = [] {
        auto image = std::make_unique<MemoryImage>();
        realisticImage(*image);
        return image;
    }();
    const FragmentRead read = readFragment(input.toByteArray(), *memory);
    for (const TextProblem &p : read.problems)
        FUZZ_CHECK(p.position.line > 0 && p.position.column > 0 && !p.sentence.isEmpty(), p.text());
    if (!read.ok() || read.fragment.kind != FragmentKind::Device)
        return;
    auto copy = std::make_unique<MemoryImage>(*memory);
    const std::vector<int> empty = emptyBanks(*copy);
    if (!empty.empty() && !pasteDevice(*copy, read.fragment, empty.front(), QStringLiteral("FUZZ")).isEmpty())
        FUZZ_CHECK(std::memcmp(copy->data(), memory->data(), MemoryImage::TotalBytes) == 0,
                   QStringLiteral("a refused paste changed the memory"));
}

}  // namespace

void readFiles(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    const QByteArrayView setupText = input.first(std::min<qsizetype>(input.size(), SetupBytes));
    // One file serves all three readers when the input fits setup.inf, as most do; the
    // data and model files are read before setup.inf is written again.
    static const QString setupPath = folder().filePath(QLatin1String(setupfile::FileName));
    static const QString dataPath = folder().filePath(QStringLiteral("fuzz.DAT"));
    const bool fits = setupText.size() == input.size();
    FUZZ_CHECK(writeBytes(setupPath, setupText), setupPath);
    if (!fits)
        FUZZ_CHECK(writeBytes(dataPath, input), dataPath);
    const QString &file = fits ? setupPath : dataPath;
    readDataFile(file, input);
    readModelFile(file, input);
    readSetupFile(folder().path(), setupPath, setupText);
    readRecoveryCopy(input);
    readMemoryText(input, checkedAsText(data, size, 1024));
    readFragmentText(input);
}

void runMemoryText(const std::uint8_t *data, std::size_t size)
{
    readMemoryText(QByteArrayView(data, static_cast<qsizetype>(size)), checkedAsText(data, size, 8));
}

std::vector<Seed> memoryTextSeeds()
{
    // A user's small text, and a whole memory's as export writes it.
    std::vector<Seed> out;
    for (const Seed &s : fileReaderSeeds())
        if (s.name.endsWith(QLatin1String(".json")))
            out.push_back(s);
    auto image = std::make_unique<MemoryImage>();
    realisticImage(*image);
    out.push_back({QStringLiteral("realistic.json"), memoryText(*image, memoryTextSchemaId())});
    // Texts that once took minutes and gigabytes: a page listing one key 2,000 times, and
    // kept bytes whose hex times repeat runs far past their area. Under the fuzz script's
    // limits they fail on time or memory if either comes back.
    const QByteArray head = R"({"format": "quillet-memory", "version": 1, "kind": "data", )";
    QByteArrayList keys(2000, R"({"key": 1, "column": 1, "row": 1, "columns": 2, "rows": 2, "label": {"text": "A"}})");
    const QByteArray menu =
        R"("menu": [{"bank": 1, "name": "TV", "page": 1, "column": 1, "row": 1, "columns": 3, "rows": 2}],)";
    out.push_back({QStringLiteral("one-key-2000-times.json"),
                   head + menu + R"("devices": [{"bank": 1, "pages": [{"keys": [)" + keys.join(",\n") + "]}]}]}"});
    QByteArrayList runs(20, R"({"area": "unused", "offset": 1, "hex": ")" + QByteArray(1600, 'A')
                                + R"(", "repeat": 136458})");
    out.push_back({QStringLiteral("repeat-past-the-area.json"), head + "\"bytes\": [" + runs.join(",\n") + "]}"});
    return out;
}

std::vector<Seed> fileReaderSeeds()
{
    auto image = std::make_unique<MemoryImage>();
    realisticImage(*image);
    auto dev = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*image, *dev, 0);
    RecoveryCopy copy;
    copy.loadedKind = 2;
    copy.currentFile = QStringLiteral("/home/user/Quillet/MODEL/TV.MOD");
    copy.caption = QStringLiteral("Quillet  [/home/user/Quillet/MODEL/TV.MOD]");
    copy.writtenMs = 1700000000000;
    copy.document = modelFileBytes(*dev);
    const QByteArray sealed = recoveryBytes(copy);
    std::vector<Seed> out;
    out.push_back({QStringLiteral("model.MOD"), copy.document});
    out.push_back({QStringLiteral("setup.inf"), QByteArray("[Quillet]\r\nCom Port: 2\r\n")});
    out.push_back({QStringLiteral("recovery.rec"), sealed});
    // Without its checksum: the harness seals it, and the fuzzer works on the fields.
    out.push_back({QStringLiteral("recovery-unsealed.bin"), sealed.chopped(32)});
    // A memory's text as a user writes one: small, with what the reader checks most.
    out.push_back({QStringLiteral("memory.json"), QByteArray(R"json({"format": "quillet-memory", "version": 1, "kind": "data",
 "menu": [{"bank": 2, "name": "TV", "kind": "TV", "page": 1, "column": 1, "row": 1, "columns": 3, "rows": 2}],
 "devices": [{"bank": 2, "name": "TV", "pages": [{"keys": [
  {"key": 1, "column": 1, "row": 1, "columns": 2, "rows": 2, "label": {"text": "VOL"}},
  {"slot": 3, "column": 3, "row": 1, "columns": 2, "rows": 3, "record": 4, "label": {"icon": "Mute", "bytes": "0141FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"}}]},
  {"keys": []}], "blocks": ["5A00", "FF"]}],
 "timers": [{"name": "Wake", "cycle": "SPECIFIC", "month": 2, "day": 31, "time": "07:05", "key": {"device": "TV", "key": 2}},
  {"name": "", "key": {"hotMacro": 3, "place": "00FF01"}}],
 "macros": [{"name": "Film", "nameBytes": "46696C6D20FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", "steps": [null, {"device": "TV", "rubberKey": 3, "delay": "2 Second"}]}],
 "backups": [{"slot": "TV (OEM)", "inUse": true, "blocks": ["5A"]}],
 "bytes": [{"area": "page headers", "offset": 2, "hex": "00", "repeat": 30}, {"area": "unused", "offset": 1070, "hex": "0102"}]})json")});
    // A fragment of each kind, as Copy puts them on the clipboard.
    out.push_back({QStringLiteral("fragment-device.json"), deviceFragment(*image, 0)});
    out.push_back({QStringLiteral("fragment-keys.json"), keysFragment(*dev, 0, CellRect{0, 0, 5, 3})});
    out.push_back({QStringLiteral("fragment-macro.json"), macroFragment(*image, 0)});
    out.push_back({QStringLiteral("fragment-timer.json"), timerFragment(*image, 0)});
    return out;
}

}  // namespace quillet::fuzz
