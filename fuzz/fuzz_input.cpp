// fuzz/fuzz_input.cpp: libFuzzer target: arbitrary bytes as an ADI input file
// (TSdg::read_geometry) on the built-in model of a 16 x 16 x 10 grid
#include "fuzz/fuzz_readers.h"

#include <cstddef>
#include <cstdint>
#include <iostream>

namespace
{

NullBuffer sink;        // std::cout's buffer while fuzzing
TSdg* solver = nullptr; // made once: every input is read against its grid and layer table

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::cout.rdbuf(&sink);
    solver = new TSdg(16, 16, 10, 1e-3, 25.0);
    return 0;
}

// One input: the bytes as the whole text of "fuzz.in".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    return judge(input_verdict(*solver, std::string((const char*)data, size), &error), error);
}
