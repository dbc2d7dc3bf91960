// tests/test_cn_adi.cpp: the Crank-Nicolson runs against the ADI runs of the same model
#include "adi/TSdg.h"
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

// Every method, fixed faces (a 48 K step) and convection (9 K heating): second order in dt. First
// with blocks apart from each other and the faces, then (method 1) with blocks that touch each
// other and the faces and overlap: both solvers build the same rows from the cells.
TEST(CrankNicolsonVsAdi, AgreeToSecondOrder)
{
    const int N = 8; // intervals on every axis
    ScratchDir dir;
    const char* layouts[2] = {"core 2 2 2 5 5 4 Cu_Bulk 1e16\ngate 2 3 5 6 5 6 POLY 5e15\n",
                              "die 0 0 0 8 8 3 POLY 2e15\ncore 0 2 3 5 8 6 Cu_Bulk 1e16\n"
                              "gate 4 0 2 8 5 8 Al 5e15\n"};
    CoutCapture quiet;
    for (int layout = 0; layout < 2; layout++)
    {
        write_file("TSinput.txt", layouts[layout]);
        for (int convection = 0; convection <= 1; convection++)
            for (int method = 1; method <= (layout == 0 ? 3 : 1); method++)
            {
                double d[2] = {0.0, 0.0}; // largest |T_cn - T_adi| after 8 steps of dt, 16 of dt/2
                for (int h = 0; h < 2; h++)
                {
                    const double dt = (convection ? 5e-10 : 2.5e-10) / (1 + h);
                    const int steps = 8 * (1 + h);
                    TScn cn(N, N, N, dt, 35.0);
                    TSdg dg(N, N, N, dt, 35.0);
                    EXPECT_EQ(0, convection ? cn.Crank_Nicolson_Convection(method, steps, 4, 4, 4)
                                            : cn.Crank_Nicolson(method, steps, 4, 4, 4));
                    dg.read_geometry("TSinput.txt");
                    dg.n_steps = steps;
                    EXPECT_EQ(0, convection ? dg.Dauglas_Gunn_Convection() : dg.Dauglas_Gunn());
                    for (int i = 0; i <= N; i++)
                        for (int j = 0; j <= N; j++)
                            for (int k = 0; k <= N; k++)
                                d[h] = std::max(
                                    d[h], std::fabs(cn.T[cn_node(N, N, i, j, k)] - dg.T[i][j][k]));
                }
                std::string c = "case " + std::to_string(layout) + std::to_string(convection) +
                                std::to_string(method) + ": " + std::to_string(d[0]) + " " +
                                std::to_string(d[1]);
                EXPECT_LT(d[0], convection ? 2.5e-3 : 1e-2) << c;
                EXPECT_NEAR(4.0, d[0] / d[1], 0.4) << c;
            }
    }
}
