// tests/test_workload.cpp: Calefax with a power trace and a units file: exact power, the same run
// as an input file of the same densities, the change at an interval boundary, refusals
#include "scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <vector>

static const std::string exe = CALEFAX_EXE;

namespace
{

// The units of tests/test_units.cpp: overlapping, on faces, in two rectangles, covered whole
// (hidden), zero-thick on the top face (lid); cells of 1e-4 m. a owns 12 cells, b 12, die 24.
const char* blocks_text = "die 0 0 1 8 6 2 ACTIVE 1e9\n"
                          "a 0 0 1 3 3 2 ACTIVE 0\n"
                          "hidden 3 3 1 4 4 2 ACTIVE 5e9\n"
                          "b 2 2 1 6 5 2 ACTIVE 0\n"
                          "a 6 0 1 8 2 2 ACTIVE 0\n"
                          "lid 0 0 4 8 6 4 CU 0\n";

void write_chip(const std::string& steps = "40")
{
    DataText d;
    d.steps = steps;
    d.grid = "8 6 4";
    write_file("c.dat", d.text());
    write_file("c.in", blocks_text);
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

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
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
    Outcome r = run_command(exe + " c.dat c.in --power one.ptrace --interval 0.005 --field one.npy "
                                  "--field-every 1");
    ASSERT_EQ(0, r.status) << r.err;
    std::string one_history = read_file("Calefax_transient.txt");
    std::vector<std::string> one_units = lines_of(read_file("Calefax_units.csv"));
    char in[600];
    snprintf(in, sizeof in,
             "die 0 0 1 8 6 2 ACTIVE 1e9\na 0 0 1 3 3 2 ACTIVE %.17g\n"
             "hidden 3 3 1 4 4 2 ACTIVE 5e9\nb 2 2 1 6 5 2 ACTIVE %.17g\n"
             "a 6 0 1 8 2 2 ACTIVE %.17g\nlid 0 0 4 8 6 4 CU 0\n",
             0.2 / (12.0 * (1e-4 * 1e-4 * 1e-4)), 0.3 / (12.0 * (1e-4 * 1e-4 * 1e-4)),
             0.2 / (12.0 * (1e-4 * 1e-4 * 1e-4)));
    write_file("d.in", in);
    r = run_command(exe + " c.dat d.in --field d.npy");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(one_history, read_file("Calefax_transient.txt"));
    EXPECT_EQ(read_file("one.npy"), read_file("d.npy"));
    ASSERT_EQ(9u * 7 * 5, npy_values("d.npy").size());

    r = run_command(exe + " c.dat c.in --power two.ptrace --interval 0.005 --field two.npy "
                          "--field-every 1");
    ASSERT_EQ(0, r.status) << r.err;
    for (int step = 1; step <= 5; step++)
    {
        char a[40], b[40];
        snprintf(a, sizeof a, "one_%06d.npy", step);
        snprintf(b, sizeof b, "two_%06d.npy", step);
        EXPECT_EQ(read_file(a), read_file(b)) << "step " << step;
    }
    EXPECT_NE(read_file("one_000006.npy"), read_file("two_000006.npy"));
    // rows at 0, 0.005, 0.01 and the run's end 0.012: the first two alike
    std::vector<std::string> two_units = lines_of(read_file("Calefax_units.csv"));
    ASSERT_EQ(5u, two_units.size());
    ASSERT_EQ(5u, one_units.size());
    EXPECT_EQ("time_s,die.max,die.mean,a.max,a.mean,hidden.max,hidden.mean,b.max,b.mean,lid.max,"
              "lid.mean",
              two_units[0]);
    EXPECT_EQ(one_units[1], two_units[1]);
    EXPECT_EQ(0u, two_units[1].find("0,25,25,25,25,nan,nan,25,25,25,25"));
    EXPECT_EQ(one_units[2], two_units[2]);
    EXPECT_EQ(0u, two_units[4].find("0.012,"));
    EXPECT_NE(one_units[4], two_units[4]);
    EXPECT_NE(std::string::npos, r.err.find("c.in:3: unit 'hidden' owns no cell"));

    // b's max and mean: over the nodes 2..6 x 2..5 x 1..2 of its cells, from the field at the end
    std::vector<double> T = npy_values("two.npy");
    double hi = -1e300, sum = 0.0;
    for (int i = 2; i <= 6; i++)
        for (int j = 2; j <= 5; j++)
            for (int k = 1; k <= 2; k++)
            {
                double v = T[(i * 7 + j) * 5 + k];
                hi = std::max(hi, v);
                sum += v;
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
    EXPECT_NEAR(expected, value_after(r.out, "Energy injected:"), 1e-11 * expected);
    EXPECT_NEAR(expected, value_after(r.out, "Trace energy (watts x time):"), 1e-11 * expected);
    EXPECT_LT(std::fabs(value_after(r.out, "Imbalance (relative):")), 1e-11) << r.out;
    EXPECT_LT(std::fabs(value_after(r.out, "Injected against the trace:")), 1e-12) << r.out;

    DataText d;
    d.steps = "3000";
    d.grid = "8 6 4";
    d.dt = "0.01";
    d.h = "1e4 1e4 1e4 1e4 1e4 1e4";
    write_file("c.dat", d.text());
    write_file("hold.ptrace", "lid a b\n0.1 0.4 0.2\n");
    r = run_command(exe + " c.dat c.in --power hold.ptrace --energy");
    ASSERT_EQ(0, r.status) << r.err;
    expected = 30 * (0.7 + 24e-3);
    EXPECT_NEAR(expected, value_after(r.out, "Energy injected:"), 1e-11 * expected);
    EXPECT_LT(std::fabs(value_after(r.out, "Imbalance (relative):")), 1e-11) << r.out;
    EXPECT_LT(std::fabs(value_after(r.out, "Injected against the trace:")), 1e-12) << r.out;
    // near the steady state nearly all of the power leaves through the faces
    EXPECT_LT(value_after(r.out, "Energy stored:"), 1e-2 * expected);
}

// Refused traces (the reader's cases: tests/test_units.cpp) and intervals: one error line naming
// the file and line (or the option), status 1, and the result files of an earlier run left as they
// were. Refused option values and combinations: status 2.
TEST(Workload, Refusals)
{
    ScratchDir dir;
    write_chip("10");
    const char* cases[][3] = {
        {"a z\n1 2\n", "", "t.ptrace:1: unit 'z' is not the name of a block of the input file"},
        {"a b\n1 2\n3\n", "", "t.ptrace:3: 1 values where line 1 names 2 units"},
        {"a b\n1 -2\n", "", "t.ptrace:2: power '-2' of unit 'b' is negative"},
        {"", "", "t.ptrace:1: the power trace is empty"},
        {"b hidden\n1 2\n", "", "t.ptrace:1: unit 'hidden' owns no cell"},
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
    write_file("t.ptrace", "a b\n1 2\n");
    const char* options[][2] = {
        {" --interval 0.002", "--interval needs --power TRACE"},
        {" --power t.ptrace --legacy-rows", "--power needs the cell rows"},
        {" --power t.ptrace --interval 0", "--interval takes a time in seconds above 0"},
        {" --steps 1.5", "--steps takes a whole number of steps from 0, not '1.5'"},
        {" --unit-temps", "--unit-temps needs a value"}};
    for (const auto& o : options)
    {
        Outcome r = run_command(exe + " c.dat c.in" + o[0]);
        EXPECT_EQ(2, r.status) << o[0];
        EXPECT_EQ(0u, r.err.find("Calefax: error: " + std::string(o[1]))) << r.err;
    }
    Outcome r = run_command(exe + " --help");
    for (const char* o : {"--power", "--interval", "--steps", "--unit-temps"})
        EXPECT_NE(std::string::npos, r.out.find(o)) << o;
}

// --unit-temps without a trace samples every step of --steps N; a units file that cannot be
// written is reported with status 1.
TEST(Workload, UnitTempsWithoutTrace)
{
    ScratchDir dir;
    write_chip("10");
    Outcome r = run_command(exe + " --unit-temps u.csv --steps 3 c.dat c.in");
    ASSERT_EQ(0, r.status) << r.err;
    std::vector<std::string> rows = lines_of(read_file("u.csv"));
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
