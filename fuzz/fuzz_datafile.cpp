// fuzz/fuzz_datafile.cpp: libFuzzer target: arbitrary bytes as a data file (parse_data_file)
#include "fuzz/fuzz_readers.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// One input: the bytes as the whole text of "fuzz.dat"; a broken promise aborts, which libFuzzer
// keeps as a crash with its input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    std::string broken = datafile_verdict(std::string((const char*)data, size), &error);
    if (!broken.empty())
    {
        fprintf(stderr, "%s\n(rejection: %s)\n", broken.c_str(), error.c_str());
        abort();
    }
    return 0;
}
