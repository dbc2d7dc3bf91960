// tests/test_cn_adi.cpp: the Crank-Nicolson runs against the ADI runs of the same model: agreement
// to the splitting error and its second order in dt
#include "adi/TSdg.h"
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

// Blocks at least two nodes thick on every axis, apart from each other and from the faces, so
// that both solvers assemble the same semi-discrete system (a one-node-thick block, or one that
// meets another block or a face, gives links that differ between a node and its neighbour; the
// two schemes then treat them differently and differ by more than the splitting error).
const char* const chip = "core 2 2 2 5 5 4 Cu_Bulk 1e16\n"
                         "gate 2 3 5 6 5 6 POLY 5e15\n";
const int N = 8; // intervals on every axis

// Largest |T_cn - T_adi| over the grid after steps steps of dt, both solvers built with the same
// grid, dt and T_amb 35.0 from the same blocks; fixed faces or convection.
double largest_difference(bool convection, double dt, int steps, int method)
{
    ScratchDir dir;
    write_file("TSinput.txt", chip);
    TScn cn(N, N, N, dt, 35.0);
    TSdg dg(N, N, N, dt, 35.0);
    {
        CoutCapture quiet;
        int st = convection ? cn.Crank_Nicolson_Convection(method, steps, 4, 4, 4)
                            : cn.Crank_Nicolson(method, steps, 4, 4, 4);
        EXPECT_EQ(0, st);
        dg.read_geometry("TSinput.txt");
        dg.n_steps = steps;
        EXPECT_EQ(0, convection ? dg.Dauglas_Gunn_Convection() : dg.Dauglas_Gunn());
    }
    double d = 0.0;
    for (int i = 0; i <= N; i++)
        for (int j = 0; j <= N; j++)
            for (int k = 0; k <= N; k++)
                d = std::max(d, std::fabs(cn.T[cn_node(N, N, i, j, k)] - dg.T[i][j][k]));
    return d;
}

} // namespace

// Faces at 83.0 around a field at 35.0 (a 48 K step): after 2 ns the fields agree to about 1e-4
// of the step, and halving dt (twice the steps) divides the difference by about four.
TEST(CrankNicolsonVsAdi, FixedFacesAgreeToSecondOrder)
{
    double d1 = largest_difference(false, 2.5e-10, 8, 1);
    double d2 = largest_difference(false, 1.25e-10, 16, 1);
    RecordProperty("max_difference_dt", std::to_string(d1));
    RecordProperty("max_difference_half_dt", std::to_string(d2));
    EXPECT_LT(d1, 1e-2);
    EXPECT_NEAR(4.0, d1 / d2, 0.4);
}

// Convective faces and powered blocks (about 9 K of heating in 4 ns): the same agreement and order.
TEST(CrankNicolsonVsAdi, ConvectionAgreesToSecondOrder)
{
    double d1 = largest_difference(true, 5e-10, 8, 3);
    double d2 = largest_difference(true, 2.5e-10, 16, 3);
    RecordProperty("max_difference_dt", std::to_string(d1));
    RecordProperty("max_difference_half_dt", std::to_string(d2));
    EXPECT_LT(d1, 2.5e-3);
    EXPECT_NEAR(4.0, d1 / d2, 0.4);
}
