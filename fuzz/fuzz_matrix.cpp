// fuzz/fuzz_matrix.cpp: libFuzzer target: arbitrary bytes as a matrix text file (SSMat::read_text)
#include "fuzz/fuzz_readers.h"

#include <cstddef>
#include <cstdint>

// One input: the bytes as the whole content of "fuzz.mtx", read from memory.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    return judge(matrix_verdict(std::string((const char*)data, size), &error), error);
}
