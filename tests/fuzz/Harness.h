#pragma once

// The fuzz harnesses: what each fuzz target does with one input. The same code runs under
// libFuzzer (tests/fuzz/fuzz_*.cpp) and, without it, in the ordinary test suite, which
// replays every kept regression input and every seed (tst_fuzzreplay.cpp).

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillet::fuzz {

enum class Target { DataFile, ModelFile };

// "fuzz_datafile", "fuzz_modelfile": the target's program name and its regression folder.
QString targetName(Target t);

// Any bytes as a data file, opened through Fast Open, then the refresh sequence and every
// editor opened, worked on and closed: the device editor on each bank and each backup
// slot, the main-menu editor, the timer and hot-macro pages with the timer setup, macro
// step editor and key selector of every timer and step, and finally Save.
void runDataFile(const std::uint8_t *data, std::size_t size);
// Any bytes as a model file, opened through Fast Open, the device editor on it twice, Save.
void runModelFile(const std::uint8_t *data, std::size_t size);
void run(Target t, const std::uint8_t *data, std::size_t size);
void run(Target t, const QByteArray &input);

// A broken promise (a readable file that did not load, bytes changed that nothing may
// change, a save that does not give back the document) ends the process with a message,
// which libFuzzer reports like a crash and the test suite as a failed test.
[[noreturn]] void fail(const char *what, const QString &detail);

// The seed corpus, made by code: a realistic document, an empty one, one full of 255s.
struct Seed {
    QString name;
    QByteArray bytes;
};
std::vector<Seed> seeds(Target t);
// Writes the seeds of a target into a folder (made if needed); false when one cannot be written.
bool writeSeeds(Target t, const QString &folder);

// The fuzz targets' LLVMFuzzerInitialize: offscreen platform, the application object and
// the program folder. With the argument "-write_seeds=FOLDER" it writes the seed corpus
// and ends the program instead.
int initialise(Target t, int *argc, char ***argv);

}  // namespace quillet::fuzz

#define FUZZ_CHECK(condition, detail)                                                        \
    do {                                                                                     \
        if (!(condition))                                                                    \
            ::quillet::fuzz::fail(#condition, (detail));                                     \
    } while (false)
