// tests/test_calefax_cn.cpp: the calefax-cn command: refused arguments, and a run
#include "scratch.h"

#include <gtest/gtest.h>
#include <algorithm>

static const std::string exe = CALEFAX_CN_EXE; // the command under test

// Wrong counts print the usage; bad values are refused by name before any file is touched.
TEST(CalefaxCn, RefusedArguments)
{
    ScratchDir dir;
    const char* bad[][2] = {
        {"4 4 4", "usage: calefax-cn NX NY NZ"},
        {"0 4 4 1e-9 35 1 2 1 1 1", "NX must be an integer >= 1, not '0'"},
        {"4 4 4x 1e-9 35 1 2 1 1 1", "NZ must be an integer >= 1, not '4x'"},
        {"4 4 4 0 35 1 2 1 1 1", "DT must be a positive number"},
        {"4 4 4 1e-9 nan 1 2 1 1 1", "T_AMB must be a finite number"},
        {"4 4 4 1e-9 35 4 2 1 1 1", "METHOD must be 1, 2 or 3, not '4'"},
        {"4 4 4 1e-9 35 1 -1 1 1 1", "STEPS must be an integer >= 0"},
        {"4 4 4 1e-9 35 1 2 1 5 1", "PY must be a node index in 0..4, not '5'"},
        {"2000 2000 2000 1e-9 35 1 2 1 1 1", "nodes, more than"},
    };
    for (auto& b : bad)
    {
        Outcome r = run_command(exe + " " + b[0]);
        EXPECT_EQ(1, r.status) << b[0];
        EXPECT_NE(std::string::npos, r.err.find(b[1])) << b[0] << ": " << r.err;
        EXPECT_FALSE(file_exists("Crank_Nicolson.txt"));
    }
}

// A run with convection writes one probe temperature per step to its own file.
TEST(CalefaxCn, ConvectionRunWritesItsFile)
{
    ScratchDir dir;
    Outcome r = run_command(exe + " 3 3 3 1e-9 35 2 2 1 1 1 --convection");
    ASSERT_EQ(0, r.status) << r.err;
    std::string t = read_file("Crank_Nicolson_Conv.txt");
    EXPECT_EQ(2, std::count(t.begin() + t.find("(1, 1, 1):\n") + 11, t.end(), '\n')) << t;
}
