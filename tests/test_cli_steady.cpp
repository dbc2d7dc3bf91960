// tests/test_cli_steady.cpp: the Calefax command's --steady and --from-steady
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <sys/stat.h>

static const std::string exe = CALEFAX_EXE;

// Last value of the last non-empty line of a result file.
static double last_value(const std::string& text)
{
    size_t end = text.find_last_not_of("\n\t ");
    size_t at = text.find_last_of(" \t\n", end);
    return std::stod(text.substr(at + 1, end - at));
}

// --steady: the balance on standard output, Calefax_steady.txt with the transient file's mesh
// line and the probe, and no transient result touched. --from-steady: the probe history starts
// and stays at that temperature.
TEST(CliSteady, ResultsAndFromSteady)
{
    ScratchDir dir;
    DataText t;
    t.grid = "6 5 4";
    t.steps = "3";
    t.probe = "3 2 3";
    t.cuts = "2 z 3 top.txt x 2 side.txt";
    write_model(t, "a 0 0 0 3 5 2 ACTIVE 4e11\nb 3 0 0 6 5 2 CU 0\n");
    Outcome r = run_command(exe + " chip.dat chip.in");
    ASSERT_EQ(0, r.status) << r.err;
    const std::string transient = read_file("Calefax_transient.txt");
    write_file("Calefax_transient.txt", "earlier result\n");
    r = run_command(exe + " --steady chip.dat chip.in");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    size_t at = r.out.find("Balance (relative):");
    ASSERT_NE(std::string::npos, at);
    EXPECT_LT(std::fabs(std::stod(r.out.substr(at + 19))), 1e-9);
    EXPECT_NE(std::string::npos, r.out.find("The mesh size is:  7X6X5\nDone!\n"));
    EXPECT_EQ("earlier result\n", read_file("Calefax_transient.txt"));
    const std::string steady = read_file("Calefax_steady.txt");
    EXPECT_EQ(transient.substr(0, transient.find('\n') + 1) + "", steady.substr(0, 7));
    EXPECT_EQ(2, std::count(steady.begin(), steady.end(), '\n'));
    const double probe = last_value(steady);
    EXPECT_GT(probe, 26.0);
    EXPECT_LT(last_value(transient), probe);

    r = run_command(exe + " chip.dat chip.in --from-steady");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Iteration = 2\nThe mesh size is:  7X6X5\nDone!\n"));
    const std::string from = read_file("Calefax_transient.txt");
    EXPECT_EQ(transient.substr(0, 7), from.substr(0, 7));
    EXPECT_EQ(4, std::count(from.begin(), from.end(), '\n'));
    EXPECT_NEAR(probe, last_value(from), 1e-9 * probe);
}

// No heat path with power: one error line, status 1, nothing written and an earlier steady result
// intact; so too an unwritable result, reported after the run.
TEST(CliSteady, RefusalAndUnwritable)
{
    ScratchDir dir;
    DataText t;
    t.h = "0 0 0 0 0 0";
    t.cuts = "1 z 2 mid.txt";
    write_model(t, "hot 1 1 1 3 3 3 ACTIVE 1e9\n");
    for (const char* mode : {" --steady", " --from-steady"})
    {
        write_file("Calefax_steady.txt", "earlier result\n");
        Outcome r = run_command(exe + mode + " chip.dat chip.in");
        EXPECT_EQ(1, r.status);
        EXPECT_EQ(0u, r.err.find("Calefax: error: no steady state: 27 nodes with power")) << r.err;
        EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << "one line: " << r.err;
        EXPECT_EQ("earlier result\n", read_file("Calefax_steady.txt"));
        EXPECT_FALSE(file_exists("mid.txt"));
        EXPECT_FALSE(file_exists("Calefax_transient.txt"));
    }
    t.h = "100 200 300 400 500 600";
    write_file("chip.dat", t.text());
    ASSERT_EQ(0, remove("Calefax_steady.txt") + mkdir("Calefax_steady.txt", 0755));
    Outcome r = run_command(exe + " chip.dat chip.in --steady");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Done!"));
    EXPECT_NE(std::string::npos,
              r.err.find("Calefax: error: Calefax_steady.txt: cannot create or write"));
    EXPECT_TRUE(file_exists("mid.txt"));
}

// With a trace, --steady takes each unit's mean power over the trace (the steady state of a
// one-line trace of those means, to the bit) and writes one units row; --from-steady starts from
// the steady state of the first line, so a run held at that line stays where it starts.
TEST(CliSteady, WithPowerTrace)
{
    ScratchDir dir;
    DataText t;
    t.grid = "6 5 4";
    t.steps = "4";
    t.probe = "3 2 3";
    write_model(t, "core 0 0 0 3 5 2 ACTIVE 0\ncache 3 0 0 6 5 2 CU 0\ncore 1 1 3 2 2 4 SI 0\n");
    write_file("two.ptrace", "core cache\n1.0 0.5\n3.0 1.5\n");
    write_file("mean.ptrace", "core cache\n2.0 1.0\n");
    std::string result[2];
    for (int f = 0; f < 2; f++)
    {
        Outcome r = run_command(exe + " chip.dat chip.in --steady --power " +
                                (f == 0 ? "two.ptrace" : "mean.ptrace"));
        ASSERT_EQ(0, r.status) << r.err;
        result[f] = read_file("Calefax_steady.txt") + read_file("Calefax_units.csv");
    }
    EXPECT_EQ(result[1], result[0]);
    EXPECT_EQ(4, std::count(result[0].begin(), result[0].end(), '\n')) << result[0];

    write_file("one.ptrace", "core cache\n1.0 0.5\n");
    Outcome r = run_command(exe + " chip.dat chip.in --from-steady --power one.ptrace");
    ASSERT_EQ(0, r.status) << r.err;
    std::istringstream history(read_file("Calefax_transient.txt"));
    std::string mesh;
    int step, lines = 0;
    double T, first = NAN;
    for (std::getline(history, mesh); history >> step >> T; lines++)
    {
        first = std::isnan(first) ? T : first;
        EXPECT_NEAR(first, T, 1e-9 * first) << step;
    }
    EXPECT_EQ(4, lines); // one per step
    EXPECT_GT(first, 25.1);
}
