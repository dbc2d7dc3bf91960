// tests/test_cli.cpp: the Calefax command: usage, banner, a whole run, and every refused input
// leaving the result file of an earlier run intact
#include "scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>

static const std::string exe = CALEFAX_EXE;

// Any count of file names but two prints the two usage lines only, with status 2. A whole run
// prints "Done!" last; result files that cannot be written (the history, a cut
// plane) are reported after the rest of the run, with status 1.
TEST(Cli, UsageRunAndUnwritableResults)
{
    ScratchDir dir;
    Outcome r = run_command(exe + " chip.dat");
    EXPECT_EQ(2, r.status);
    EXPECT_EQ("Please enter: Calefax data_file input_file \nPlease try again :)\n", r.out);
    DataText t;
    t.cuts = "1 z 2 mid.txt";
    write_file("chip.dat", t.text());
    write_file("chip.in", "* a hot block\nhot 1 1 1 3 3 3 ACTIVE 1e12\n");
    r = run_command(exe + " chip.dat chip.in");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Iteration = 4\nThe mesh size is:  5X5X5\nDone!\n"));
    for (const char* f : {"Calefax_transient.txt", "mid.txt"})
        ASSERT_EQ(0, remove(f) + mkdir(f, 0755)) << f;
    r = run_command(exe + " chip.dat chip.in");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Done!"));
    EXPECT_NE(std::string::npos, r.err.find("Calefax_transient.txt: cannot create or write"));
    EXPECT_NE(std::string::npos, r.err.find("Calefax: error: mid.txt: cannot create"));
}

// Refused data and input files (missing, malformed, an unknown layer, still printed): status 1,
// one "Calefax: error: " line naming the file, nothing run, the earlier result file intact.
// Refused option values and combinations: status 2, nothing written.
TEST(Cli, RefusedFilesAndOptions)
{
    ScratchDir dir;
    DataText t;
    write_file("chip.dat", t.text());
    t.dt = "0.001x";
    write_file("bad.dat", t.text());
    write_file("gold.in", "a 0 0 0 1 1 1 GOLD 1\n");
    const char* cases[][2] = {{"missing.dat gold.in", "missing.dat: cannot open the data file"},
                              {"bad.dat gold.in", "bad.dat:4: item 9 (ambient temperature)"},
                              {"chip.dat none.in", "none.in: cannot open the input file"},
                              {"chip.dat gold.in", "gold.in:1: block 'a' names layer 'GOLD'"}};
    for (const auto& c : cases)
    {
        write_file("Calefax_transient.txt", "earlier result\n");
        Outcome r = run_command(exe + " " + c[0]);
        EXPECT_EQ(1, r.status) << c[0];
        EXPECT_EQ(0u, r.err.find("Calefax: error: " + std::string(c[1]))) << r.err;
        EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << "one line: " << r.err;
        EXPECT_EQ("earlier result\n", read_file("Calefax_transient.txt"));
    }
    EXPECT_NE(std::string::npos, read_file("run.out").find("Layer GOLD is not defined\n"));
    write_file("chip.in", "hot 1 1 1 3 3 3 ACTIVE 1e12\n");
    const char* options[][2] = {
        {"--fast", "unknown option '--fast'"},
        {"--field f.txt", "f.txt: unknown field file extension"},
        {"--threads 0", "--threads takes a whole number of threads from 1 to 4096, not '0'"},
        {"--threads 2x", "--threads takes a whole number of threads from 1 to 4096, not '2x'"},
        {"--steps 1.5", "--steps takes a whole number of steps from 0, not '1.5'"},
        {"--unit-temps", "--unit-temps needs a value"},
        {"--interval 0.002", "--interval needs --power TRACE"},
        {"--power t.ptrace --interval 0", "--interval takes a time in seconds above 0, not '0'"},
        {"--power t.ptrace --legacy-rows", "--power needs the cell rows"}};
    for (const auto& o : options)
    {
        remove("Calefax_transient.txt");
        Outcome r = run_command(exe + " chip.dat chip.in " + o[0]);
        EXPECT_EQ(2, r.status) << o[0];
        EXPECT_EQ(0u, r.err.find("Calefax: error: " + std::string(o[1]))) << r.err;
        EXPECT_FALSE(file_exists("Calefax_transient.txt")) << o[0];
    }
}

// Options stand before, between or after the file names. The energy audit balances (and shows
// the imbalance of the legacy rows); the field is written at the end and every N steps; a spacing
// over a centimetre and an input file without blocks are warned about and the run goes on.
TEST(Cli, OptionsAuditFieldAndWarnings)
{
    ScratchDir dir;
    DataText t;
    write_file("chip.dat", t.text());
    write_file("chip.in", "hot 0 0 1 2 4 3 ACTIVE 1e12\ncu 2 0 1 4 4 4 CU 0\n");
    auto imbalance = [](const std::string& out)
    { return std::fabs(std::stod(out.substr(out.find("Imbalance (relative):") + 21))); };
    Outcome r = run_command(exe + " --energy chip.dat chip.in");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_LT(imbalance(r.out), 1e-11) << r.out;
    r = run_command(exe + " chip.dat chip.in --energy --legacy-rows");
    EXPECT_GT(imbalance(r.out), 1e-3) << r.out;
    // the field at the end and every 2 steps: NumPy files of 5 x 5 x 5 doubles after a header
    r = run_command(exe + " chip.dat --field f.npy --field-every 2 chip.in");
    ASSERT_EQ(0, r.status) << r.err;
    for (const char* f : {"f.npy", "f_000002.npy", "f_000004.npy"})
    {
        std::string npy = read_file(f);
        EXPECT_EQ(0u, npy.find("\x93NUMPY")) << f;
        EXPECT_EQ(128u + 125 * 8, npy.size()) << f;
    }
    EXPECT_FALSE(file_exists("f_000006.npy"));

    t.spacing = "2e-2 1e-3 1e-3";
    write_file("wide.dat", t.text());
    write_file("none.in", "* nothing\n");
    r = run_command(exe + " wide.dat none.in");
    EXPECT_EQ(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("Calefax: warning: wide.dat: dx = 0.02 m"));
    EXPECT_NE(std::string::npos, r.err.find("Calefax: warning: none.in: no block"));
}
