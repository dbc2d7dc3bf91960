// tests/test_cn_convection.cpp: the Crank-Nicolson run with convective faces at steady state
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <vector>

// Heat convected out of a cube grid: on each face (h ordered x-max, x-min, y-max, ...), h times
// the node's share of the face area (dx^2, halved per other face it lies on) times (T - T_amb).
static double convected(const TScn& s)
{
    double total = 0.0;
    const int m = s.nx + 1;
    for (int n = 0; n < m * m * m; n++)
    {
        const int at[3] = {n % m, n / (m * m), n / m % m}; // i, j, k: x fastest, then z, then y
        double hs = 0.0, share = 2.0 * s.dx * s.dx; // h summed over the node's faces; area share
        for (int a = 0; a < 3; a++)
            if (at[a] == 0 || at[a] == s.nx)
                hs += s.h[2 * a + (at[a] == 0)], share /= 2.0;
        total += hs * share * (s.T[n] - s.T_amb);
    }
    return total;
}

// A huge dt reflects T0 through the steady state: a run from (T0 + T1)/2 stays, and every watt
// of the blocks' cells leaves through the faces, the core touching the die included.
TEST(CrankNicolsonConvection, SteadyStateBalancesPowerAndConvection)
{
    ScratchDir dir;
    CoutCapture quiet;
    write_file("TSinput.txt", "die 0 0 0 6 6 6 SI 1e12\ncore 1 1 1 5 5 5 Cu_Bulk 3e12\n");
    TScn first(6, 6, 6, 1e6, 25.0), s(6, 6, 6, 1e6, 25.0);
    for (int f = 0; f < 6; f++)
        first.h[f] = s.h[f] = 1e4 * (f + 1);
    ASSERT_EQ(0, first.Crank_Nicolson_Convection(1, 1, 0, 0, 0));
    for (int n = 0; n < s.n_nodes; n++)
        s.T[n] = (35.0 + first.T[n]) / 2.0;
    const std::vector<double> steady(s.T, s.T + s.n_nodes);
    ASSERT_EQ(0, s.Crank_Nicolson_Convection(1, 3, 0, 0, 0));
    const double rise = max_difference(steady, std::vector<double>(s.n_nodes, s.T_amb));
    EXPECT_LT(max_difference(std::vector<double>(s.T, s.T + s.n_nodes), steady), 1e-8 * rise);
    // the cells of the die less the core's, the core's cells (a cell is dx^3 = 1e-18 m^3)
    const double power_in = 1e12 * (216 - 64) * 1e-18 + 3e12 * 64e-18;
    EXPECT_NEAR(power_in, convected(s), 1e-6 * power_in);
}
