// tests/test_calefax_cn.cpp: the calefax-cn command: refused arguments, and one run per method
#include "scratch.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

const std::string exe = CALEFAX_CN_EXE;

// The recorded temperatures of a report file: the lines after "The temperature at position".
std::vector<double> history(const std::string& file)
{
    std::string text = read_file(file);
    size_t at = text.find("):\n");
    std::vector<double> v;
    if (at == std::string::npos)
        return v;
    std::istringstream in(text.substr(at + 3));
    double x;
    while (in >> x)
        v.push_back(x);
    return v;
}

} // namespace

// Wrong argument counts print the usage; each bad value is refused by name before any file is
// read or written.
TEST(CalefaxCn, RefusedArguments)
{
    ScratchDir dir;
    Outcome r = run_command(exe + " 4 4 4");
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(0u, r.err.find("usage: calefax-cn NX NY NZ"));
    const char* bad[][2] = {
        {"0 4 4 1e-9 35 1 2 1 1 1", "NX must be an integer >= 1, not '0'"},
        {"4 4 4x 1e-9 35 1 2 1 1 1", "NZ must be an integer >= 1, not '4x'"},
        {"4 4 4 0 35 1 2 1 1 1", "DT must be a positive number"},
        {"4 4 4 1e-9 nan 1 2 1 1 1", "T_AMB must be a finite number"},
        {"4 4 4 1e-9 35 4 2 1 1 1", "METHOD must be 1, 2 or 3, not '4'"},
        {"4 4 4 1e-9 35 1 -1 1 1 1", "STEPS must be an integer >= 0"},
        {"4 4 4 1e-9 35 1 2 1 5 1", "PY must be a node index in 0..4, not '5'"},
        {"4 4 4 1e-9 35 1 2 1 1 1 --fast", "usage"},
        {"2000 2000 2000 1e-9 35 1 2 1 1 1", "nodes, more than"},
    };
    for (auto& b : bad)
    {
        r = run_command(exe + " " + b[0]);
        EXPECT_EQ(1, r.status) << b[0];
        EXPECT_NE(std::string::npos, r.err.find(b[1])) << b[0] << ": " << r.err;
        EXPECT_FALSE(file_exists("Crank_Nicolson.txt"));
    }
}

// The three methods on a small chip give the same history (the direct methods to the digit, the
// iterative one within its tolerance), for both runs.
TEST(CalefaxCn, MethodsAgree)
{
    ScratchDir dir;
    write_file("TSinput.txt", "* a hot block\nhot 1 1 1 3 3 3 ACTIVE 1e14\n");
    for (const char* mode : {"", " --convection"})
    {
        std::string file = *mode ? "Crank_Nicolson_Conv.txt" : "Crank_Nicolson.txt";
        std::vector<double> h[3];
        for (int m = 1; m <= 3; m++)
        {
            Outcome r = run_command(exe + " 5 5 5 1e-9 35 " + std::to_string(m) + " 4 2 2 2" + mode);
            ASSERT_EQ(0, r.status) << r.err;
            EXPECT_NE(std::string::npos, r.out.find("The mesh size is:  6X6X6"));
            h[m - 1] = history(file);
            ASSERT_EQ(4u, h[m - 1].size()) << read_file(file);
        }
        for (int s = 0; s < 4; s++)
        {
            EXPECT_EQ(h[0][s], h[1][s]);
            EXPECT_NEAR(h[0][s], h[2][s], 1e-6 * h[0][s]);
        }
        EXPECT_GT(h[0][3], h[0][0]);
    }
}
