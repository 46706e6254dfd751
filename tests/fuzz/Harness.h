#pragma once

// The fuzz harnesses: what each fuzz target does with one input. The same code runs under
// libFuzzer (tests/fuzz/fuzz_*.cpp) and, without it, in the ordinary test suite, which
// replays every kept regression input and every seed (tst_fuzzreplay.cpp). The readers'
// target needs no window and is built on core alone (Common.cpp, Seeds.cpp, Readers.cpp).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillet {
class MemoryImage;
}

namespace quillet::fuzz {

enum class Target { DataFile, ModelFile, Transfer, Readers, EditModel, MemoryText, Inputs };
inline constexpr Target AllTargets[] = {Target::DataFile,  Target::ModelFile,  Target::Transfer, Target::Readers,
                                        Target::EditModel, Target::MemoryText, Target::Inputs};

// "fuzz_datafile", ...: the target's program name and its regression folder.
QString targetName(Target t);

// Any bytes as a data file, opened through Fast Open, then the refresh sequence and every
// editor opened, worked on and closed: the device editor on each bank and each backup
// slot, the main-menu editor, the timer and hot-macro pages with the timer setup, macro
// step editor and key selector of every timer and step, and finally Save.
void runDataFile(const std::uint8_t *data, std::size_t size);
// Any bytes as a model file, opened through Fast Open, the device editor on it twice, Save.
void runModelFile(const std::uint8_t *data, std::size_t size);
// Any bytes as what the remote sends during a download or an upload, started with the
// main window's commands and run by its transfer engine over a scripted line in virtual
// time. The input: a flag byte (bit 0 upload, bit 1 Escape, bit 2 a write fails, bit 3
// the device goes away, bit 4 unsaved changes before a download), three bytes saying
// when those happen, the virtual time the first bytes arrive (0: already waiting when the
// port opens), then bursts: a length byte, that many bytes, and the silence after them
// in units of 20 ms.
void runTransfer(const std::uint8_t *data, std::size_t size);
// Any bytes to the readers of untrusted bytes, no window involved (Readers.cpp): two
// memories made from the input (a known one with the input's changes put in, or raw data
// files), read and compared; and the same bytes as a data file, a model file, setup.inf
// and a recovery copy (FileReaders.cpp, readFiles).
void runReaders(const std::uint8_t *data, std::size_t size);
void readFiles(const std::uint8_t *data, std::size_t size);
// Any bytes as a memory's text, alone, so that the fuzzer's dictionary and long inputs
// serve it (FileReaders.cpp).
void runMemoryText(const std::uint8_t *data, std::size_t size);
// Any bytes as the history's record, a session's lock file and standard input (Inputs.cpp).
void runInputs(const std::uint8_t *data, std::size_t size);
// Whether this input also gets the readers' dearest checks (the comparison made twice, the
// data file saved and loaded again): a quarter of the inputs, chosen by their last byte, so
// each run stays cheap and the checks still see thousands of inputs a minute.
inline bool checkedAgain(const std::uint8_t *data, std::size_t size)
{
    return size == 0 || (data[size - 1] & 3) == 0;
}
// Whether this input is one in `every` that also goes through the memory's text, which is
// dear under the sanitizers (a whole memory's text is tens of kilobytes, a model's several).
// Chosen by a hash of the whole input, not by one byte: the fuzzer keeps what reaches new
// code and mutates it mostly elsewhere, so a chosen byte would soon choose most runs.
bool checkedAsText(const std::uint8_t *data, std::size_t size, unsigned every);
// The editors' model layer without a window (EditModel.cpp): a layout's bytes or a hot-macro
// record, and edits to make on it through LayoutEdits as the editors make them, each undone
// and redone, and followed by the checks of what the model promises.
void runEditModel(const std::uint8_t *data, std::size_t size);
void run(Target t, const std::uint8_t *data, std::size_t size);
void run(Target t, const QByteArray &input);

// Where a target's files go, a fresh folder made once for the run: in memory (/dev/shm)
// where the system has such a folder. Saves are committed with a sync to the disk, as they
// must be; on a disk that alone would take most of each input's time, while the checks see
// the same files either way.
QString scratchTemplate();

// A broken promise (a readable file that did not load, bytes changed that nothing may
// change, a save that does not give back the document) ends the process with a message,
// which libFuzzer reports like a crash and the test suite as a failed test.
[[noreturn]] void fail(const char *what, const QString &detail);

// What the last run showed in message boxes, and the document it left; for tests of the
// harness itself.
struct RunReport {
    QStringList messages;
    int loadedKind = 0;
    bool imageIsRealistic = false;   // the image equals realisticImage()
};
const RunReport &lastRun();

// The document the seeds are made from: ten devices laid out as the editors lay them
// out, filled backup slots, timers and hot macros; page headers as a download leaves them.
void realisticImage(MemoryImage &image);

// The seed corpus, made by code: a realistic document, an empty one, one full of 255s.
struct Seed {
    QString name;
    QByteArray bytes;
};
std::vector<Seed> seeds(Target t);
std::vector<Seed> readersSeeds();
std::vector<Seed> fileReaderSeeds();
std::vector<Seed> editModelSeeds();
std::vector<Seed> memoryTextSeeds();
std::vector<Seed> inputsSeeds();
// Writes the seeds of a target into a folder (made if needed); false when one cannot be written.
bool writeSeeds(Target t, const QString &folder);

// With the argument "-write_seeds=FOLDER", writes the target's seed corpus and ends the
// program; otherwise does nothing.
void writeSeedsIfAsked(Target t, int *argc, char ***argv);
// The windowed targets' LLVMFuzzerInitialize: the seeds when asked, else the offscreen
// platform, the application object and the program folder.
int initialise(Target t, int *argc, char ***argv);

}  // namespace quillet::fuzz

#define FUZZ_CHECK(condition, detail)                                                        \
    do {                                                                                     \
        if (!(condition))                                                                    \
            ::quillet::fuzz::fail(#condition, (detail));                                     \
    } while (false)
