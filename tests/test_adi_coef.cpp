// tests/test_adi_coef.cpp: the coefficient rows of a layer and the tridiagonal line solver
#include "adi/TSdg.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

// Base rho = cp = k = 1, unit spacing and step, layer k = 3, rho = 2, cp = 1, index 0: worked rows.
// Then a layer of index 3 with ry = 0.25, rz = 4: in each of its rows w_diag equals w_xm + w_xp,
// (w_ym + w_yp)/ry and (w_zm + w_zp)/rz, and no row of another layer is written.
TEST(BuildDgC, WorkedExampleThenScaledSpacings)
{
    TSdg s(2, 2, 2, 1.0, 0.0);
    s.rho = s.cp = s.k = s.dx = s.dy = s.dz = 1.0;
    s.Build_DG_C({const_cast<char*>("L"), 0, 0, 3.0, 2.0, 1.0});
    // {row, its 8 weights}: base row, a corner, an x-min face, the interior, the opposite corner
    const double rows[][9] = {{0, 1, 1, 1, 2, 1, 1, 1, 2},
                              {1, 1, 1, 1, 2.25, 1.5, 1.5, 1.5, 2.5},
                              {5, 1, 2, 2, 3, 3, 2, 2, 4},
                              {14, 3, 3, 3, 4, 3, 3, 3, 6},
                              {27, 1.5, 1.5, 1.5, 2.25, 1, 1, 1, 2.5}};
    for (const auto& r : rows)
        for (int c = 0; c < 8; c++)
            EXPECT_EQ(r[c + 1], s.coef[(int)r[0]][c]) << "row " << r[0] << " slot " << c;
    s.ry = 0.25;
    s.rz = 4.0;
    s.Build_DG_C({const_cast<char*>("L"), 3, 0, 2.5, 1000.0, 500.0});
    for (int t = 1; t <= 27; t++)
    {
        const double* r = s.coef[27 * 3 + t];
        EXPECT_DOUBLE_EQ(r[7], r[0] + r[4]) << t;
        EXPECT_DOUBLE_EQ(r[7], (r[1] + r[5]) / s.ry) << t;
        EXPECT_DOUBLE_EQ(r[7], (r[2] + r[6]) / s.rz) << t;
    }
    for (int r = 28; r < s.n_coef_rows; r++)
        for (int c = 0; c < 8 && (r <= 27 * 3 || r > 27 * 3 + 27); c++)
            EXPECT_EQ(0.0, s.coef[r][c]) << r;
}

// Exact solutions: every pivot of the first system stays 2; identity end rows feed their values
// into the inner equation. The rows are never modified.
TEST(Thomas, ExactSolutions)
{
    // {rows {sub, diag, super} of a 3 x 3 system, right-hand side, solution}
    const double cases[][5][3] = {{{99, 2, 2}, {1, 3, 2}, {1, 3, 99}, {4, 6, 4}, {1, 1, 1}},
                                  {{0, 1, 0}, {-1, 4, -1}, {0, 1, 0}, {83, 2, 83}, {83, 42, 83}}};
    TSdg s(1, 1, 1, 1.0, 0.0);
    for (const auto& c : cases)
    {
        double rows[3][3], x[3] = {c[3][0], c[3][1], c[3][2]};
        memcpy(rows, c, sizeof rows);
        double *p[3] = {rows[0], rows[1], rows[2]}, **pr = p, *px = x;
        s.Thomas(pr, px, 3);
        EXPECT_EQ(std::vector<double>(c[4], c[4] + 3), std::vector<double>(x, x + 3));
        EXPECT_EQ(0, memcmp(rows, c, sizeof rows));
    }
}
