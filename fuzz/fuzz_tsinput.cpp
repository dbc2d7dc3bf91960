// fuzz/fuzz_tsinput.cpp: libFuzzer target: arbitrary bytes as "TSinput.txt"
// (TScn::read_geometry) on the built-in model of a 16 x 16 x 10 grid
#include "fuzz/fuzz_readers.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

namespace
{

// Accepts and drops everything: the reader echoes every layer name on std::cout, which would
// only slow the fuzzer down and bury its reports.
class NullBuffer : public std::streambuf
{
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

NullBuffer sink;        // std::cout's buffer while fuzzing
TScn* solver = nullptr; // made once: every input is read against its grid and layer table

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::cout.rdbuf(&sink);
    solver = new TScn(16, 16, 10, 1e-9, 35.0);
    return 0;
}

// One input: the bytes as the whole text of "TSinput.txt"; a broken promise aborts, which libFuzzer
// keeps as a crash with its input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    std::string broken = tsinput_verdict(*solver, std::string((const char*)data, size), &error);
    if (!broken.empty())
    {
        fprintf(stderr, "%s\n(rejection: %s)\n", broken.c_str(), error.c_str());
        abort();
    }
    return 0;
}
