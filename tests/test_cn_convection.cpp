// tests/test_cn_convection.cpp: the Crank-Nicolson run with convective faces: no convection, the
// progress lines and menu, and the energy balance at steady state
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace
{

// Runs Crank_Nicolson_Convection on s in the current directory (probe at the origin); returns
// the console text, the status in *status.
std::string conv_run(TScn& s, int method, int steps, int* status)
{
    CoutCapture cap;
    *status = s.Crank_Nicolson_Convection(method, steps, 0, 0, 0);
    return cap.str();
}

// Faces of different h (x-max, x-min, y-max, y-min, z-max, z-min), W/(m^2 K).
const double h6[6] = {1e4, 2e4, 3e4, 4e4, 5e4, 6e4};

// A die of the base material filling the grid, faces included, with a copper core inside it.
const char* const die = "die 0 0 0 6 6 6 SI 1e12\n"
                        "core 1 1 1 5 5 5 Cu_Bulk 3e12\n";

// Heat convected out: over the six faces, h times the node's share of the face area (dx^2,
// halved for each other face the node also lies on) times (T - T_amb).
double convected(const TScn& s, const double* h)
{
    const int last[3] = {s.nx, s.ny, s.nz};
    double total = 0.0;
    for (int j = 0; j <= s.ny; j++)
        for (int k = 0; k <= s.nz; k++)
            for (int i = 0; i <= s.nx; i++)
            {
                const int at[3] = {i, j, k};
                int on = 0;
                for (int a = 0; a < 3; a++)
                    on += (at[a] == 0 || at[a] == last[a]);
                for (int a = 0; a < 3; a++)
                {
                    if (at[a] != 0 && at[a] != last[a])
                        continue;
                    double area = s.dx * s.dx / (1 << (on - 1));
                    double hf = at[a] == 0 ? h[2 * a + 1] : h[2 * a];
                    total += hf * area * (s.T[cn_node(s.nx, s.nz, i, j, k)] - s.T_amb);
                }
            }
    return total;
}

} // namespace

// With h = 0 on every face, no blocks and every node at 35.0, nothing changes, whatever the method.
TEST(CrankNicolsonConvection, NoConvectionKeeps35)
{
    ScratchDir dir;
    write_file("TSinput.txt", "");
    for (int method = 1; method <= 3; method++)
    {
        TScn s(4, 3, 5, 1e-9, 20.0);
        std::fill(s.h, s.h + 6, 0.0);
        int status;
        conv_run(s, method, 4, &status);
        ASSERT_EQ(0, status);
        std::vector<double> T(s.T, s.T + s.n_nodes);
        EXPECT_LT(max_difference(T, std::vector<double>(T.size(), 35.0)), 1e-12) << method;
    }
}

// One "Iteration = N" line per step in order before the report; the unknown-method menu comes once
// before the loop and once in every step, and T stays.
TEST(CrankNicolsonConvection, ProgressLinesAndMenu)
{
    ScratchDir dir;
    write_file("TSinput.txt", "");
    int status;
    TScn a(2, 2, 2, 1e-9, 35.0), c(2, 2, 2, 1e-9, 35.0);
    EXPECT_EQ(0u, conv_run(a, 2, 3, &status)
                      .find("Iteration = 0\nIteration = 1\nIteration = 2\nThe mesh size is:  "
                            "3X3X3\n"));
    std::vector<std::string> lines = text_lines(conv_run(c, 0, 2, &status));
    EXPECT_EQ(0, status);
    EXPECT_EQ(3, std::count(lines.begin(), lines.end(), "  Please choose method 1 or 2"));
    EXPECT_EQ("Iteration = 1", lines[6 * 3 + 1]);
    EXPECT_EQ(std::vector<double>(c.n_nodes, 35.0), std::vector<double>(c.T, c.T + c.n_nodes));
}

// At steady state the power of the blocks leaves through the faces. With dt far above every time
// constant a step reflects the field through the steady state, T1 = 2*T_ss - T0 up to C/K ~ 1e-11,
// so (T0 + T1)/2 is the steady state; a second run started there stays put, and its field
// balances sum(power*dx^3) against sum(h*area*(T - T_amb)) to 1e-6.
TEST(CrankNicolsonConvection, SteadyStateBalancesPowerAndConvection)
{
    ScratchDir dir;
    write_file("TSinput.txt", die);
    int status;
    TScn first(6, 6, 6, 1e6, 25.0), s(6, 6, 6, 1e6, 25.0);
    std::copy(h6, h6 + 6, first.h);
    std::copy(h6, h6 + 6, s.h);
    conv_run(first, 1, 1, &status);
    ASSERT_EQ(0, status);

    std::vector<double> steady(s.n_nodes);
    for (int n = 0; n < s.n_nodes; n++)
        steady[n] = s.T[n] = (35.0 + first.T[n]) / 2.0;
    conv_run(s, 1, 3, &status);
    ASSERT_EQ(0, status);
    const double rise = max_difference(steady, std::vector<double>(s.n_nodes, s.T_amb));
    ASSERT_GT(rise, 10.0);
    EXPECT_LT(max_difference(std::vector<double>(s.T, s.T + s.n_nodes), steady), 1e-8 * rise);

    double power_in = 0.0;
    for (int n = 0; n < s.n_nodes; n++)
        power_in += s.power[n] * s.dx * s.dx * s.dx;
    // die: 1e12 W/m^3 on (6 um)^3, less its 125 nodes inside the core; core: 3e12 on (4 um)^3
    EXPECT_NEAR(1e12 * (216 - 125) * 1e-18 + 3e12 * 64e-18, power_in, 1e-12 * power_in);
    EXPECT_NEAR(power_in, convected(s, h6), 1e-6 * power_in);
}
