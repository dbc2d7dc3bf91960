// tests/test_cn_run.cpp: the fixed-face Crank-Nicolson run: hand-checked grid, report, methods,
// refused arguments, a failing factorisation and an unwritable result file
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace
{

// Blocks inside a 6 x 6 x 6 grid, away from the faces, with power.
const char* const blocks6 = "* chip\n"
                            "core 2 2 2 4 4 3 Cu_Bulk 2e16\n"
                            "   * gate\n"
                            "gate 1 1 5 5 3 5 POLY 1e16\n";

// Result of one run: status, final T, console and file texts.
struct RunResult
{
    int status;
    std::vector<double> T;
    std::string out, err, file;
    bool released; // A, A_perm, L and rhs_perm all released by the run
};

// Runs Crank_Nicolson on a fresh n x n x n solver in a scratch directory holding blocks.
RunResult fixed_run(int n, double dt, const char* blocks, int method, int steps, int px, int py,
                    int pz)
{
    ScratchDir dir;
    write_file("TSinput.txt", blocks);
    TScn s(n, n, n, dt, 35.0);
    RunResult r;
    testing::internal::CaptureStderr();
    {
        CoutCapture cap;
        r.status = s.Crank_Nicolson(method, steps, px, py, pz);
        r.out = cap.str();
    }
    r.err = testing::internal::GetCapturedStderr();
    r.T.assign(s.T, s.T + s.n_nodes);
    r.file = file_exists("Crank_Nicolson.txt") ? read_file("Crank_Nicolson.txt") : "<none>";
    r.released = s.A == nullptr && s.A_perm == nullptr && s.L == nullptr && s.rhs_perm == nullptr;
    return r;
}

// The report with the run time replaced by "T".
std::string without_time(const std::string& report)
{
    std::vector<std::string> lines = text_lines(report);
    std::string text;
    for (std::string& line : lines)
    {
        if (line.rfind("Run time of Crank_Nicolson is...  ", 0) == 0)
            line = "Run time of Crank_Nicolson is...  T seconds";
        text += line + "\n";
    }
    return text;
}

double max_difference(const std::vector<double>& a, const std::vector<double>& b)
{
    double m = 0.0;
    for (size_t n = 0; n < a.size(); n++)
        m = std::max(m, std::fabs(a[n] - b[n]));
    return m;
}

} // namespace

// 2 x 2 x 2 intervals, no blocks: the one inner node solves (Cb + 6)*T = (Cb - 6)*35 + 12*83,
// every neighbour counted in both halves; every other node stays at 83.0 exactly.
TEST(CrankNicolson, SingleInnerNodeMatchesHandFormula)
{
    for (int method = 1; method <= 3; method++)
    {
        RunResult r = fixed_run(2, 1e-9, "", method, 1, 1, 1, 1);
        ASSERT_EQ(0, r.status) << r.err;
        EXPECT_TRUE(r.released);
        double Cb = 2.0 * 2329.0 * 700.0 * 1e-12 / (131.0 * 1e-9);
        double expect = ((Cb - 6.0) * 35.0 + 12 * 83.0) / (Cb + 6.0);
        EXPECT_NEAR(expect, r.T[13], 1e-13 * expect) << "method " << method;
        for (int n = 0; n < 27; n++)
        {
            if (n != 13)
            {
                EXPECT_EQ(83.0, r.T[n]) << "method " << method << " node " << n;
            }
        }
    }
}

// A face node records 83.0 after every step, exactly for the direct methods; the report layout.
TEST(CrankNicolson, FaceNodeRecords83)
{
    for (int method = 1; method <= 2; method++)
    {
        RunResult r = fixed_run(4, 1e-9, "hot 1 1 1 3 3 3 M5 1e16\n", method, 3, 0, 2, 2);
        ASSERT_EQ(0, r.status) << r.err;
        EXPECT_EQ("The mesh size is:  5X5X5\n\n\nRun time of Crank_Nicolson is...  T seconds\n"
                  "The temperature at position (0, 2, 2):\n83\n83\n83\n",
                  without_time(r.file));
        EXPECT_EQ("Layer Name= M5\nThe mesh size is:  5X5X5\n\n\n"
                  "Run time of Crank_Nicolson is...  T seconds\n",
                  without_time(r.out));
    }
}

// With no steps the file holds the mesh, run-time and position lines only.
TEST(CrankNicolson, ZeroStepsReportHasNoTemperatures)
{
    RunResult r = fixed_run(3, 1e-9, "", 1, 0, 1, 2, 3);
    ASSERT_EQ(0, r.status);
    EXPECT_EQ("The mesh size is:  4X4X4\n\n\nRun time of Crank_Nicolson is...  T seconds\n"
              "The temperature at position (1, 2, 3):\n",
              without_time(r.file));
}

// Methods 1 and 2 agree to rounding, method 3 to its tolerance, with blocks and power.
TEST(CrankNicolson, MethodsAgree)
{
    RunResult r1 = fixed_run(6, 2e-10, blocks6, 1, 5, 3, 3, 3);
    RunResult r2 = fixed_run(6, 2e-10, blocks6, 2, 5, 3, 3, 3);
    RunResult r3 = fixed_run(6, 2e-10, blocks6, 3, 5, 3, 3, 3);
    double rise = 0.0, top = 0.0;
    for (double t : r2.T)
    {
        rise = std::max(rise, std::fabs(t - 35.0));
        top = std::max(top, std::fabs(t));
    }
    ASSERT_GT(rise, 10.0);
    EXPECT_LT(max_difference(r1.T, r2.T), 1e-12 * top);
    EXPECT_LT(max_difference(r3.T, r2.T), 1e-8 * top);
}

// An unknown method writes the menu in every step and leaves the temperatures as set up.
TEST(CrankNicolson, UnknownMethodWritesMenuAndKeepsT)
{
    RunResult r = fixed_run(3, 1e-9, "", 7, 2, 1, 1, 1);
    EXPECT_EQ(0, r.status);
    EXPECT_TRUE(r.released);
    const std::string menu = "=========================================\n"
                             "  Please choose method 1 or 2\n"
                             "  Method=1  =>  Cholesky--MMD \n"
                             "  Method=2  =>  Cholesky\n"
                             "  Method=3  =>  Iterative Cholesky\n"
                             "=========================================\n";
    EXPECT_EQ(0u, r.out.find(menu + menu + "The mesh size is:  4X4X4\n"));
    EXPECT_EQ(35.0, r.T[cn_node(3, 3, 1, 1, 1)]);
    EXPECT_EQ(83.0, r.T[0]);
    EXPECT_NE(std::string::npos, r.file.find("):\n35\n35\n"));
}

// Arguments out of range are refused before "TSinput.txt" is read or the result file made.
TEST(CrankNicolson, RefusedArgumentsWriteNothing)
{
    const int args[][4] = {{-1, 0, 0, 0}, {1, 4, 0, 0}, {1, 0, -1, 0}, {1, 0, 0, 4}};
    for (auto& a : args)
    {
        RunResult r = fixed_run(3, 1e-9, "b 1 1 1 1 1 1 SI 1\n", 1, a[0], a[1], a[2], a[3]);
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("", r.out);
        EXPECT_EQ("<none>", r.file);
        EXPECT_EQ(0u, r.err.find("Calefax: error: Crank_Nicolson: ")) << r.err;
    }
}

// An object serves one run: a second run is refused and changes nothing.
TEST(CrankNicolson, SecondRunIsRefused)
{
    ScratchDir dir;
    TScn s(2, 2, 2, 1e-9, 35.0);
    CoutCapture cap;
    ASSERT_EQ(0, s.Crank_Nicolson(2, 1, 1, 1, 1));
    double t = s.T[13];
    testing::internal::CaptureStderr();
    EXPECT_EQ(1, s.Crank_Nicolson(2, 1, 1, 1, 1));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("already run"));
    EXPECT_EQ(t, s.T[13]);
}

// A pivot that is not positive (negative dt) stops the run: status 1, no report, no step.
TEST(CrankNicolson, FailedFactorisationStopsTheRun)
{
    for (int method = 1; method <= 3; method++)
    {
        RunResult r = fixed_run(2, -1e-12, "", method, 2, 1, 1, 1);
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("", r.file);
        EXPECT_EQ("", r.out);
        EXPECT_NE(std::string::npos, r.err.find("is not positive")) << r.err;
        EXPECT_NE(std::string::npos,
                  r.err.find("Calefax: error: Crank_Nicolson: the system matrix is not positive "
                             "definite"))
            << r.err;
        EXPECT_EQ(35.0, r.T[13]);
        EXPECT_TRUE(r.released);
    }
}

// A result file that cannot be created is reported after the console report; the run still runs.
TEST(CrankNicolson, UnwritableResultFileIsReportedLast)
{
    ScratchDir dir;
    ASSERT_EQ(0, mkdir("Crank_Nicolson.txt", 0755));
    TScn s(2, 2, 2, 1e-9, 35.0);
    testing::internal::CaptureStderr();
    std::string out;
    int status;
    {
        CoutCapture cap;
        status = s.Crank_Nicolson(1, 1, 1, 1, 1);
        out = cap.str();
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, status);
    EXPECT_NE(std::string::npos, out.find("The mesh size is:  3X3X3"));
    EXPECT_EQ("Calefax: error: Crank_Nicolson.txt: cannot create or write the result file\n", err);
    EXPECT_LT(s.T[13], 83.0);
    EXPECT_GT(s.T[13], 35.0);
}
