// tests/test_adi_run.cpp: the transient ADI run with convection: steady states and outputs
#include "test_util.h"

#include <gtest/gtest.h>
#include <memory>

// Steady state of an SI grid (spacings d, face h) heated at q W/m^3. A step damps a mode of rate
// lambda by (1 - lambda dt/2)/(1 + lambda dt/2), near -1 for stiff modes at large dt: dt sweeps up.
static std::unique_ptr<TSdg> steady(const char* grid, const char* d, const char* h, const char* q)
{
    DataText t;
    t.grid = grid;
    t.spacing = d;
    t.h = h;
    std::unique_ptr<TSdg> s = read_model(t, std::string("all 0 0 0 ") + grid + " SI " + q + "\n");
    s->n_steps = 20;
    CoutCapture quiet;
    for (s->dt = 1e-8; s->dt < 1e3; s->dt *= 2)
        s->Dauglas_Gunn_Convection();
    return s;
}

// Cut planes: x and Y planes give a line per k, z planes a line per j, each value tab-terminated;
// an unknown axis leaves an empty file and prints its message; no step leaves one history line.
TEST(ConvectionRun, CutPlaneFiles)
{
    ScratchDir dir;
    DataText t;
    t.steps = "0";
    t.grid = "1 2 1";
    t.probe = "0 0 0";
    t.cuts = "4 x 1 px.txt Y 2 py.txt z 0 pz.txt q 7 pq.txt";
    write_file("chip.dat", t.text());
    TSdg s("chip.dat");
    for (int i = 0; i <= 1; i++)
        for (int j = 0; j <= 2; j++)
            for (int k = 0; k <= 1; k++)
                s.T[i][j][k] = 100 * i + 10 * j + k;
    CoutCapture out;
    s.Dauglas_Gunn_Convection();
    EXPECT_EQ("\\2X3X2\n", read_file("Calefax_transient.txt"));
    EXPECT_EQ("100\t110\t120\t\n101\t111\t121\t\n", read_file("px.txt"));
    EXPECT_EQ("20\t120\t\n21\t121\t\n", read_file("py.txt"));
    EXPECT_EQ("0\t100\t\n10\t110\t\n20\t120\t\n", read_file("pz.txt"));
    EXPECT_TRUE(file_exists("pq.txt") && read_file("pq.txt").empty());
    EXPECT_NE(std::string::npos, out.str().find("The cut plane must be x, y, or z!\n"));
}

// Steady states against independent references. A slab heated uniformly and cooled through its two
// z faces only (unequal spacings on the three axes) takes the analytic parabola T_amb + qL/(2h) +
// q z (L - z)/(2k). With six faces of six h, the heat convected out equals the power put in: every
// node's share of its block's power counts once, faces included. History line s+1 holds the probe
// after step s, written as the stream writes it.
TEST(ConvectionRun, SteadyStatesMatchReferences)
{
    ScratchDir dir;
    std::unique_ptr<TSdg> s = steady("2 3 8", "1e-3 2e-3 1e-4", "0 0 0 0 1e4 1e4", "1e9");
    const double q = 1e9, L = 8 * 1e-4, h = 1e4, k = 131.0;
    auto want = [=](double z) { return 25.0 + q * L / (2 * h) + q * z * (L - z) / (2 * k); };
    for (int i = 0; i <= 2; i++)
        for (int j = 0; j <= 3; j++)
            for (int kk = 0; kk <= 8; kk++)
                EXPECT_NEAR(want(kk * 1e-4), s->T[i][j][kk], 1e-7) << i << " " << j << " " << kk;
    s = steady("4 5 3", "2e-4 1e-4 5e-5", "1e3 2e3 3e3 4e3 5e3 6e3", "2e9");
    EXPECT_NEAR(1.0, heat_out(*s) / (2e9 * (4 * 2e-4) * (5 * 1e-4) * (3 * 5e-5)), 1e-6);
    std::ostringstream probe;
    probe << "20      " << s->T[2][2][2];
    std::vector<std::string> lines = text_lines(read_file("Calefax_transient.txt"));
    ASSERT_EQ(21u, lines.size());
    EXPECT_EQ(probe.str(), lines[20]);
}
