// fuzz/fuzz_trace.cpp: libFuzzer target: arbitrary bytes as the power trace "fuzz.trace", read and
// bound to the units of a small chip
#include "fuzz/fuzz_readers.h"

#include <cstddef>
#include <cstdint>

namespace
{

const Units* units = nullptr; // made once: every trace is bound to the same units

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    units = new Units(trace_units());
    return 0;
}

// One input: the bytes as the whole text of "fuzz.trace".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    return judge(trace_verdict(*units, std::string((const char*)data, size), &error), error);
}
