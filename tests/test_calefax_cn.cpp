// tests/test_calefax_cn.cpp: the calefax-cn command: refused arguments, and a run
#include "scratch.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

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
        {"4 4 4 1e-9 35 1 2 1 1 1", "TSinput.txt: cannot open the input file"},
        {"4 4 4 1e-9 35 1 2 1 1 1 --blocks none.in", "none.in: cannot open the input file"},
        {"--data none.dat 1", "none.dat: cannot open the data file"},
        {"1 --data", "--data needs a file name"},
        {"--data none.dat", "usage: calefax-cn NX NY NZ"},
        {"4 4 4 1e-9 35 1 2 1 1 1 --convect", "unknown option '--convect'"},
    };
    for (auto& b : bad)
    {
        Outcome r = run_command(exe + " " + b[0]);
        EXPECT_EQ(1, r.status) << b[0];
        EXPECT_NE(std::string::npos, r.err.find(b[1])) << b[0] << ": " << r.err;
        EXPECT_FALSE(file_exists("Crank_Nicolson.txt"));
    }
}

// A convective run writes one probe temperature per step to its own file (an empty block file is
// warned about). On the chip of a data file with its blocks it follows the ADI run of the same
// files: both are second order in time, so their probe histories agree closely.
TEST(CalefaxCn, ConvectionRunsFollowTheAdiRun)
{
    ScratchDir dir;
    write_file("TSinput.txt", "");
    Outcome r = run_command(exe + " --convection 3 3 3 1e-9 35 2 2 1 1 1");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("warning: TSinput.txt: no block")) << r.err;
    std::string t = read_file("Crank_Nicolson_Conv.txt");
    EXPECT_EQ(2, std::count(t.begin() + t.find("(1, 1, 1):\n") + 11, t.end(), '\n')) << t;
    write_file("c.dat", "60\n6 5 4\n1e-4 1e-4 5e-5\n1e-4\n40\n10 20 30 40 1e4 2e3\n"
                        "SI 131 2329 700\nCU 398 8960 385\nA 1 1 1\nB 1 1 1\nC 1 1 1\n"
                        "D 1 1 1\nE 1 1 1\nF 1 1 1\nG 1 1 1\nH 1 1 1\nSI\n3 2 3\n0\n");
    write_file("c.in", "hot 1 1 2 4 3 3 CU 2e10\nside 0 2 0 2 5 2 SI 1e10\n");
    r = run_command(exe + " --data c.dat --blocks c.in 2 --convection");
    ASSERT_EQ(0, r.status) << r.err;
    std::string cn = read_file("Crank_Nicolson_Conv.txt");
    ASSERT_EQ(0, run_command(std::string(CALEFAX_EXE) + " c.dat c.in").status);
    std::istringstream adi(read_file("Calefax_transient.txt"));
    std::istringstream probe(cn.substr(cn.find("(3, 2, 3):\n") + 11));
    std::string mesh;
    std::getline(adi, mesh);
    int step, steps = 0;
    double a, c, rise = 0.0;
    while (adi >> step >> a && probe >> c)
    {
        steps++;
        rise = a - 40.0;
        // past the start, where the two schemes damp the first jolt differently
        EXPECT_TRUE(step <= 20 || std::fabs(a - c) <= 1e-3 * rise) << step << ": " << a << " " << c;
    }
    EXPECT_EQ(60, steps);
    EXPECT_GT(rise, 1.0);
}
