// tests/test_cli.cpp: the Calefax command: usage, banner, a whole run, and every refused input
// leaving the result file of an earlier run intact
#include "scratch.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{

const std::string exe = CALEFAX_EXE;

// A small valid data file with one cut plane, and a matching input file.
void write_inputs(const DataText& t = DataText())
{
    write_file("chip.dat", t.text());
    write_file("chip.in", "* a hot block\nhot 1 1 1 3 3 3 ACTIVE 1e12\n");
}

// Runs the program on files that must be refused: status 1, a "Calefax: error: " line naming
// what, and the earlier result file untouched.
void expect_refused(const std::string& args, const std::string& what)
{
    write_file("Calefax_transient.txt", "earlier result\n");
    Outcome r = run_command(exe + " " + args);
    EXPECT_EQ(1, r.status) << args;
    EXPECT_EQ(0u, r.err.find("Calefax: error: ")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find(what)) << r.err;
    EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << "one line: " << r.err;
    EXPECT_EQ("earlier result\n", read_file("Calefax_transient.txt"));
    EXPECT_EQ(std::string::npos, r.out.find("Iteration"));
}

} // namespace

// Any argument count but two prints the two usage lines only, with status 0.
TEST(Cli, UsageOnWrongArgumentCount)
{
    ScratchDir dir;
    for (const char* args : {"", " a", " a b c"})
    {
        Outcome r = run_command(exe + args);
        EXPECT_EQ(0, r.status);
        EXPECT_EQ("Please enter: Calefax data_file input_file \nPlease try again :)\n", r.out);
    }
}

// A whole run: the banner first, progress, "Done!", the result and cut-plane files.
TEST(Cli, RunPrintsBannerFirstAndWritesResults)
{
    ScratchDir dir;
    DataText t;
    t.cuts = "1 z 2 mid.txt";
    write_inputs(t);
    Outcome r = run_command(exe + " chip.dat chip.in");
    ASSERT_EQ(0, r.status) << r.err;
    std::string star(60, '*');
    EXPECT_EQ(0u, r.out.find(star + "\n*                    3D Calefax Simulator                  *\n"));
    std::istringstream lines(r.out);
    std::string line;
    for (int n = 0; n < 6; n++)
    {
        std::getline(lines, line);
        EXPECT_EQ(60u, line.size());
        EXPECT_EQ('*', line.front());
        EXPECT_EQ('*', line.back());
    }
    std::getline(lines, line);
    EXPECT_EQ("Iteration = 0", line);
    EXPECT_NE(std::string::npos, r.out.find("Iteration = 4\nThe mesh size is:  5X5X5\nDone!\n"));
    EXPECT_NE(std::string::npos, r.out.find("Run time of the Calefax Simulator is...  "));
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, read_file("Calefax_transient.txt").find("\\5X5X5\n1      "));
    std::string mid = read_file("mid.txt");
    EXPECT_EQ(5, std::count(mid.begin(), mid.end(), '\n'));
}

// Refused data files: unreadable, malformed, out of range; nothing is run or overwritten.
TEST(Cli, RefusedDataFiles)
{
    ScratchDir dir;
    write_inputs();
    Outcome r = run_command(exe + " missing.dat chip.in");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("No input file is read!\n"));

    expect_refused("missing.dat chip.in", "missing.dat: cannot open the data file");
    DataText t;
    t.dt = "0.001x";
    write_file("bad.dat", t.text());
    expect_refused("bad.dat chip.in", "bad.dat:4: item 9 (ambient temperature): expected a number");
    t = DataText();
    t.base = "Gold";
    write_file("bad.dat", t.text());
    expect_refused("bad.dat chip.in", "'Gold' is not the name of a layer");
    t = DataText();
    t.probe = "0 0 9";
    write_file("bad.dat", t.text());
    expect_refused("bad.dat chip.in", "probe index along z): must lie in 0..4");
    t = DataText();
    t.grid = "4 4 4";
    t.cuts = "1 x 5 a.txt";
    write_file("bad.dat", t.text());
    expect_refused("bad.dat chip.in", "index of cut plane 1): must lie in 0..4 along x");
    t = DataText();
    t.grid = "1500 1500 900";
    write_file("bad.dat", t.text());
    expect_refused("bad.dat chip.in",
                   "the grid has 1501 x 1501 x 901 nodes, more than 134217728");
    t = DataText();
    t.grid = "1 0 1";
    write_file("bad.dat", t.text());
    expect_refused("bad.dat chip.in", "intervals along y): must be at least 1");
}

// Refused input files: unreadable, a broken record, a corner outside, an unknown layer.
TEST(Cli, RefusedInputFiles)
{
    ScratchDir dir;
    write_inputs();
    expect_refused("chip.dat none.in", "none.in: cannot open the input file");
    write_file("bad.in", "a 0 0 0 1 1 1 SI 1\nb 0 0 0 1 1\n");
    expect_refused("chip.dat bad.in", "bad.in:2: block record 'b' cannot be read");
    write_file("bad.in", "a 0 0 0 1 1 7 SI 1\n");
    expect_refused("chip.dat bad.in", "bad.in:1: block 'a': z index 7 of the second corner");
    write_file("bad.in", "a 0 0 0 1 1 1 GOLD 1\n");
    expect_refused("chip.dat bad.in", "bad.in:1: block 'a' names layer 'GOLD'");
    Outcome r = run_command(exe + " chip.dat bad.in");
    EXPECT_NE(std::string::npos, r.out.find("Layer GOLD is not defined\n"));
}

// A result file that cannot be written is reported after the rest of the run, with status 1.
TEST(Cli, UnwritableResultFiles)
{
    ScratchDir dir;
    DataText t;
    t.cuts = "1 z 2 nodir/mid.txt";
    write_inputs(t);
    if (mkdir("Calefax_transient.txt", 0755) != 0)
        FAIL() << "cannot make the blocking directory";
    Outcome r = run_command(exe + " chip.dat chip.in");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Done!"));
    EXPECT_NE(std::string::npos,
              r.err.find("Calefax: error: Calefax_transient.txt: cannot create or write"));
    EXPECT_NE(std::string::npos, r.err.find("Calefax: error: nodir/mid.txt: cannot create"));
}
