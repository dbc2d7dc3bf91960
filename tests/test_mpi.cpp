// tests/test_mpi.cpp: the distributed engine against the single-machine one, run under mpirun
// with 1 and 2 processes (tests/mpi_run.sh); every process runs every test in its own scratch
// directory
#include "model/datafile.h"
#include "mpi/Inputs.h"
#include "tests/mpi_reference.h"
#include "tests/scratch.h"
#include "tests/test_util.h"

#include <gtest/gtest.h>

#include <petscsys.h>

#include <sstream>
#include <string>

namespace
{

// A 16 x 13 x 9 chip, thin along z: blocks that overlap, meet, touch five faces, cross any split
// of the grid between two processes, and one zero intervals thick; six different h.
DataText chip()
{
    DataText t;
    t.grid = "16 13 9";
    t.spacing = "2e-4 1.5e-4 2e-5";
    t.h = "1e3 20 3e2 40 2e4 60";
    t.probe = "8 6 7";
    return t;
}

const std::string chip_blocks = "sub  0 0 0 16 13 4 SI 0\n"
                                "act  0 0 4 16 13 5 ACTIVE 2e9\n"
                                "core 3 2 4 9 8 5 ACTIVE 3e10\n"
                                "ox   5 0 5 16 13 6 OXIDE 0\n"
                                "m1   7 4 6 14 12 7 M1 1e9\n"
                                "lid  0 0 7 16 13 9 CU 0\n"
                                "tsv  12 9 0 12 11 9 CU 5e9\n";

// Both engines on the chip.dat and chip.in written from d and blocks: their steady states, or
// n_steps from T_amb.
FieldDifference difference(const DataText& d, const std::string& blocks, int n_steps = 0)
{
    ScratchDir dir;
    write_file("chip.dat", d.text());
    write_file("chip.in", blocks);
    return n_steps ? transient_difference("chip.dat", "chip.in", n_steps, PETSC_COMM_WORLD)
                   : steady_difference("chip.dat", "chip.in", PETSC_COMM_WORLD);
}

} // namespace

// The steady state equals the single-machine one (CG with the line multigrid) to 1e-8 relative,
// and the heat leaving the faces equals the power of the cells.
TEST(MpiSteady, EqualsTheSingleMachineSteadyState)
{
    FieldDifference d = difference(chip(), chip_blocks);
    ASSERT_EQ("", d.error);
    EXPECT_GT(d.scale, 1.0);
    EXPECT_LT(d.relative(), 1e-8) << d.diff << " of " << d.scale;
    EXPECT_LT(std::fabs(d.balance), 1e-8);
}

// No heat path: the same refusal as the single machine's (every h = 0; power in cells of zero
// conductivity). Cells of zero conductivity without power hold their nodes at T_amb, as there.
TEST(MpiSteady, RefusesAndHoldsAsTheSingleMachine)
{
    DataText sealed = chip(), vacuum = chip();
    sealed.h = "0 0 0 0 0 0";
    vacuum.layers.replace(vacuum.layers.find("OXIDE 1.4"), 9, "OXIDE 0.0");
    for (FieldDifference d : {difference(sealed, chip_blocks),
                              difference(vacuum, chip_blocks + "gap 2 2 1 6 6 3 OXIDE 4e9\n")})
    {
        EXPECT_NE("", d.error);
        EXPECT_EQ(d.adi_error, d.error);
    }
    FieldDifference d = difference(vacuum, chip_blocks + "gap 2 2 1 6 6 3 OXIDE 0\n");
    ASSERT_EQ("", d.error);
    EXPECT_LT(d.relative(), 1e-8) << d.diff << " of " << d.scale;
}

// Crank-Nicolson against the Douglas-Gunn run over the same time: both are second order, so the
// difference shrinks about fourfold per halving of dt, once dt resolves the fastest time constant
// of the grid (here about 1.3e-5 s, copper across dz = 1e-4 m; far above it both schemes only
// damp the fast modes, each in its own way).
TEST(MpiTransient, AgreesWithTheAdiRunToSecondOrder)
{
    double last = 0.0;
    for (int h = 0; h < 4; h++)
    {
        DataText t = chip();
        t.spacing = "2e-4 1.5e-4 1e-4";
        std::ostringstream dt;
        dt << 2e-5 / (1 << h);
        t.dt = dt.str();
        FieldDifference d = difference(t, chip_blocks, 5 << h);
        ASSERT_EQ("", d.error);
        if (h > 0)
        {
            EXPECT_GT(last / d.diff, 3.5) << "dt " << t.dt << ": " << d.diff << " K";
            EXPECT_LT(last / d.diff, 4.5) << "dt " << t.dt << ": " << d.diff << " K";
        }
        last = d.diff;
    }
}

// The inputs are refused with the single machine's lines (no data file: "" below).
TEST(MpiInputs, RejectsWithTheSingleMachinesLines)
{
    struct
    {
        std::string data, blocks;
    } cases[] = {
        {chip().text(), "core 3 2 4 9 8 5 NOSUCH 3e10\nx 1 1 1 2 2 2 ALSO 1\n"}, // unknown layer
        {chip().text(), "core 3 2 4 9 8 17 ACTIVE 3e10\n"},                      // outside
        {"5\n16 13\n", chip_blocks},                                             // data truncated
        {"", chip_blocks},                                                       // no data file
    };
    for (const auto& c : cases)
    {
        ScratchDir dir;
        if (!c.data.empty())
            write_file("chip.dat", c.data);
        write_file("chip.in", c.blocks);
        dist::Inputs in;
        std::string error, want;
        bool ok = dist::read_inputs(PETSC_COMM_WORLD, "chip.dat", "chip.in", in, error);
        DataFile d;
        if (read_data_file("chip.dat", d, want))
        {
            TSdg s(d, "chip.dat");
            std::istringstream text(c.blocks);
            CoutCapture quiet;
            EXPECT_FALSE(s.read_geometry(text, "chip.in", want));
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(want, error);
    }
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    PetscInitialize(&argc, &argv, nullptr, nullptr);
    int failed = RUN_ALL_TESTS(), any = 0;
    MPI_Allreduce(&failed, &any, 1, MPI_INT, MPI_MAX, PETSC_COMM_WORLD);
    PetscFinalize();
    return any;
}
