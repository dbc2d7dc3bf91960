// tests/test_cn_coef.cpp: TScn::Build_CN_C, the Crank-Nicolson rows of the base and of a layer
#include "cn/TScn.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace
{

// A solver whose coef exists (an empty block file read).
struct Rows
{
    TScn s{2, 2, 2, 1e-9, 35.0};
    Rows()
    {
        std::istringstream none("");
        std::string error;
        s.read_geometry(none, "none", error);
    }
};

// Row 0 (the base) and the 27 rows of a layer by position code p = 9*cx + 3*cy + cz + 1 in
// symbolic form: link factors 1, q, a, r; capacity C and diagonal D by corner (c), edge (e),
// face (f), inside (i); C0 and 2 for the base.
const char* const table[28] = {
    "1 1 1 C0 1 1 1 2",  "1 1 1 Cc q q q Dc", "1 1 q Ce a a q De", "1 1 q Cc q q 1 Dc",
    "1 q 1 Ce a q a De", "1 a a Cf r a a Df", "1 q a Ce a q 1 De", "1 q 1 Cc q 1 q Dc",
    "1 a q Ce a 1 q De", "1 q q Cc q 1 1 Dc", "q 1 1 Ce q a a De", "a 1 a Cf a r a Df",
    "q 1 a Ce q a 1 De", "a a 1 Cf a a r Df", "r r r Ci r r r Di", "a a r Cf a a 1 Df",
    "q a 1 Ce q 1 a De", "a r a Cf a 1 a Df", "q a a Ce q 1 1 De", "q 1 1 Cc 1 q q Dc",
    "a 1 q Ce 1 a q De", "q 1 q Cc 1 q 1 Dc", "a q 1 Ce 1 q a De", "r a a Cf 1 a a Df",
    "a q a Ce 1 q 1 De", "q q 1 Cc 1 1 q Dc", "a a q Ce 1 1 q De", "q q q Cc 1 1 1 Dc"};

} // namespace

// With k_ratio 2.5 every link and diagonal factor is exact: a 1.75, q 1.375, D 2.375, 2.75, 3.5,
// 5.0; the capacities are twice the octant mean of rho*cp, times dx^2/(k dt); no other row is
// written.
TEST(BuildCNC, RowsFollowTheOctantTable)
{
    Rows t;
    TScn& s = t.s;
    material m = {nullptr, 3, 0, 2.5 * s.k, 8000.0, 500.0};
    s.Build_CN_C(m);
    EXPECT_EQ(2.5, s.k_ratio);

    const std::map<std::string, double> factor = {{"1", 1.0},   {"q", 1.375}, {"a", 1.75},
                                                  {"r", 2.5},   {"2", 2.0},   {"Dc", 2.375},
                                                  {"De", 2.75}, {"Df", 3.5},  {"Di", 5.0}};
    const std::map<std::string, int> octants = {
        {"C0", 0}, {"Cc", 1}, {"Ce", 2}, {"Cf", 4}, {"Ci", 8}};
    const double scale = 2.0 * s.dx * s.dx / (s.k * s.dt);
    for (int p = 0; p <= 27; p++)
    {
        const double* row = s.coef[p == 0 ? 0 : 27 * 3 + p];
        std::istringstream sym(table[p]);
        for (int slot = 0; slot < 8; slot++)
        {
            std::string v;
            sym >> v;
            SCOPED_TRACE("code " + std::to_string(p) + " slot " + std::to_string(slot));
            if (v[0] != 'C')
                EXPECT_EQ(factor.at(v), row[slot]);
            else
            {
                const int o = octants.at(v);
                const double C = scale * (o * m.rho * m.cp + (8 - o) * s.rho * s.cp) / 8;
                EXPECT_NEAR(C, row[slot], 1e-14 * C);
            }
        }
    }
    // rows other than row 0 and layer 3's 27*3 + 1 .. 27*3 + 27 stay zero
    double elsewhere = 0.0;
    for (int r = 1; r < s.n_coef_rows; r++)
        for (int slot = 0; slot < 8; slot++)
            elsewhere += (r - 1) / 27 == 3 ? 0.0 : std::fabs(s.coef[r][slot]);
    EXPECT_EQ(0.0, elsewhere);
}
