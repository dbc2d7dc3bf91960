// tests/test_cn_coef.cpp: TScn::Build_CN_C, the Crank-Nicolson rows of the base and of a layer
#include "cn/TScn.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

// Worked rows (k_ratio 2.5, exact factors; capacities from octant means); other rows stay zero.
TEST(BuildCNC, RowsFollowTheOctantTable)
{
    TScn s(2, 2, 2, 1e-9, 35.0);
    std::istringstream none("");
    std::string error;
    s.read_geometry(none, "none", error); // makes coef
    material m = {nullptr, 3, 0, 2.5 * s.k, 8000.0, 500.0};
    s.Build_CN_C(m);
    EXPECT_EQ(2.5, s.k_ratio);

    // row, the 7 exact slots (slot 3 is the capacity), octants of the layer in the capacity
    const struct
    {
        int row;
        double v[8];
        int octants;
    } rows[] = {
        {0, {1, 1, 1, 0, 1, 1, 1, 2}, 0},
        {27 * 3 + 1, {1, 1, 1, 0, 1.375, 1.375, 1.375, 2.375}, 1},
        {27 * 3 + 2, {1, 1, 1.375, 0, 1.75, 1.75, 1.375, 2.75}, 2},
        {27 * 3 + 5, {1, 1.75, 1.75, 0, 2.5, 1.75, 1.75, 3.5}, 4},
        {27 * 3 + 14, {2.5, 2.5, 2.5, 0, 2.5, 2.5, 2.5, 5.0}, 8},
    };
    const double scale = 2.0 * s.dx * s.dx / (s.k * s.dt);
    for (const auto& r : rows)
    {
        const double C = scale * (r.octants * m.rho * m.cp + (8 - r.octants) * s.rho * s.cp) / 8;
        EXPECT_NEAR(C, s.coef[r.row][3], 1e-14 * C) << "row " << r.row;
        for (int slot = 0; slot < 8; slot++)
            EXPECT_EQ(slot == 3 ? s.coef[r.row][3] : r.v[slot], s.coef[r.row][slot]) << r.row;
    }
    double elsewhere = 0.0;
    for (int r = 1; r < s.n_coef_rows; r++)
        for (int slot = 0; slot < 8; slot++)
            elsewhere += (r - 1) / 27 == 3 ? 0.0 : std::fabs(s.coef[r][slot]);
    EXPECT_EQ(0.0, elsewhere);
}
