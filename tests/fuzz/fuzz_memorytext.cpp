// libFuzzer entry points of the fuzz_memorytext target; the work is in FileReaders.cpp. No window
// and no application object: the readers need neither.

#include "fuzz/Harness.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    quillet::fuzz::writeSeedsIfAsked(quillet::fuzz::Target::MemoryText, argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quillet::fuzz::runMemoryText(data, size);
    return 0;
}
