// fuzz/fuzz_matrix.cpp: libFuzzer target: arbitrary bytes as a matrix text file (SSMat::read_text)
#include "fuzz/fuzz_readers.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// One input: the bytes as the whole content of "fuzz.mtx", read from memory; a broken promise
// aborts, which libFuzzer keeps as a crash with its input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    std::string broken = matrix_verdict(std::string((const char*)data, size), &error);
    if (!broken.empty())
    {
        fprintf(stderr, "%s\n(rejection: %s)\n", broken.c_str(), error.c_str());
        abort();
    }
    return 0;
}
