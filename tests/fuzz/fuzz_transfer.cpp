// libFuzzer entry points of the fuzz_transfer target; the work is in Harness.cpp.

#include "fuzz/Harness.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    return quillet::fuzz::initialise(quillet::fuzz::Target::Transfer, argc, argv);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quillet::fuzz::run(quillet::fuzz::Target::Transfer, data, size);
    return 0;
}
