// tests/test_workload.cpp: Calefax with a power trace and a units file: exact power, the same run
// as an input file of the same densities, the change at an interval boundary, refusals
#include "scratch.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <vector>

static const std::string exe = CALEFAX_EXE;

namespace
{

// The units of tests/test_units.cpp (overlapping, on faces, in two rectangles, covered whole,
// zero-thick), with a's and b's densities as given; cells of 1e-4 m: a owns 12 cells, b 12, die 24.
std::string blocks(const std::string& a = "0", const std::string& b = "0")
{
    return "die 0 0 1 8 6 2 ACTIVE 1e9\na 0 0 1 3 3 2 ACTIVE " + a +
           "\nhidden 3 3 1 4 4 2 ACTIVE 5e9\nb 2 2 1 6 5 2 ACTIVE " + b +
           "\na 6 0 1 8 2 2 ACTIVE " + a + "\nlid 0 0 4 8 6 4 CU 0\n";
}

void write_chip(const std::string& steps)
{
    DataText d;
    d.steps = steps;
    d.grid = "8 6 4";
    write_file("c.dat", d.text());
    write_file("c.in", blocks());
}

// The doubles of a .npy field file.
std::vector<double> npy_values(const std::string& name)
{
    std::string s = read_file(name);
    if (s.size() < 10)
        return {};
    size_t start = 10 + ((unsigned char)s[8] | (unsigned char)s[9] << 8);
    std::vector<double> v((s.size() - start) / 8);
    memcpy(v.data(), s.data() + start, v.size() * 8);
    return v;
}

// The number after label in text, NaN when it is not there.
double value_after(const std::string& text, const std::string& label)
{
    size_t at = text.find(label);
    return at == std::string::npos ? NAN : std::stod(text.substr(at + label.size()));
}

// The audit of a --energy run: the energy injected is expected (J) and the books balance.
void expect_audit(const std::string& out, double expected)
{
    EXPECT_NEAR(expected, value_after(out, "Energy injected:"), 1e-11 * expected);
    EXPECT_LT(std::fabs(value_after(out, "Imbalance (relative):")), 1e-11) << out;
    EXPECT_LT(std::fabs(value_after(out, "Injected against the trace:")), 1e-12) << out;
}

} // namespace

// One constant row runs, to the bit, as the input file of densities watts/(cells*dx*dy*dz); a
// second row changes the power exactly at the interval boundary (step 5), not a step early or late.
TEST(Workload, SameRunAsTheDensitiesAndChangeAtTheBoundary)
{
    ScratchDir dir;
    write_chip("12");
    write_file("one.ptrace", "b a\n0.3 0.2\n");
    write_file("two.ptrace", "b\ta\n0.3 0.2\n0.9 0\n");
    std::string field = " --interval 0.005 --field-every 1 --field ";
    Outcome r = run_command(exe + " c.dat c.in --power one.ptrace" + field + "one.npy");
    ASSERT_EQ(0, r.status) << r.err;
    std::string one_history = read_file("Calefax_transient.txt");
    std::vector<std::string> one_units = text_lines(read_file("Calefax_units.csv"));
    char a[40], b[40];
    snprintf(a, sizeof a, "%.17g", 0.2 / (12.0 * (1e-4 * 1e-4 * 1e-4)));
    snprintf(b, sizeof b, "%.17g", 0.3 / (12.0 * (1e-4 * 1e-4 * 1e-4)));
    write_file("d.in", blocks(a, b));
    r = run_command(exe + " c.dat d.in --field d.npy");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(one_history, read_file("Calefax_transient.txt"));
    EXPECT_EQ(read_file("one.npy"), read_file("d.npy"));
    ASSERT_EQ(9u * 7 * 5, npy_values("d.npy").size());

    r = run_command(exe + " c.dat c.in --power two.ptrace" + field + "two.npy");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("c.in:3: unit 'hidden' owns no cell"));
    for (int step = 1; step <= 6; step++)
    {
        snprintf(a, sizeof a, "one_%06d.npy", step);
        snprintf(b, sizeof b, "two_%06d.npy", step);
        EXPECT_EQ(step <= 5, read_file(a) == read_file(b)) << "step " << step;
    }
    // rows at 0, 0.005, 0.01 and the run's end 0.012: the first two alike
    std::vector<std::string> two_units = text_lines(read_file("Calefax_units.csv"));
    ASSERT_EQ(5u, two_units.size());
    ASSERT_EQ(5u, one_units.size());
    EXPECT_EQ("time_s,die.max,die.mean,a.max,a.mean,hidden.max,hidden.mean,b.max,b.mean,lid.max,"
              "lid.mean",
              two_units[0]);
    EXPECT_EQ(0u, two_units[1].find("0,25,25,25,25,nan,nan,25,25,25,25"));
    EXPECT_EQ(one_units[1], two_units[1]);
    EXPECT_EQ(one_units[2], two_units[2]);
    EXPECT_EQ(0u, two_units[4].find("0.012,"));
    EXPECT_NE(one_units[4], two_units[4]);

    // b's max and mean: over the nodes 2..6 x 2..5 x 1..2 of its cells, from the field at the end
    std::vector<double> T = npy_values("two.npy");
    double hi = -1e300, sum = 0.0;
    for (int i = 2; i <= 6; i++)
        for (int j = 2; j <= 5; j++)
            for (int k = 1; k <= 2; k++)
            {
                hi = std::max(hi, T[(i * 7 + j) * 5 + k]);
                sum += T[(i * 7 + j) * 5 + k];
            }
    std::istringstream row(two_units[4]);
    std::vector<double> v;
    for (std::string f; std::getline(row, f, ',');)
        v.push_back(std::stod(f));
    ASSERT_EQ(11u, v.size());
    EXPECT_NEAR(hi, v[7], 1e-10 * hi);
    EXPECT_NEAR(sum / 40, v[8], 1e-10 * hi);
    EXPECT_GT(v[7], v[8]);
}

// The energy audit of traced runs balances, and the energy injected is the trace's watts times
// the time plus the power of the die beneath (24 cells at 1e9 W/m^3: 24 mW), however the units
// overlap and touch the faces: a varying trace whose last line holds, and a constant one held
// until the chip is near its steady state.
TEST(Workload, EnergyAuditOfTracedRuns)
{
    ScratchDir dir;
    write_chip("60");
    write_file("vary.ptrace", "a b\n1 0\n0 2\n0.5 0.5\n0 0\n3 0.25\n");
    Outcome r = run_command(exe + " c.dat c.in --power vary.ptrace --interval 0.004 --energy");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos,
              r.err.find("Calefax: warning: vary.ptrace: the trace's 5 intervals end at 0.02 s, "
                         "before the run's 60 steps (0.06 s): its last line holds"));
    EXPECT_EQ(r.err.find("holds"), r.err.rfind("holds")) << "said once: " << r.err;
    double expected = 0.004 * (1 + 2 + 1 + 0) + 0.044 * 3.25 + 0.06 * 24e-3;
    expect_audit(r.out, expected);
    EXPECT_NEAR(expected, value_after(r.out, "Trace energy (watts x time):"), 1e-11 * expected);

    DataText d;
    d.steps = "3000";
    d.grid = "8 6 4";
    d.dt = "0.01";
    d.h = "1e4 1e4 1e4 1e4 1e4 1e4";
    write_file("c.dat", d.text());
    write_file("hold.ptrace", "lid a b\n0.1 0.4 0.2\n");
    r = run_command(exe + " c.dat c.in --power hold.ptrace --energy");
    ASSERT_EQ(0, r.status) << r.err;
    expect_audit(r.out, 30 * (0.7 + 24e-3));
    // near the steady state nearly all of the power leaves through the faces
    EXPECT_LT(value_after(r.out, "Energy stored:"), 1e-2 * 30 * (0.7 + 24e-3));
}

// Refused traces (blank, malformed, negative or unbounded powers, names repeated, unknown or
// owning no cell, a power whose density overflows), intervals and a missing file: one error line
// naming the file and line (or the option), status 1, and the result files of an earlier run left
// as they were. (Refused option values and combinations: tests/test_cli.cpp.)
TEST(Workload, Refusals)
{
    ScratchDir dir;
    write_chip("10");
    const char* cases[][3] = {
        {"", "", "t.ptrace:1: the power trace is empty"},
        {"a b\n\n", "", "t.ptrace:1: the power trace has names but no interval"},
        {"a b\n1 2\n3\n", "", "t.ptrace:3: 1 values where line 1 names 2 units"},
        {"a b\n1 2 3\n", "", "t.ptrace:2: 3 values where line 1 names 2 units"},
        {"a b\n1 x2\n", "", "t.ptrace:2: power 'x2' of unit 'b' is not a number"},
        {"a b\n-1 2\n", "", "t.ptrace:2: power '-1' of unit 'a' is negative"},
        {"a b\n1e999 1\n", "", "t.ptrace:2: power '1e999' of unit 'a' is not a finite power"},
        {"a b a\n1 2 3\n", "", "t.ptrace:1: unit 'a' is named twice"},
        {"a z\n1 2\n", "", "t.ptrace:1: unit 'z' is not the name of a block of the input file"},
        {"b hidden\n1 2\n", "", "t.ptrace:1: unit 'hidden' owns no cell"},
        {"a b\n1 2\n\n1e300 2\n", "",
         "t.ptrace:4: power 1e+300 W of unit 'a' is too large: over the unit's 1.2e-11 m^3 its "
         "density is beyond the range of numbers"},
        {"a b\n1 2\n", " --interval 0.0025",
         "--interval 0.0025 s is not a whole number of steps of dt = 0.001 s: the nearest valid "
         "intervals are 0.002 s and 0.003 s"},
        {"a b\n1 2\n", " --interval 0.0004",
         "--interval 0.0004 s is not a whole number of steps of dt = 0.001 s: the shortest "
         "interval is 0.001 s"},
        {nullptr, "", "missing.ptrace: cannot open the power trace"}};
    for (const auto& c : cases)
    {
        write_file("Calefax_transient.txt", "earlier result\n");
        write_file("Calefax_units.csv", "earlier units\n");
        if (c[0])
            write_file("t.ptrace", c[0]);
        std::string trace = c[0] ? "t.ptrace" : "missing.ptrace";
        Outcome r = run_command(exe + " c.dat c.in --power " + trace + c[1]);
        EXPECT_EQ(1, r.status) << c[2];
        EXPECT_EQ(0u, r.err.find("Calefax: error: " + std::string(c[2]))) << r.err;
        EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << "one line: " << r.err;
        EXPECT_EQ("earlier result\n", read_file("Calefax_transient.txt"));
        EXPECT_EQ("earlier units\n", read_file("Calefax_units.csv"));
    }
}

// --unit-temps without a trace samples every step of --steps N; a units file that cannot be
// written is reported with status 1.
TEST(Workload, UnitTempsWithoutTrace)
{
    ScratchDir dir;
    write_chip("10");
    Outcome r = run_command(exe + " --unit-temps u.csv --steps 3 c.dat c.in");
    ASSERT_EQ(0, r.status) << r.err;
    std::vector<std::string> rows = text_lines(read_file("u.csv"));
    ASSERT_EQ(5u, rows.size());
    EXPECT_EQ(0u, rows[3].find("0.002,"));
    EXPECT_EQ(0u, rows[4].find("0.003,"));
    EXPECT_NE(std::string::npos, r.out.find("Iteration = 2\nThe mesh size"));
    EXPECT_FALSE(file_exists("Calefax_units.csv"));
    ASSERT_EQ(0, mkdir("d.csv", 0755));
    r = run_command(exe + " --unit-temps d.csv c.dat c.in");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos,
              r.err.find("\nCalefax: error: d.csv: cannot create the units file"))
        << r.err;
}
