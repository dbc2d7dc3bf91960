// fuzz/fuzz_datafile.cpp: libFuzzer target: arbitrary bytes as a data file (parse_data_file)
#include "fuzz/fuzz_readers.h"

#include <cstddef>
#include <cstdint>

// One input: the bytes as the whole text of "fuzz.dat".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    return judge(datafile_verdict(std::string((const char*)data, size), &error), error);
}
