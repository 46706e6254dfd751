// libFuzzer entry points of the fuzz_editmodel target; the work is in EditModel.cpp. No
// window and no application object: the model needs neither.

#include "fuzz/Harness.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    quillet::fuzz::writeSeedsIfAsked(quillet::fuzz::Target::EditModel, argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quillet::fuzz::runEditModel(data, size);
    return 0;
}
