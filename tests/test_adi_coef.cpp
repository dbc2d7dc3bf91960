// tests/test_adi_coef.cpp: the coefficient rows of a layer and the tridiagonal line solver
#include "adi/TSdg.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

void expect_row(const double* want, const double* got, int row)
{
    for (int c = 0; c < 8; c++)
        EXPECT_EQ(want[c], got[c]) << "row " << row << " slot " << c;
}

} // namespace

// Base rho = cp = k = 1, unit spacing and step, layer k = 3, rho = 2, cp = 1, index 0.
TEST(BuildDgC, WorkedExample)
{
    TSdg s(2, 2, 2, 1.0, 0.0);
    s.rho = s.cp = s.k = 1.0;
    s.dx = s.dy = s.dz = 1.0;
    material m = {const_cast<char*>("L"), 0, 0, 3.0, 2.0, 1.0};
    s.Build_DG_C(m);
    EXPECT_EQ(3.0, s.k_ratio);
    const double r0[8] = {1, 1, 1, 2, 1, 1, 1, 2};
    const double r1[8] = {1, 1, 1, 2.25, 1.5, 1.5, 1.5, 2.5};
    const double r5[8] = {1, 2, 2, 3, 3, 2, 2, 4};
    const double r14[8] = {3, 3, 3, 4, 3, 3, 3, 6};
    const double r27[8] = {1.5, 1.5, 1.5, 2.25, 1, 1, 1, 2.5};
    expect_row(r0, s.coef[0], 0);
    expect_row(r1, s.coef[1], 1);
    expect_row(r5, s.coef[5], 5);
    expect_row(r14, s.coef[14], 14);
    expect_row(r27, s.coef[27], 27);
}

// In every row, w_diag equals w_xm + w_xp, (w_ym + w_yp)/ry and (w_zm + w_zp)/rz; the rows of
// other layers are untouched; a layer of base properties reproduces row 0.
TEST(BuildDgC, RowsAreConsistentAndConfined)
{
    TSdg s(2, 2, 2, 1e-3, 0.0);
    s.ry = 0.25;
    s.rz = 4.0;
    material m = {const_cast<char*>("L"), 3, 0, 2.5 * s.k, 1000.0, 500.0};
    s.Build_DG_C(m);
    for (int t = 1; t <= 27; t++)
    {
        const double* r = s.coef[27 * 3 + t];
        EXPECT_DOUBLE_EQ(r[7], r[0] + r[4]) << t;
        EXPECT_DOUBLE_EQ(r[7], (r[1] + r[5]) / s.ry) << t;
        EXPECT_DOUBLE_EQ(r[7], (r[2] + r[6]) / s.rz) << t;
    }
    for (int r = 1; r < s.n_coef_rows; r++)
    {
        if (r >= 27 * 3 + 1 && r <= 27 * 3 + 27)
            continue;
        for (int c = 0; c < 8; c++)
            EXPECT_EQ(0.0, s.coef[r][c]);
    }

    material base = {const_cast<char*>("B"), 0, 0, s.k, s.rho, s.cp};
    s.Build_DG_C(base);
    for (int t = 1; t <= 27; t++)
        for (int c = 0; c < 8; c++)
            EXPECT_DOUBLE_EQ(s.coef[0][c], s.coef[t][c]) << t << " " << c;
}

// A layer of k = 0 keeps only the capacity of the block interior.
TEST(BuildDgC, InsulatingLayer)
{
    TSdg s(2, 2, 2, 1e-3, 0.0);
    material m = {const_cast<char*>("L"), 1, 0, 0.0, 1000.0, 500.0};
    s.Build_DG_C(m);
    const double* r = s.coef[27 + 14];
    for (int c : {0, 1, 2, 4, 5, 6, 7})
        EXPECT_EQ(0.0, r[c]);
    EXPECT_GT(r[3], 0.0);
    EXPECT_EQ(0.75, s.coef[27 + 1][4]);   // m1 = 0/4 + 0.75
}

namespace
{

// Solves the system of rows {sub, diag, super} for rhs with TSdg::Thomas; returns the solution.
std::vector<double> thomas(std::vector<std::vector<double>>& rows, std::vector<double> rhs)
{
    TSdg s(1, 1, 1, 1.0, 0.0);
    std::vector<double*> p;
    for (std::vector<double>& r : rows)
        p.push_back(r.data());
    double** pr = p.data();
    double* pf = rhs.data();
    s.Thomas(pr, pf, (int)rows.size());
    return rhs;
}

} // namespace

// Rows [., 2, 2], [1, 3, 2], [1, 3, .] with rhs [4, 6, 4]: every pivot stays 2, so x is exactly 1;
// the rows are not modified and a second right-hand side solves the same system.
TEST(Thomas, ThreeByThreeIsExact)
{
    std::vector<std::vector<double>> rows = {{99, 2, 2}, {1, 3, 2}, {1, 3, 99}};
    EXPECT_EQ(std::vector<double>({1, 1, 1}), thomas(rows, {4, 6, 4}));
    EXPECT_EQ(std::vector<std::vector<double>>({{99, 2, 2}, {1, 3, 2}, {1, 3, 99}}), rows);
    EXPECT_EQ(std::vector<double>({2, 2, 2}), thomas(rows, {8, 12, 8}));
}

// n = 1 gives f/b; a diagonal system gives f[i]/b[i]; identity end rows return their values and
// feed them into the inner equation.
TEST(Thomas, SmallAndDiagonalAndIdentityEnds)
{
    std::vector<std::vector<double>> one = {{0, 4, 0}};
    EXPECT_EQ(std::vector<double>({0.75}), thomas(one, {3}));
    std::vector<std::vector<double>> diag = {{0, 2, 0}, {0, 4, 0}, {0, 8, 0}};
    EXPECT_EQ(std::vector<double>({0.5, 0.25, 0.125}), thomas(diag, {1, 1, 1}));
    std::vector<std::vector<double>> ends = {{0, 1, 0}, {-1, 4, -1}, {0, 1, 0}};
    EXPECT_EQ(std::vector<double>({83, 42, 83}), thomas(ends, {83, 2, 83}));
}
