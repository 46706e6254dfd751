// libFuzzer entry points of the fuzz_editmodel target; the work is in EditModel.cpp.

#include "fuzz/Harness.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    return quillet::fuzz::initialise(quillet::fuzz::Target::EditModel, argc, argv);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quillet::fuzz::run(quillet::fuzz::Target::EditModel, data, size);
    return 0;
}
