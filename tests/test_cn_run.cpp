// tests/test_cn_run.cpp: the fixed-face Crank-Nicolson run: hand-checked grid, refused runs
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <vector>

// Result of a run: status, final T, console texts, text of "Crank_Nicolson.txt" ("" if none).
struct RunResult
{
    int status;
    std::vector<double> T;
    std::string out, err, file;
};

// Crank_Nicolson(a[0..4]) once on a fresh 2 x 2 x 2 solver, dt = a[5] ns, in a folder with blocks.
static RunResult fixed_run(const char* blocks, const std::vector<int>& a)
{
    ScratchDir dir;
    write_file("TSinput.txt", blocks);
    TScn s(2, 2, 2, a[5] * 1e-9, 35.0);
    testing::internal::CaptureStderr();
    CoutCapture cap;
    const int status = s.Crank_Nicolson(a[0], a[1], a[2], a[3], a[4]);
    return {status, std::vector<double>(s.T, s.T + s.n_nodes), cap.str(),
            testing::internal::GetCapturedStderr(), read_file("Crank_Nicolson.txt")};
}

// The inner node solves (Cb + 6)*T = (Cb - 6)*35 + 12*83 (both halves); faces stay 83.0 exactly.
TEST(CrankNicolson, SingleInnerNodeMatchesHandFormula)
{
    const double Cb = 2.0 * 2329.0 * 700.0 * 1e-12 / (131.0 * 1e-9);
    const double expect = ((Cb - 6.0) * 35.0 + 12 * 83.0) / (Cb + 6.0);
    for (int method = 1; method <= 3; method++)
    {
        RunResult r = fixed_run("", {method, 1, 1, 1, 1, 1});
        ASSERT_EQ(0, r.status) << r.err;
        EXPECT_NEAR(expect, r.T[13], 1e-13 * expect) << "method " << method;
        r.T[13] = 83.0;
        EXPECT_EQ(std::vector<double>(27, 83.0), r.T) << "method " << method;
    }
}

// Bad arguments are refused, and a failed factorisation (dt < 0) ends the run, writing nothing.
TEST(CrankNicolson, RefusedArgumentsAndFailedFactorisation)
{
    const std::vector<int> args[] = {// method, steps, probe px, py, pz, sign of dt
                                     {1, -1, 0, 0, 0, 1}, {1, 0, 3, 0, 0, 1},  {1, 0, 0, -1, 0, 1},
                                     {1, 0, 0, 0, 3, 1},  {1, 2, 1, 1, 1, -1}, {2, 2, 1, 1, 1, -1},
                                     {3, 2, 1, 1, 1, -1}};
    for (auto& a : args)
    {
        const RunResult r = fixed_run("b 1 1 1 1 1 1 SI 1\n", a);
        EXPECT_EQ(1, r.status);
        EXPECT_EQ(a[5] < 0 ? "Layer Name= SI\n" : "", r.out + r.file); // and no result file
        EXPECT_NE(std::string::npos, r.err.find("Calefax: error: Crank_Nicolson: ")) << r.err;
        EXPECT_EQ(a[5] < 0, r.err.find("not positive definite") != std::string::npos) << r.err;
        EXPECT_EQ(35.0, r.T[13]);
    }
}
