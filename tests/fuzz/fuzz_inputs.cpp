// libFuzzer entry points of the fuzz_inputs target; the work is in Inputs.cpp. No window
// and no application object: the readers need neither.

#include "fuzz/Harness.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    quillet::fuzz::writeSeedsIfAsked(quillet::fuzz::Target::Inputs, argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quillet::fuzz::runInputs(data, size);
    return 0;
}
