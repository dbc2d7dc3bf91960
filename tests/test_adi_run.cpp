// tests/test_adi_run.cpp: the transient ADI run with convection: invariants, steady states, outputs
#include "adi/TSdg.h"
#include "scratch.h"
#include "test_util.h"

#include <cmath>
#include <gtest/gtest.h>

namespace
{

// Runs the convection run of a solver read from the given data and input texts in the current
// directory; returns the console output.
std::string run(TSdg& s, int* status = nullptr)
{
    CoutCapture out;
    int st = s.Dauglas_Gunn_Convection();
    if (status)
        *status = st;
    return out.str();
}

// Brings the field to its steady state. A Crank-Nicolson-type step damps a mode of rate lambda by
// (1 - lambda dt/2)/(1 + lambda dt/2), close to -1 for the stiff modes when dt is large, so the
// runs sweep dt geometrically from far below the fastest to far above the slowest time constant.
void relax_to_steady(TSdg& s)
{
    s.n_steps = 20;
    for (double dt = 1e-8; dt < 1e3; dt *= 2)
    {
        s.dt = dt;
        run(s);
    }
}

// Heat convected out through every face node: h times the node's share of the face area times
// (T - T_amb), summed over the six faces.
double convected(const TSdg& s)
{
    double total = 0.0;
    const int last[3] = {s.nx, s.ny, s.nz};
    const double d[3] = {s.dx, s.dy, s.dz};
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++)
            {
                const int at[3] = {i, j, k};
                for (int a = 0; a < 3; a++)
                {
                    if (at[a] != 0 && at[a] != last[a])
                        continue;
                    double area = 1.0;
                    for (int b = 0; b < 3; b++)
                        if (b != a)
                            area *= (at[b] == 0 || at[b] == last[b]) ? d[b] / 2 : d[b];
                    double h = at[a] == 0 ? s.h[2 * a + 1] : s.h[2 * a];
                    total += h * area * (s.T[i][j][k] - s.T_amb);
                }
            }
    return total;
}

} // namespace

// A field at T_amb without power stays at T_amb: convection and conduction cancel on every row.
TEST(ConvectionRun, UniformFieldStaysUniform)
{
    ScratchDir dir;
    DataText t;
    t.grid = "3 4 5";
    t.spacing = "1e-4 2e-4 5e-5";
    write_file("chip.dat", t.text());
    write_file("chip.in", "* nothing\n");
    TSdg s("chip.dat");
    s.read_geometry("chip.in");
    run(s);
    for (int i = 0; i <= 3; i++)
        for (int j = 0; j <= 4; j++)
            for (int k = 0; k <= 5; k++)
                EXPECT_NEAR(25.0, s.T[i][j][k], 1e-11);
}

// With no step the result file holds only its first line and no progress line is printed.
TEST(ConvectionRun, ZeroSteps)
{
    ScratchDir dir;
    DataText t;
    t.steps = "0";
    t.grid = "20 20 10";
    t.probe = "0 0 0";
    write_file("chip.dat", t.text());
    TSdg s("chip.dat");
    std::string out = run(s);
    EXPECT_EQ("\\21X21X11\n", read_file("Calefax_transient.txt"));
    EXPECT_EQ(std::string::npos, out.find("Iteration"));
    EXPECT_EQ(0u, out.find("The mesh size is:  21X21X11\nDone!\n\n\nRun time of the Calefax "
                           "Simulator is...  "));
}

// Progress lines count the steps from 0; history line s+1 holds the probe after step s.
TEST(ConvectionRun, ProgressAndHistory)
{
    ScratchDir dir;
    DataText t;
    t.steps = "3";
    t.probe = "1 2 3";
    write_file("chip.dat", t.text());
    write_file("chip.in", "hot 1 1 1 3 3 3 SI 1e12\n");
    TSdg s("chip.dat");
    s.read_geometry("chip.in");
    std::string out = run(s);
    EXPECT_EQ(0u, out.find("Iteration = 0\nIteration = 1\nIteration = 2\nThe mesh size"));
    std::istringstream file(read_file("Calefax_transient.txt"));
    std::string first;
    std::getline(file, first);
    EXPECT_EQ("\\5X5X5", first);
    int n;
    double v;
    for (int step = 1; step <= 3; step++)
    {
        ASSERT_TRUE(file >> n >> v);
        EXPECT_EQ(step, n);
    }
    std::ostringstream last;
    last << s.T[1][2][3];
    std::ostringstream got;
    got << v;
    EXPECT_EQ(last.str(), got.str());
    EXPECT_GT(v, 25.0);
}

// Cut planes: x and Y planes give nz+1 lines, z planes ny+1 lines, each value tab-terminated; an
// unknown axis leaves an empty file and prints its message.
TEST(ConvectionRun, CutPlaneFiles)
{
    ScratchDir dir;
    DataText t;
    t.steps = "0";
    t.grid = "2 3 4";
    t.probe = "0 0 0";
    t.cuts = "4 x 1 px.txt Y 2 py.txt z 0 pz.txt q 7 pq.txt";
    write_file("chip.dat", t.text());
    TSdg s("chip.dat");
    for (int i = 0; i <= 2; i++)
        for (int j = 0; j <= 3; j++)
            for (int k = 0; k <= 4; k++)
                s.T[i][j][k] = 100 * i + 10 * j + k;
    std::string out = run(s);
    std::string x, y, z;
    for (int k = 0; k <= 4; k++)
    {
        for (int j = 0; j <= 3; j++)
            x += std::to_string(100 + 10 * j + k) + "\t";
        x += "\n";
        for (int i = 0; i <= 2; i++)
            y += std::to_string(100 * i + 20 + k) + "\t";
        y += "\n";
    }
    for (int j = 0; j <= 3; j++)
    {
        for (int i = 0; i <= 2; i++)
            z += std::to_string(100 * i + 10 * j) + "\t";
        z += "\n";
    }
    EXPECT_EQ(x, read_file("px.txt"));
    EXPECT_EQ(y, read_file("py.txt"));
    EXPECT_EQ(z, read_file("pz.txt"));
    EXPECT_TRUE(file_exists("pq.txt"));
    EXPECT_EQ("", read_file("pq.txt"));
    EXPECT_NE(std::string::npos, out.find("The cut plane must be x, y, or z!\n"));
}

// A slab heated uniformly and cooled through its two z faces only (unequal spacings on the three
// axes): the discrete steady state is the analytic parabola T_amb + qL/(2h) + q z (L - z)/(2k).
TEST(ConvectionRun, SteadySlabMatchesAnalyticProfile)
{
    ScratchDir dir;
    DataText t;
    t.grid = "2 3 8";
    t.spacing = "1e-3 2e-3 1e-4";
    t.h = "0 0 0 0 1e4 1e4";
    t.probe = "1 1 4";
    write_file("chip.dat", t.text());
    const double q = 1e9;
    write_file("chip.in", "all 0 0 0 2 3 8 SI 1e9\n");
    TSdg s("chip.dat");
    s.read_geometry("chip.in");
    relax_to_steady(s);
    const double L = 8 * 1e-4, h = 1e4, k = 131.0;
    for (int kk = 0; kk <= 8; kk++)
    {
        double z = kk * 1e-4;
        double want = 25.0 + q * L / (2 * h) + q * z * (L - z) / (2 * k);
        for (int i = 0; i <= 2; i++)
            for (int j = 0; j <= 3; j++)
                EXPECT_NEAR(want, s.T[i][j][kk], 1e-9 * want) << i << " " << j << " " << kk;
    }
}

// At steady state the power put in equals the heat convected out through all six faces, each with
// its own h: every node's share of its block's power is counted once, faces included.
TEST(ConvectionRun, EnergyBalanceAtSteadyState)
{
    ScratchDir dir;
    DataText t;
    t.grid = "4 5 3";
    t.spacing = "2e-4 1e-4 5e-5";
    t.h = "1e3 2e3 3e3 4e3 5e3 6e3";
    write_file("chip.dat", t.text());
    const double q = 2e9;
    write_file("chip.in", "all 0 0 0 4 5 3 SI 2e9\n");
    TSdg s("chip.dat");
    s.read_geometry("chip.in");
    relax_to_steady(s);
    double power_in = q * (4 * 2e-4) * (5 * 1e-4) * (3 * 5e-5);
    EXPECT_NEAR(1.0, convected(s) / power_in, 1e-6);
}
