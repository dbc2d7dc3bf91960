// tests/test_boundary.cpp: boundary types of grid nodes and the convective boundary rows
#include "model/TS3D.h"

#include <gtest/gtest.h>

// Type 9*bx + 3*by + bz with the min face tested first.
TEST(TypeBc, FacesEdgesCorners)
{
    TS3D m(4, 5, 6, 1e-3, 25.0);
    // {i, j, k, type}: corners, the inside, z-min, z-max, y-min and x-max faces
    const int cases[][4] = {{0, 0, 0, 13}, {4, 5, 6, 26}, {2, 3, 4, 0}, {2, 3, 0, 1},
                            {2, 3, 6, 2},  {2, 0, 4, 3},  {4, 3, 4, 18}};
    for (const auto& c : cases)
        EXPECT_EQ(c[3], m.type_bc(c[0], c[1], c[2])) << c[0] << " " << c[1] << " " << c[2];
    TS3D flat(4, 4, 0, 1e-3, 25.0); // one node along z: class 1, never 2
    EXPECT_EQ(1, flat.type_bc(2, 2, 0));
}

// The rows of the inside node, a z-min face, a y-min/z-min edge, an x-min face and two corners,
// with dx = 1, dy = 2, dz = 0.5 (ry = 0.25, rz = 4), k = 1, T_amb = 2 and h = 1 .. 6 in the order
// x-max, x-min, y-max, y-min, z-max, z-min; every weight is exact.
TEST(BuildBc, WorkedRows)
{
    TS3D m(4, 4, 4, 1e-3, 25.0);
    m.dx = 1.0;
    m.dy = 2.0;
    m.dz = 0.5;
    m.ry = 0.25;
    m.rz = 4.0;
    m.k = 1.0;
    m.T_amb = 2.0;
    for (int f = 0; f < 6; f++)
        m.h[f] = f + 1;
    m.Build_BC();
    // {type, its 11 weights}
    const double rows[][12] = {{0, 1, 0.25, 4, 2, 1, 0.25, 4, 0, 1, 0.25, 4},
                               {1, 0.5, 0.125, 0, 1, 0.5, 0.125, 4, 48, 1, 0.25, 16},
                               {4, 0.25, 0, 0, 0.5, 0.25, 0.125, 2, 28, 1, 2.25, 16},
                               {9, 0, 0.125, 2, 1, 1, 0.125, 2, 8, 3, 0.25, 4},
                               {13, 0, 0, 0, 0.25, 0.25, 0.0625, 1, 16, 3, 2.25, 16},
                               {26, 0.25, 0.0625, 1, 0.25, 0, 0, 0, 12.5, 2, 1.75, 14}};
    for (const auto& r : rows)
        for (int c = 0; c < 11; c++)
            EXPECT_EQ(r[c + 1], m.bc_coef[(int)r[0]][c]) << "type " << r[0] << " column " << c;
}
