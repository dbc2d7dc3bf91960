// tests/test_units.cpp: the power-trace reader, the units of a chip and their node powers
#include "adi/TSdg.h"
#include "model/PowerTrace.h"
#include "model/Units.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace
{

bool read_trace(const std::string& text, PowerTrace& t, std::string& error)
{
    std::istringstream in(text);
    return t.read(in, "t.ptrace", error);
}

// Units that overlap, touch faces, come in two rectangles (a), are zero-thick (lid, on the top
// plane) or are covered whole by a later block (hidden, under b). Cells are 1e-4 m cubes.
const char* blocks_text = "die 0 0 1 8 6 2 ACTIVE 1e9\n"
                          "a 0 0 1 3 3 2 ACTIVE 0\n"
                          "hidden 3 3 1 4 4 2 ACTIVE 5e9\n"
                          "b 2 2 1 6 5 2 ACTIVE 0\n"
                          "a 6 0 1 8 2 2 ACTIVE 0\n"
                          "lid 0 0 4 8 6 4 CU 0\n";

} // namespace

// Blank lines, tabs and CR line ends are accepted; every refusal names the file and its line.
TEST(PowerTrace, ReadsAndRefuses)
{
    PowerTrace t;
    std::string error;
    ASSERT_TRUE(read_trace("\ncore0\tcore1 \r\n1.5 2\r\n\n0 1e-3\n", t, error)) << error;
    ASSERT_EQ(2u, t.intervals());
    EXPECT_EQ((std::vector<std::string>{"core0", "core1"}), t.names());
    EXPECT_EQ(2, t.names_line());
    EXPECT_EQ(2.0, t.row(0)[1]);
    EXPECT_EQ(1e-3, t.row(1)[1]);
    const char* refused[][2] = {
        {"", "t.ptrace:1: the power trace is empty"},
        {"\n  \n", "t.ptrace:1: the power trace is empty"},
        {"a b\n\n", "t.ptrace:1: the power trace has names but no interval"},
        {"a b\n1 2\n3\n", "t.ptrace:3: 1 values where line 1 names 2 units"},
        {"a b\n1 2 3\n", "t.ptrace:2: 3 values where line 1 names 2 units"},
        {"a b\n1 x2\n", "t.ptrace:2: power 'x2' of unit 'b' is not a number"},
        {"a b\n1 2W\n", "t.ptrace:2: power '2W' of unit 'b' is not a number"},
        {"a b\n-1 2\n", "t.ptrace:2: power '-1' of unit 'a' is negative"},
        {"a b\n1 inf\n", "t.ptrace:2: power 'inf' of unit 'b' is not a finite power"},
        {"a b\nnan 1\n", "t.ptrace:2: power 'nan' of unit 'a' is not a finite power"},
        {"a b\n1e999 1\n", "t.ptrace:2: power '1e999' of unit 'a' is not a finite power"},
        {"a b a\n1 2 3\n", "t.ptrace:1: unit 'a' is named twice"}};
    for (const auto& c : refused)
    {
        EXPECT_FALSE(read_trace(c[0], t, error)) << c[0];
        EXPECT_EQ(c[1], error);
        EXPECT_EQ(0u, t.intervals());
    }
    EXPECT_FALSE(t.read_file("/nonexistent/t.ptrace", error));
    EXPECT_EQ("/nonexistent/t.ptrace: cannot open the power trace", error);
}

// Units in order of first appearance; a unit owns the cells of its blocks left after later blocks,
// its watts become one density over that volume, and its nodes are the corners of its cells.
TEST(Units, CellsDensitiesNodesAndBinding)
{
    std::istringstream in(blocks_text);
    std::vector<BlockRecord> blocks;
    std::string error;
    ASSERT_TRUE(parse_block_records(in, "c.in", COMMENT_AT_NEXT_CHAR, blocks, error)) << error;
    Units u(8, 6, 4, 1e-4, 1e-4, 1e-4, blocks);
    ASSERT_EQ(5u, u.size());
    const char* names[] = {"die", "a", "hidden", "b", "lid"};
    const long long cells[] = {48 - 12 - 12, 9 - 1 + 4, 0, 12, 48};
    for (int n = 0; n < 5; n++)
    {
        EXPECT_EQ(names[n], u.name(n));
        EXPECT_EQ(n, u.find(names[n]));
        EXPECT_EQ(cells[n], u.cells(n)) << names[n];
    }
    EXPECT_EQ((std::vector<int>{1, 4}), u.blocks_of(1));
    EXPECT_EQ(0.5 / (12.0 * (1e-4 * 1e-4 * 1e-4)), u.density(1, 0.5));
    EXPECT_EQ(5u * 4 * 2, u.nodes(3).size()); // b: nodes 2..6 x 2..5 x 1..2
    EXPECT_TRUE(u.nodes(2).empty());
    EXPECT_EQ(9u * 7 * 2, u.nodes(4).size()); // the zero-thick lid: the cells under k = 4
    EXPECT_EQ(3, u.nodes(4)[0]);

    std::vector<int> column;
    PowerTrace t;
    ASSERT_TRUE(read_trace("\nb a\n1 2\n", t, error));
    ASSERT_TRUE(u.bind(t, "t.ptrace", column, error)) << error;
    EXPECT_EQ((std::vector<int>{3, 1}), column);
    // the untraced blocks: die's 24 cells at 1e9 W/m^3, hidden's none, lid at 0
    EXPECT_NEAR(24e-3, u.other_watts(column), 1e-15);
    std::vector<double> density;
    u.densities(column, t.row(0), density);
    EXPECT_EQ((std::vector<double>{1e9, u.density(1, 2.0), 5e9, u.density(3, 1.0),
                                   u.density(1, 2.0), 0.0}),
              density);
    for (const char* bad : {"b x\n1 2\n", "hidden\n1\n"})
    {
        ASSERT_TRUE(read_trace(bad, t, error));
        EXPECT_FALSE(u.bind(t, "t.ptrace", column, error));
    }
    EXPECT_EQ("t.ptrace:1: unit 'hidden' owns no cell: later blocks cover every cell of its "
              "blocks",
              error);
}

// The node powers a trace gives are, to the bit, those of an input file holding its densities,
// on every node the units touch (overlaps, faces, the die beneath), and no other node changes.
TEST(Units, NodePowersMatchTheInputFileAssignment)
{
    ScratchDir dir;
    DataText d;
    d.grid = "8 6 4";
    write_file("c.dat", d.text());
    std::istringstream in(blocks_text);
    std::vector<BlockRecord> blocks;
    std::string error;
    ASSERT_TRUE(parse_block_records(in, "c.in", COMMENT_AT_NEXT_CHAR, blocks, error));
    Units u(8, 6, 4, 1e-4, 1e-4, 1e-4, blocks);
    std::vector<int> column = {3, 1};
    u.watch(column);
    const double watts[] = {0.7, 0.13};
    std::vector<double> density;
    u.densities(column, watts, density);

    TSdg input("c.dat"), traced("c.dat");
    std::ostringstream text;
    text.precision(17);
    for (size_t b = 0; b < blocks.size(); b++)
        text << blocks[b].name << " " << blocks[b].x1 << " " << blocks[b].y1 << " " << blocks[b].z1
             << " " << blocks[b].x2 << " " << blocks[b].y2 << " " << blocks[b].z2 << " "
             << blocks[b].layer << " " << density[b] << "\n";
    std::istringstream in1(text.str()), in2(blocks_text);
    ASSERT_TRUE(input.read_geometry(in1, "d.in", error)) << error;
    ASSERT_TRUE(traced.read_geometry(in2, "c.in", error)) << error;
    double* q = traced.power[0][0];
    std::vector<double> before(q, q + traced.n_nodes);
    int changed = 0;
    u.node_powers(density,
                  [&](ptrdiff_t p, double q0)
                  {
                      changed += q0 != q[p];
                      q[p] = q0;
                  });
    EXPECT_GT(changed, 50);
    for (int p = 0; p < traced.n_nodes; p++)
        ASSERT_EQ(0, memcmp(&input.power[0][0][p], &q[p], sizeof(double))) << "node " << p;
}
