// The libFuzzer entry point of one target, chosen at build time with
// -DPELKO_FUZZ_ENTRY=fuzzJson (or another function of fuzz_entries.h).
#include "fuzz/fuzz_entries.h"

#ifndef PELKO_FUZZ_ENTRY
#error "define PELKO_FUZZ_ENTRY as the fuzz function of the target"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return pelko::fuzz::PELKO_FUZZ_ENTRY(data, size);
}
