// tests/test_adi_fast.cpp: the convection run's sweeps against the line-by-line reference, to the bit
#include "adi/TSdg.h"
#include "adi_reference.h"
#include "scratch.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace
{

// A grid with unequal spacings, several layers, power on faces and inside, and six different h.
void write_case(int nx, int ny, int nz)
{
    DataText t;
    t.grid = std::to_string(nx) + " " + std::to_string(ny) + " " + std::to_string(nz);
    t.spacing = "2e-5 1e-5 4e-6";
    t.dt = "2e-4";
    t.h = "1e3 2e4 3e3 4e4 5e5 6e3";
    t.probe = std::to_string(nx / 2) + " " + std::to_string(ny) + " " + std::to_string(nz / 3);
    write_file("chip.dat", t.text());
    auto c = [](int v, int n) { return std::to_string(v * n / 8); };
    write_file("chip.in", "sub 0 0 0 " + std::to_string(nx) + " " + std::to_string(ny) + " " +
                              c(3, nz) + " POLY 1e11\n" + "hot " + c(1, nx) + " " + c(2, ny) +
                              " " + c(3, nz) + " " + c(5, nx) + " " + c(8, ny) + " " + c(6, nz) +
                              " CU 7e13\n" + "cold " + c(4, nx) + " 0 " + c(5, nz) + " " +
                              c(8, nx) + " " + c(3, ny) + " " + c(8, nz) + " OXIDE 3e12\n");
}

void expect_same_field(double*** want, double*** got, const TSdg& s, const char* name)
{
    int differ = 0;
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++)
                if (!(want[i][j][k] == got[i][j][k]))
                    differ++;
    EXPECT_EQ(0, differ) << name << " differs at " << differ << " nodes";
}

// Runs both for a few steps, one step per call of the run so that the probe history is visible.
void compare(int nx, int ny, int nz)
{
    ScratchDir dir;
    write_case(nx, ny, nz);
    TSdg fast("chip.dat"), ref("chip.dat");
    fast.read_geometry("chip.in");
    ref.read_geometry("chip.in");
    for (int l = 0; l < ref.n_layers; l++)
        ref.Build_DG_C(ref.layers[l]);
    ref.Build_BC();
    fast.n_steps = 1;
    CoutCapture quiet;
    for (int step = 0; step < 4; step++)
    {
        ASSERT_EQ(0, fast.Dauglas_Gunn_Convection());
        reference::step(ref);
        EXPECT_EQ(ref.T[ref.probe_x][ref.probe_y][ref.probe_z],
                  fast.T[fast.probe_x][fast.probe_y][fast.probe_z]);
    }
    expect_same_field(ref.T, fast.T, ref, "T");
    expect_same_field(ref.T1, fast.T1, ref, "T1");
    expect_same_field(ref.T2, fast.T2, ref, "T2");
    expect_same_field(ref.T3, fast.T3, ref, "T3");
    EXPECT_NE(ref.T[nx / 2][ny / 2][nz / 2], 25.0);
}

} // namespace

// Grids of assorted shapes, odd and even line lengths, down to one interval per axis.
TEST(FastSweeps, MatchReferenceBitForBit)
{
    compare(8, 8, 8);
    compare(13, 6, 21);
    compare(5, 17, 3);
    compare(1, 1, 1);
    compare(1, 9, 2);
    compare(30, 2, 1);
}
