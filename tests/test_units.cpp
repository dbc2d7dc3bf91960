// tests/test_units.cpp: the power-trace reader and the units of a chip (their cells and nodes)
#include "model/PowerTrace.h"
#include "model/Units.h"

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

std::vector<BlockRecord> chip_blocks()
{
    std::istringstream in(blocks_text);
    std::vector<BlockRecord> blocks;
    std::string error;
    EXPECT_TRUE(parse_block_records(in, "c.in", COMMENT_AT_NEXT_CHAR, blocks, error)) << error;
    return blocks;
}

} // namespace

// Blank lines, tabs and CR line ends are accepted; a refused trace leaves no interval behind.
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
    ASSERT_FALSE(read_trace("a b\n1 x2\n", t, error)); // the refusals: tests/test_workload.cpp
    EXPECT_EQ(0u, t.intervals());
}

// Units in order of first appearance; a unit owns the cells of its blocks left after later blocks,
// and its nodes are the corners of its cells. (Binding, refusals, the densities and the untraced
// watts are checked end to end, to the bit, in tests/test_workload.cpp.)
TEST(Units, CellsAndNodes)
{
    Units u(8, 6, 4, 1e-4, 1e-4, 1e-4, chip_blocks());
    ASSERT_EQ(5u, u.size());
    const char* names[] = {"die", "a", "hidden", "b", "lid"};
    const long long cells[] = {48 - 12 - 12, 9 - 1 + 4, 0, 12, 48};
    for (int n = 0; n < 5; n++)
    {
        EXPECT_EQ(n, u.find(names[n]));
        EXPECT_EQ(cells[n], u.cells(n)) << names[n];
    }
    EXPECT_EQ(5u * 4 * 2, u.nodes(3).size()); // b: nodes 2..6 x 2..5 x 1..2
    EXPECT_TRUE(u.nodes(2).empty());
    EXPECT_EQ(9u * 7 * 2, u.nodes(4).size()); // the zero-thick lid: the cells under k = 4
    EXPECT_EQ(3, u.nodes(4)[0]);
}
