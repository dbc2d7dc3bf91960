// tests/test_util.h: helpers shared by the test files
#ifndef TESTS_TEST_UTIL_H
#define TESTS_TEST_UTIL_H

#include <iostream>
#include <sstream>
#include <string>

// Everything written to std::cout while a CoutCapture lives goes into its buffer instead of the
// console: the constructor swaps std::cout's stream buffer for its own, the destructor puts the
// original back. Only std::cout is captured (not printf, not std::cerr). Not copyable.
class CoutCapture
{
public:
    CoutCapture() : saved(std::cout.rdbuf(text.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(saved); }
    CoutCapture(const CoutCapture&) = delete;
    CoutCapture& operator=(const CoutCapture&) = delete;

    // Everything captured so far.
    std::string str() const { return text.str(); }

private:
    std::ostringstream text;   // receives the output
    std::streambuf* saved;     // std::cout's own buffer, restored on destruction
};

#endif
