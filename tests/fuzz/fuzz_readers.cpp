// libFuzzer entry points of the fuzz_readers target; the work is in Readers.cpp.

#include "fuzz/Harness.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    return quillet::fuzz::initialise(quillet::fuzz::Target::Readers, argc, argv);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quillet::fuzz::run(quillet::fuzz::Target::Readers, data, size);
    return 0;
}
