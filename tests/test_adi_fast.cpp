// tests/test_adi_fast.cpp: the fast sweeps against the line-by-line reference, to the bit
#include "adi/TSdg.h"
#include "adi/TSdg_sweeps.h"
#include "adi_reference.h"
#include "scratch.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

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
    // one node just below the top face, so two planes can differ in that node alone
    std::string spot = " " + std::to_string(nx / 2) + " " + std::to_string(ny / 2) + " " +
                       std::to_string(nz > 1 ? nz - 1 : 0);
    write_file("chip.in", "sub 0 0 0 " + std::to_string(nx) + " " + std::to_string(ny) + " " +
                              c(3, nz) + " POLY 1e11\n" + "hot " + c(1, nx) + " " + c(2, ny) + " " +
                              c(3, nz) + " " + c(5, nx) + " " + c(8, ny) + " " + c(6, nz) +
                              " CU 7e13\n" + "cold " + c(4, nx) + " 0 " + c(5, nz) + " " +
                              c(8, nx) + " " + c(3, ny) + " " + c(8, nz) + " OXIDE 3e12\n" +
                              "spot" + spot + spot + " CU 0\n");
}

// The fields T, T1, T2 and T3 (the sweeps' intermediates) of got equal those of want, node by node.
void expect_same_fields(const TSdg& want, const TSdg& got)
{
    const char* names[] = {"T", "T1", "T2", "T3"};
    double*** w[] = {want.T, want.T1, want.T2, want.T3};
    double*** g[] = {got.T, got.T1, got.T2, got.T3};
    for (int f = 0; f < 4; f++)
    {
        int differ = 0;
        for (int i = 0; i <= want.nx; i++)
            for (int j = 0; j <= want.ny; j++)
                for (int k = 0; k <= want.nz; k++)
                    differ += !(w[f][i][j][k] == g[f][i][j][k]);
        EXPECT_EQ(0, differ) << names[f] << " differs at " << differ << " nodes";
    }
}

// Four steps of the sweeps on 1, 2 and 3 threads against four reference steps, the whole field
// compared after each; then the same through the run itself (one call of four steps). Panels whose
// matrix is kept from the panel before, and a kept matrix used again in later steps, are both
// exercised, and so are threads with one plane or none.
void compare(int nx, int ny, int nz, bool legacy)
{
    SCOPED_TRACE(std::to_string(nx) + "x" + std::to_string(ny) + "x" + std::to_string(nz) +
                 (legacy ? " legacy rows" : " cell rows"));
    ScratchDir dir;
    write_case(nx, ny, nz);
    TSdg ref("chip.dat"), run("chip.dat"), one("chip.dat"), two("chip.dat"), three("chip.dat");
    TSdg* fast[] = {&one, &two, &three};
    for (TSdg* s : {&ref, &run, &one, &two, &three})
    {
        s->legacy_rows = legacy;
        s->read_geometry("chip.in");
        for (int l = 0; l < s->n_layers; l++)
            s->Build_DG_C(s->layers[l]);
        s->Build_cell_rows(s->coef);
        s->Build_BC();
        s->Build_face_rows();
    }
    double tau = (ref.rho * ref.cp * pow(ref.dx, 2.0)) / (ref.k * ref.dt);
    std::vector<std::unique_ptr<adi::Sweeps>> sweeps;
    for (int t = 0; t < 3; t++)
    {
        fast[t]->threads = t + 1;
        sweeps.emplace_back(new adi::Sweeps(*fast[t]));
    }
    for (int step = 0; step < 4; step++)
    {
        reference::step(ref);
        for (int t = 0; t < 3; t++)
        {
            SCOPED_TRACE(std::to_string(t + 1) + " threads, step " + std::to_string(step));
            sweeps[t]->step(tau);
            expect_same_fields(ref, *fast[t]);
            EXPECT_TRUE(sweeps[t]->finite);
            EXPECT_EQ(sweeps[0]->lo, sweeps[t]->lo);
            EXPECT_EQ(sweeps[0]->hi, sweeps[t]->hi);
        }
    }
    run.n_steps = 4;
    CoutCapture quiet;
    ASSERT_EQ(0, run.Dauglas_Gunn_Convection());
    expect_same_fields(ref, run);
    EXPECT_NE(ref.T[nx / 2][ny / 2][nz / 2], 25.0);
}

} // namespace

// Grids of assorted shapes, odd and even line lengths, down to one interval per axis; the blocks
// touch each other and the faces, so the face lines and the end nodes take rows of their own.
// Lines of up to 16 nodes are taken whole (in vectors of four nodes and the rest one by one),
// longer ones run by run; both kinds are here.
TEST(FastSweeps, MatchReferenceBitForBit)
{
    // 6 x 70 x 5: several tiles of z lines, the last one partly filled; 4 x 100 x 3: tiles of short
    // lines that all share one matrix; 3 x 40 x 15: the longest lines taken whole
    const int grids[][3] = {{8, 8, 8},  {13, 6, 21}, {5, 17, 3}, {1, 1, 1},   {1, 9, 2},
                            {30, 2, 1}, {6, 70, 5},  {40, 3, 9}, {4, 100, 3}, {3, 40, 15}};
    for (bool legacy : {false, true})
        for (const auto& g : grids)
            compare(g[0], g[1], g[2], legacy);
}

// The memory check counts what a run allocates per node (52 bytes), the sweeps' source term among
// the six fields: a grid of 48 bytes a node of this machine's memory is refused (it would pass if
// the source were left out), one of 60 is accepted.
TEST(FastSweeps, MemoryCheckCountsTheSweeps)
{
    const double memory = (double)sysconf(_SC_PHYS_PAGES) * (double)sysconf(_SC_PAGESIZE);
    ASSERT_GT(memory, 0.0);
    for (double per_node : {48.0, 60.0})
    {
        const int nx1 = (int)(memory / per_node / 1e6) + 1; // (nx+1) x 1000 x 1000 nodes
        std::string error;
        const bool fits = TSdg::fits_in_memory(nx1 - 1, 999, 999, error);
        EXPECT_EQ(per_node > 52.0, fits) << per_node;
        EXPECT_EQ(fits, error.find("MiB, more than this machine's memory") == std::string::npos);
    }
}
