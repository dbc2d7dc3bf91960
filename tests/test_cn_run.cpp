// tests/test_cn_run.cpp: the fixed-face Crank-Nicolson run: hand-checked grid, report, methods,
// refused arguments, a failing factorisation and an unwritable result file
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>
#include <vector>

namespace
{

// Result of the last run: status, final T, console and file texts.
struct RunResult
{
    int status;
    std::vector<double> T;
    std::string out, err, file;
    bool released; // A, A_perm, L and rhs_perm all released by the run
};

// Runs Crank_Nicolson `runs` times on one fresh n x n x n solver in a scratch directory holding
// blocks; with blocked, a directory stands where the result file would go.
RunResult fixed_run(int n, double dt, const char* blocks, int method, int steps, int px, int py,
                    int pz, bool blocked = false, int runs = 1)
{
    ScratchDir dir;
    write_file("TSinput.txt", blocks);
    if (blocked)
        mkdir("Crank_Nicolson.txt", 0755);
    TScn s(n, n, n, dt, 35.0);
    RunResult r;
    for (int run = 0; run < runs; run++)
    {
        testing::internal::CaptureStderr();
        CoutCapture cap;
        r.status = s.Crank_Nicolson(method, steps, px, py, pz);
        r.out = cap.str();
        r.err = testing::internal::GetCapturedStderr();
    }
    r.T.assign(s.T, s.T + s.n_nodes);
    r.file =
        blocked || !file_exists("Crank_Nicolson.txt") ? "<none>" : read_file("Crank_Nicolson.txt");
    r.released = s.A == nullptr && s.A_perm == nullptr && s.L == nullptr && s.rhs_perm == nullptr;
    return r;
}

// The report with the run time replaced by "T".
std::string without_time(const std::string& report)
{
    return std::regex_replace(report, std::regex("(Run time of Crank_Nicolson is\\.\\.\\.  ).*"),
                              "$1T seconds");
}

} // namespace

// 2 x 2 x 2 intervals, no blocks: the one inner node solves (Cb + 6)*T = (Cb - 6)*35 + 12*83,
// every neighbour counted in both halves; every other node stays at 83.0 exactly.
TEST(CrankNicolson, SingleInnerNodeMatchesHandFormula)
{
    const double Cb = 2.0 * 2329.0 * 700.0 * 1e-12 / (131.0 * 1e-9);
    const double expect = ((Cb - 6.0) * 35.0 + 12 * 83.0) / (Cb + 6.0);
    for (int method = 1; method <= 3; method++)
    {
        RunResult r = fixed_run(2, 1e-9, "", method, 1, 1, 1, 1);
        ASSERT_EQ(0, r.status) << r.err;
        EXPECT_TRUE(r.released);
        EXPECT_NEAR(expect, r.T[13], 1e-13 * expect) << "method " << method;
        r.T[13] = 83.0;
        EXPECT_EQ(std::vector<double>(27, 83.0), r.T) << "method " << method;
    }
}

// A face node records 83.0 after every step, and with no steps the file holds the mesh,
// run-time and position lines only; the console report.
TEST(CrankNicolson, FaceNodeRecords83)
{
    const std::string head = "The mesh size is:  5X5X5\n\n\nRun time of Crank_Nicolson is...  T "
                             "seconds\n";
    RunResult r = fixed_run(4, 1e-9, "hot 1 1 1 3 3 3 M5 1e16\n", 1, 3, 0, 2, 2);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(head + "The temperature at position (0, 2, 2):\n83\n83\n83\n", without_time(r.file));
    EXPECT_EQ("Layer Name= M5\n" + head, without_time(r.out));
    r = fixed_run(4, 1e-9, "", 1, 0, 1, 2, 3);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(head + "The temperature at position (1, 2, 3):\n", without_time(r.file));
}

// Methods 1 and 2 agree to rounding, method 3 to its tolerance, with blocks and power.
TEST(CrankNicolson, MethodsAgree)
{
    const char* blocks = "* chip\ncore 2 2 2 4 4 3 Cu_Bulk 2e16\n   * gate\n"
                         "gate 1 1 5 5 3 5 POLY 1e16\n";
    std::vector<double> T[3];
    for (int m = 0; m < 3; m++)
        T[m] = fixed_run(6, 2e-10, blocks, m + 1, 5, 3, 3, 3).T;
    const double top = max_difference(T[1], std::vector<double>(T[1].size(), 0.0));
    ASSERT_GT(max_difference(T[1], std::vector<double>(T[1].size(), 35.0)), 10.0);
    EXPECT_LT(max_difference(T[0], T[1]), 1e-12 * top);
    EXPECT_LT(max_difference(T[2], T[1]), 1e-8 * top);
}

// An unknown method writes the menu in every step and leaves the temperatures as set up.
TEST(CrankNicolson, UnknownMethodWritesMenuAndKeepsT)
{
    RunResult r = fixed_run(3, 1e-9, "", 7, 2, 1, 1, 1);
    EXPECT_EQ(0, r.status);
    const std::string menu = "=========================================\n"
                             "  Please choose method 1 or 2\n"
                             "  Method=1  =>  Cholesky--MMD \n"
                             "  Method=2  =>  Cholesky\n"
                             "  Method=3  =>  Iterative Cholesky\n"
                             "=========================================\n";
    EXPECT_EQ(0u, r.out.find(menu + menu + "The mesh size is:  4X4X4\n"));
    EXPECT_NE(std::string::npos, r.file.find("):\n35\n35\n"));
}

// Arguments out of range are refused before "TSinput.txt" is read or the result file made.
TEST(CrankNicolson, RefusedArgumentsWriteNothing)
{
    const int args[][4] = {{-1, 0, 0, 0}, {1, 3, 0, 0}, {1, 0, -1, 0}, {1, 0, 0, 3}};
    for (auto& a : args)
    {
        RunResult r = fixed_run(2, 1e-9, "b 1 1 1 1 1 1 SI 1\n", 1, a[0], a[1], a[2], a[3]);
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("<none>", r.out + r.file) << "console text or a result file";
        EXPECT_EQ(0u, r.err.find("Calefax: error: Crank_Nicolson: ")) << r.err;
    }
}

// A pivot that is not positive (negative dt) stops the run: status 1, no report, no step.
TEST(CrankNicolson, FailedFactorisationStopsTheRun)
{
    for (int method = 1; method <= 3; method++)
    {
        RunResult r = fixed_run(2, -1e-12, "", method, 2, 1, 1, 1);
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("", r.out + r.file);
        EXPECT_NE(std::string::npos,
                  r.err.find("Calefax: error: Crank_Nicolson: the system matrix is not positive "
                             "definite"))
            << r.err;
        EXPECT_EQ(35.0, r.T[13]);
        EXPECT_TRUE(r.released);
    }
}

// An object serves one run: a second run is refused and changes nothing.
TEST(CrankNicolson, SecondRunIsRefused)
{
    RunResult r = fixed_run(2, 1e-9, "", 2, 1, 1, 1, 1, false, 2);
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("already run"));
    EXPECT_EQ(fixed_run(2, 1e-9, "", 2, 1, 1, 1, 1).T, r.T);
}

// A result file that cannot be created is reported after the console report; the run still runs.
TEST(CrankNicolson, UnwritableResultFileIsReportedLast)
{
    RunResult r = fixed_run(2, 1e-9, "", 1, 1, 1, 1, 1, true);
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("The mesh size is:  3X3X3"));
    EXPECT_EQ("Calefax: error: Crank_Nicolson.txt: cannot create or write the result file\n",
              r.err);
    EXPECT_TRUE(r.T[13] > 35.0 && r.T[13] < 83.0) << r.T[13];
}
