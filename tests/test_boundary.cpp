// tests/test_boundary.cpp: boundary types of grid nodes and the convective boundary rows
#include "model/TS3D.h"

#include <gtest/gtest.h>

// Type 9*bx + 3*by + bz with the min face tested first.
TEST(TypeBc, FacesEdgesCorners)
{
    TS3D m(4, 5, 6, 1e-3, 25.0);
    EXPECT_EQ(13, m.type_bc(0, 0, 0));
    EXPECT_EQ(26, m.type_bc(4, 5, 6));
    EXPECT_EQ(0, m.type_bc(2, 3, 4));
    EXPECT_EQ(1, m.type_bc(2, 3, 0));
    EXPECT_EQ(2, m.type_bc(2, 3, 6));
    EXPECT_EQ(3, m.type_bc(2, 0, 4));
    EXPECT_EQ(18, m.type_bc(4, 3, 4));
    TS3D flat(4, 4, 0, 1e-3, 25.0);   // one node along z: class 1, never 2
    EXPECT_EQ(1, flat.type_bc(2, 2, 0));
}

// The rows of the inside node, a z-min face, a y-min/z-min edge, an x-min face and two corners.
TEST(BuildBc, TellingRows)
{
    TS3D m(4, 4, 4, 1e-3, 25.0);
    m.dx = 1e-4;
    m.dy = 2e-4;
    m.dz = 5e-5;
    m.ry = (m.dx / m.dy) * (m.dx / m.dy);
    m.rz = (m.dx / m.dz) * (m.dx / m.dz);
    m.k = 100.0;
    m.T_amb = 30.0;
    double hv[6] = {10, 20, 30, 40, 50, 60};   // x-max, x-min, y-max, y-min, z-max, z-min
    for (int f = 0; f < 6; f++)
        m.h[f] = hv[f];
    m.Build_BC();
    double ry = m.ry, rz = m.rz;
    auto B = [&](double h, double d) { return h * d / m.k + 1.0; };
    auto S = [&](double h, double d) { return h * d * m.T_amb / m.k; };
    double Bx0 = B(20, m.dx), By0 = B(40, m.dy), Bz0 = B(60, m.dz);
    double Sx0 = S(20, m.dx), Sy0 = S(40, m.dy), Sz0 = S(60, m.dz);
    double Bx1 = B(10, m.dx), By1 = B(30, m.dy), Bz1 = B(50, m.dz);
    double Sx1 = S(10, m.dx), Sy1 = S(30, m.dy), Sz1 = S(50, m.dz);

    const double r0[11] = {1, ry, rz, 2, 1, ry, rz, 0, 1, ry, rz};
    const double r1[11] = {0.5, ry * 0.5, 0, 1, 0.5, ry * 0.5, rz, 2.0 * (rz * Sz0), 1, ry,
                           rz * Bz0};
    const double r4[11] = {0.25, 0, 0, 0.5, 0.25, ry * 0.5, rz * 0.5, 1.0 * (ry * Sy0 + rz * Sz0),
                           1, ry * By0, rz * Bz0};
    const double r9[11] = {0, ry * 0.5, rz * 0.5, 1, 1, ry * 0.5, rz * 0.5, 2.0 * Sx0, Bx0, ry,
                           rz};
    const double r13[11] = {0, 0, 0, 0.25, 0.25, ry * 0.25, rz * 0.25,
                            0.5 * (Sx0 + ry * Sy0 + rz * Sz0), Bx0, ry * By0, rz * Bz0};
    const double r26[11] = {0.25, ry * 0.25, rz * 0.25, 0.25, 0, 0, 0,
                            0.5 * (Sx1 + ry * Sy1 + rz * Sz1), Bx1, ry * By1, rz * Bz1};
    const double* rows[6] = {r0, r1, r4, r9, r13, r26};
    const int types[6] = {0, 1, 4, 9, 13, 26};
    for (int r = 0; r < 6; r++)
        for (int c = 0; c < 11; c++)
            EXPECT_EQ(rows[r][c], m.bc_coef[types[r]][c]) << "type " << types[r] << " column " << c;
}

// With h = 0 every B is 1 and no row has a source; the links of row 0 and of the x-min face sum
// to 2 + 2ry + 2rz and 1 + ry + rz.
TEST(BuildBc, NoConvectionAndLinkSums)
{
    TS3D m(4, 4, 4, 1e-3, 25.0);
    for (int f = 0; f < 6; f++)
        m.h[f] = 0.0;
    m.Build_BC();
    for (int t = 0; t < 27; t++)
    {
        EXPECT_EQ(0.0, m.bc_coef[t][7]);
        EXPECT_EQ(1.0, m.bc_coef[t][8]);
        EXPECT_EQ(m.ry, m.bc_coef[t][9]);
        EXPECT_EQ(m.rz, m.bc_coef[t][10]);
    }
    double s0 = 0, s9 = 0;
    for (int c : {0, 1, 2, 4, 5, 6})
    {
        s0 += m.bc_coef[0][c];
        s9 += m.bc_coef[9][c];
    }
    EXPECT_EQ(6.0, s0);
    EXPECT_EQ(3.0, s9);
}

// The built-in model: B = 1 + 0.03/131 on every face, and Build_BC can run again.
TEST(BuildBc, BuiltInFaceFactor)
{
    TS3D m(2, 2, 2, 1e-3, 25.0);
    m.Build_BC();
    m.Build_BC();
    EXPECT_EQ(30000.0 * 1e-6 / 131.0 + 1.0, m.bc_coef[9][8]);
    EXPECT_DOUBLE_EQ(1.0 + 0.03 / 131.0, m.bc_coef[26][10]);
}
