// tests/test_cn_coef.cpp: TScn::Build_CN_C, the Crank-Nicolson rows of the base and of a layer
#include "cn/TScn.h"
#include "test_util.h"

#include <gtest/gtest.h>
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

// The 27 rows of a layer by position code p = 9*cx + 3*cy + cz + 1 in symbolic form: link
// factors 1, q, a, r; capacity C and diagonal D by corner (c), edge (e), face (f), inside (i).
const char* const table[27] = {
    "1 1 1 Cc q q q Dc", "1 1 q Ce a a q De", "1 1 q Cc q q 1 Dc", "1 q 1 Ce a q a De",
    "1 a a Cf r a a Df", "1 q a Ce a q 1 De", "1 q 1 Cc q 1 q Dc", "1 a q Ce a 1 q De",
    "1 q q Cc q 1 1 Dc", "q 1 1 Ce q a a De", "a 1 a Cf a r a Df", "q 1 a Ce q a 1 De",
    "a a 1 Cf a a r Df", "r r r Ci r r r Di", "a a r Cf a a 1 Df", "q a 1 Ce q 1 a De",
    "a r a Cf a 1 a Df", "q a a Ce q 1 1 De", "q 1 1 Cc 1 q q Dc", "a 1 q Ce 1 a q De",
    "q 1 q Cc 1 q 1 Dc", "a q 1 Ce 1 q a De", "r a a Cf 1 a a Df", "a q a Ce 1 q 1 De",
    "q q 1 Cc 1 1 q Dc", "a a q Ce 1 1 q De", "q q q Cc 1 1 1 Dc"};

} // namespace

// With k_ratio 2.5 every link and diagonal factor is exact: a 1.75, q 1.375, D 2.375, 2.75, 3.5,
// 5.0; the capacities are twice the octant mean of rho*cp, times dx^2/(k dt).
TEST(BuildCNC, RowsFollowTheOctantTable)
{
    Rows t;
    TScn& s = t.s;
    material m = {nullptr, 3, 0, 2.5 * s.k, 8000.0, 500.0};
    s.Build_CN_C(m);
    EXPECT_EQ(2.5, s.k_ratio);

    const double base = s.rho * s.cp, layer = m.rho * m.cp;
    const double scale = 2.0 * s.dx * s.dx / (s.k * s.dt);
    auto capacity = [&](int octants)
    { return scale * (octants * layer + (8 - octants) * base) / 8; };
    for (int p = 1; p <= 27; p++)
    {
        const double* row = s.coef[27 * 3 + p];
        std::istringstream sym(table[p - 1]);
        for (int slot = 0; slot < 8; slot++)
        {
            std::string v;
            sym >> v;
            SCOPED_TRACE("code " + std::to_string(p) + " slot " + std::to_string(slot));
            if (v == "1")
                EXPECT_EQ(1.0, row[slot]);
            else if (v == "q")
                EXPECT_EQ(1.375, row[slot]);
            else if (v == "a")
                EXPECT_EQ(1.75, row[slot]);
            else if (v == "r")
                EXPECT_EQ(2.5, row[slot]);
            else if (v[0] == 'D')
                EXPECT_EQ(v == "Dc" ? 2.375 : v == "De" ? 2.75 : v == "Df" ? 3.5 : 5.0, row[slot]);
            else
            {
                int octants = v == "Cc" ? 1 : v == "Ce" ? 2 : v == "Cf" ? 4 : 8;
                EXPECT_NEAR(capacity(octants), row[slot], 1e-14 * capacity(octants));
            }
        }
    }
    // base row; rows of other layers untouched
    const double row0[8] = {1.0, 1.0, 1.0, 0.0, 1.0, 1.0, 1.0, 2.0};
    for (int slot = 0; slot < 8; slot++)
    {
        if (slot != 3)
        {
            EXPECT_EQ(row0[slot], s.coef[0][slot]);
        }
    }
    EXPECT_NEAR(capacity(0), s.coef[0][3], 1e-14 * capacity(0));
    for (int r = 1; r < s.n_coef_rows; r++)
    {
        if (r < 27 * 3 + 1 || r > 27 * 3 + 27)
        {
            for (int slot = 0; slot < 8; slot++)
                ASSERT_EQ(0.0, s.coef[r][slot]) << "row " << r;
        }
    }
}

// Over the whole built-in table: the six links of every row sum to 3 times the diagonal factor
// (s = 3), and a layer of the base material ("SI") gives rows equal to row 0.
TEST(BuildCNC, LinksBalanceTheDiagonalAndTheBaseLayerMatchesRowZero)
{
    Rows t;
    TScn& s = t.s;
    for (int l = 0; l < s.n_layers; l++)
        s.Build_CN_C(s.layers[l]);
    for (int r = 0; r < s.n_coef_rows; r++)
    {
        const double* c = s.coef[r];
        double links = c[0] + c[1] + c[2] + c[4] + c[5] + c[6];
        EXPECT_NEAR(3.0 * c[7], links, 1e-13 * links) << "row " << r;
    }
    for (int p = 1; p <= 27; p++)
        for (int slot = 0; slot < 8; slot++)
            EXPECT_NEAR(s.coef[0][slot], s.coef[p][slot], 1e-14 * s.coef[0][slot]);
}
