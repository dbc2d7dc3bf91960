// tests/test_cn_convection.cpp: the Crank-Nicolson run with convective faces: no convection, the
// progress lines, the methods, and the energy balance at steady state
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace
{

// Runs Crank_Nicolson_Convection on s in the current directory; returns the console text.
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
        for (double& hf : s.h)
            hf = 0.0;
        int status;
        conv_run(s, method, 4, &status);
        ASSERT_EQ(0, status);
        for (int n = 0; n < s.n_nodes; n++)
            EXPECT_NEAR(35.0, s.T[n], 1e-12) << "method " << method << " node " << n;
    }
}

// One "Iteration = N" line per step in order before the report; the unknown-method menu comes once
// before the loop and once in every step; no step, no line.
TEST(CrankNicolsonConvection, ProgressLinesAndMenu)
{
    ScratchDir dir;
    write_file("TSinput.txt", "");
    int status;
    TScn a(2, 2, 2, 1e-9, 35.0);
    std::string out = conv_run(a, 2, 3, &status);
    EXPECT_EQ(0u,
              out.find("Iteration = 0\nIteration = 1\nIteration = 2\nThe mesh size is:  3X3X3\n"));
    TScn b(2, 2, 2, 1e-9, 35.0);
    EXPECT_EQ(std::string::npos, conv_run(b, 1, 0, &status).find("Iteration"));
    TScn c(2, 2, 2, 1e-9, 35.0);
    std::vector<std::string> lines = text_lines(conv_run(c, 0, 2, &status));
    EXPECT_EQ(3, std::count(lines.begin(), lines.end(), "  Please choose method 1 or 2"));
    EXPECT_EQ("Iteration = 1", lines[6 * 3 + 1]);
    EXPECT_EQ(35.0, c.T[0]);
    EXPECT_EQ(0, status);
    std::string file = read_file("Crank_Nicolson_Conv.txt");
    EXPECT_EQ(file.size() - 45, file.find("The temperature at position (0, 0, 0):\n35\n35\n"));
}

// Methods 1 and 2 agree to rounding and method 3 to its tolerance, with power on face nodes.
TEST(CrankNicolsonConvection, MethodsAgree)
{
    ScratchDir dir;
    write_file("TSinput.txt", die);
    std::vector<std::vector<double>> T;
    for (int method = 1; method <= 3; method++)
    {
        TScn s(6, 6, 6, 1e-6, 25.0);
        int status;
        conv_run(s, method, 4, &status);
        ASSERT_EQ(0, status);
        T.emplace_back(s.T, s.T + s.n_nodes);
    }
    double rise = 0.0, top = 0.0, d12 = 0.0, d32 = 0.0;
    for (size_t n = 0; n < T[1].size(); n++)
    {
        rise = std::max(rise, std::fabs(T[1][n] - 35.0));
        top = std::max(top, std::fabs(T[1][n]));
        d12 = std::max(d12, std::fabs(T[0][n] - T[1][n]));
        d32 = std::max(d32, std::fabs(T[2][n] - T[1][n]));
    }
    ASSERT_GT(rise, 1.0);
    EXPECT_LT(d12, 1e-12 * top);
    EXPECT_LT(d32, 1e-8 * top);
}

// At steady state the power of the blocks leaves through the faces. With dt far above every time
// constant a step reflects the field through the steady state, T1 = 2*T_ss - T0 up to C/K ~ 1e-11,
// so (T0 + T1)/2 is the steady state; a second run started there stays put, and its field
// balances sum(power*dx^3) against sum(h*area*(T - T_amb)) to 1e-6.
TEST(CrankNicolsonConvection, SteadyStateBalancesPowerAndConvection)
{
    ScratchDir dir;
    write_file("TSinput.txt", die);
    const double dt = 1e6;
    int status;
    TScn first(6, 6, 6, dt, 25.0);
    std::copy(h6, h6 + 6, first.h);
    conv_run(first, 1, 1, &status);
    ASSERT_EQ(0, status);

    TScn s(6, 6, 6, dt, 25.0);
    std::copy(h6, h6 + 6, s.h);
    std::vector<double> steady(s.n_nodes);
    for (int n = 0; n < s.n_nodes; n++)
        steady[n] = s.T[n] = (35.0 + first.T[n]) / 2.0;
    conv_run(s, 1, 3, &status);
    ASSERT_EQ(0, status);

    double rise = 0.0, drift = 0.0;
    for (int n = 0; n < s.n_nodes; n++)
    {
        rise = std::max(rise, steady[n] - s.T_amb);
        drift = std::max(drift, std::fabs(s.T[n] - steady[n]));
    }
    ASSERT_GT(rise, 10.0);
    EXPECT_LT(drift, 1e-8 * rise);

    double power_in = 0.0;
    for (int n = 0; n < s.n_nodes; n++)
        power_in += s.power[n] * s.dx * s.dx * s.dx;
    // die: 1e12 W/m^3 on (6 um)^3, less its 125 nodes inside the core; core: 3e12 on (4 um)^3
    EXPECT_NEAR(1e12 * (216 - 125) * 1e-18 + 3e12 * 64e-18, power_in, 1e-12 * power_in);
    EXPECT_NEAR(power_in, convected(s, h6), 1e-6 * power_in);
}
