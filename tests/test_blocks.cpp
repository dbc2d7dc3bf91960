// tests/test_blocks.cpp: reading blocks into coef_id and power: position codes, shares, rejections
#include "adi/TSdg.h"
#include "model/blocks.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace
{

// Reads text as an input file into s; returns the rejection, empty when accepted.
std::string load(TSdg& s, const std::string& text)
{
    std::istringstream in(text);
    std::string error;
    CoutCapture quiet;
    bool ok = s.read_geometry(in, "chip.in", error);
    EXPECT_EQ(ok, error.empty());
    return ok ? std::string() : error;
}

} // namespace

// Codes 9*cx + 3*cy + cz + 1 and shares 1, 1/2, 1/4, 1/8 over a 3x3x3 block of layer POLY (1).
TEST(ReadGeometry, PositionCodesAndPowerShares)
{
    TSdg s(6, 6, 6, 1e-3, 25.0);
    ASSERT_EQ("", load(s, "b 1 1 1 3 3 3 POLY 8.0\n"));
    EXPECT_EQ(27 + 1, s.coef_id[1][1][1]);
    EXPECT_EQ(1.0, s.power[1][1][1]);
    EXPECT_EQ(27 + 14, s.coef_id[2][2][2]);
    EXPECT_EQ(8.0, s.power[2][2][2]);
    EXPECT_EQ(27 + 9 * 1 + 3 * 1 + 0 + 1, s.coef_id[2][2][1]);   // face of the block: code 13
    EXPECT_EQ(4.0, s.power[2][2][1]);
    EXPECT_EQ(27 + 9 * 2 + 3 * 1 + 2 + 1, s.coef_id[3][2][3]);   // edge: code 24
    EXPECT_EQ(2.0, s.power[3][2][3]);
    EXPECT_EQ(27 + 27, s.coef_id[3][3][3]);
    EXPECT_EQ(0, s.coef_id[0][0][0]);       // not covered
    EXPECT_EQ(0.0, s.power[4][2][2]);
}

// Reversed corners cover the same nodes; a later block wins where blocks overlap.
TEST(ReadGeometry, ReversedCornersAndOverlap)
{
    TSdg a(6, 6, 6, 1e-3, 25.0), b(6, 6, 6, 1e-3, 25.0);
    ASSERT_EQ("", load(a, "b 3 5 2 1 2 4 SI 5\n"));
    ASSERT_EQ("", load(b, "b 1 2 2 3 5 4 SI 5\n"));
    for (int i = 0; i <= 6; i++)
        for (int j = 0; j <= 6; j++)
            for (int k = 0; k <= 6; k++)
            {
                EXPECT_EQ(b.coef_id[i][j][k], a.coef_id[i][j][k]);
                EXPECT_EQ(b.power[i][j][k], a.power[i][j][k]);
            }
    TSdg c(6, 6, 6, 1e-3, 25.0);
    ASSERT_EQ("", load(c, "one 0 0 0 4 4 4 SI 16\ntwo 2 2 2 6 6 6 M4 32\n"));
    EXPECT_EQ(3 * 27 + 1, c.coef_id[2][2][2]);   // corner of the later block, layer M4
    EXPECT_EQ(4.0, c.power[2][2][2]);
    EXPECT_EQ(0 * 27 + 14, c.coef_id[1][1][1]);
}

// A one-node-thick block: every node has z class 0, so its inside nodes get code 13 and half the
// power; a single-node block gets code 1 and an eighth.
TEST(ReadGeometry, ThinAndSingleNodeBlocks)
{
    TSdg s(6, 6, 6, 1e-3, 25.0);
    ASSERT_EQ("", load(s, "slab 0 0 3 4 4 3 SI 8\ndot 6 6 6 6 6 6 POLY 8\n"));
    EXPECT_EQ(13, s.coef_id[2][2][3]);
    EXPECT_EQ(4.0, s.power[2][2][3]);
    EXPECT_EQ(27 + 1, s.coef_id[6][6][6]);
    EXPECT_EQ(1.0, s.power[6][6][6]);
}

// Layer names match without regard to case and the first match wins ("Al" of the built-in table
// is index 5, never 6).
TEST(ReadGeometry, LayerLookup)
{
    TSdg s(4, 4, 4, 1e-3, 25.0);
    ASSERT_EQ("", load(s, "a 0 0 0 0 0 0 si 1\nb 1 1 1 1 1 1 AL 1\n"));
    EXPECT_EQ(1, s.coef_id[0][0][0]);
    EXPECT_EQ(5 * 27 + 1, s.coef_id[1][1][1]);
}

// Comments, empty lines, records over several lines, trailing blanks before the end.
TEST(ReadGeometry, CommentsAndLayout)
{
    TSdg s(4, 4, 4, 1e-3, 25.0);
    ASSERT_EQ("", load(s, "* only comments\n\n*\n"));
    for (int i = 0; i <= 4; i++)
        EXPECT_EQ(0, s.coef_id[i][i][i]);
    ASSERT_EQ("", load(s, "* header\nb 0 0 0\n 2 2 2\n POLY\n 2.5\n\n* tail\n   \n  "));
    EXPECT_EQ(27 + 14, s.coef_id[1][1][1]);
    EXPECT_EQ(2.5, s.power[1][1][1]);
}

// Only 200 characters of a comment are skipped: the rest of a longer line is read as a record.
TEST(ReadGeometry, LongCommentSpillsIntoARecord)
{
    TSdg s(4, 4, 4, 1e-3, 25.0);
    std::string line = "*" + std::string(199, '-') + "b 1 1 1 2 2 2 SI 4\n";
    ASSERT_EQ("", load(s, line));
    EXPECT_EQ(1, s.coef_id[1][1][1]);
    std::string longer = "*" + std::string(250, '-') + "\n";
    EXPECT_NE("", load(s, longer));
}

// Trailing blanks after a record make the next line, even a comment, read as a record: refused.
TEST(ReadGeometry, TrailingBlanksBeforeACommentLine)
{
    TSdg s(4, 4, 4, 1e-3, 25.0);
    EXPECT_EQ("chip.in:2: block record '*' cannot be read: expected the x index of the first corner",
              load(s, "b 0 0 0 1 1 1 SI 1   \n* note\n"));
}

// Records that cannot be read whole, corners outside the grid and unknown layers are refused,
// and nothing of the file is applied.
TEST(ReadGeometry, BadRecordsAreRefused)
{
    TSdg s(4, 4, 4, 1e-3, 25.0);
    EXPECT_EQ("chip.in:2: block record 'b' cannot be read: expected a finite power density "
              "before the end of the file",
              load(s, "a 0 0 0 1 1 1 SI 1\nb 0 0 0 1 1 1 SI"));
    EXPECT_EQ(0, s.coef_id[0][0][0]);
    EXPECT_EQ("chip.in:1: block record 'a' cannot be read: expected the z index of the first "
              "corner",
              load(s, "a 0 0 x 1 1 1 SI 1\n"));
    EXPECT_EQ("chip.in:3: block 'c': y index 5 of the second corner lies outside the grid (0..4)",
              load(s, "a 0 0 0 1 1 1 SI 1\n\nc 0 0 0 1 5 1 SI 1\n"));
    EXPECT_EQ("chip.in:1: block 'd': x index -1 of the first corner lies outside the grid (0..4)",
              load(s, "d -1 0 0 1 1 1 SI 1\n"));
    EXPECT_EQ(0, s.coef_id[0][0][0]);
}

// Every unknown layer name is printed as the run always printed it, then the file is refused.
TEST(ReadGeometry, UnknownLayersArePrintedThenRefused)
{
    TSdg s(4, 4, 4, 1e-3, 25.0);
    std::istringstream in("a 0 0 0 1 1 1 GOLD 1\nb 0 0 0 1 1 1 SI 1\nc 0 0 0 1 1 1 TIN 1\n");
    std::string error;
    CoutCapture out;
    EXPECT_FALSE(s.read_geometry(in, "chip.in", error));
    EXPECT_EQ("Layer GOLD is not defined\nLayer TIN is not defined\n", out.str());
    EXPECT_EQ("chip.in:1: block 'a' names layer 'GOLD', which is not in the layer table (and 1 "
              "more unknown layer names)",
              error);
}

// Rectangles in memory: power spread by covered area over the slab k = 1, 2 shifted by one node,
// layer 8 codes, overlapping rectangles adding; averages written by rectangle number.
TEST(ReadGeometryZelkor, RectanglesAndAverages)
{
    TSdg s(4, 4, 3, 1e-3, 25.0);
    int r0[4] = {10, 10, 20, 20}, r1[4] = {10, 10, 14, 14};
    int* rects[2] = {r0, r1};
    double p[2] = {4.0, 2.0};
    CoutCapture out;
    s.read_geometry_Zelkor(rects, 2, 1e-6, 3, 0, 0, 0, 0, p);
    EXPECT_EQ("test\n", out.str());
    EXPECT_EQ(10 * 1e-6, s.dx);
    EXPECT_EQ(2 * 3 * 1e-6, s.dz);
    // Cell (1, 1) is covered 5 x 5 by the first rectangle and 4 x 4 by the second.
    double first = 4.0 * 5.0 * 5.0 / (s.dz * 100.0);
    double second = 2.0 * 4.0 * 4.0 / (s.dz * 100.0);
    EXPECT_EQ(first, s.power[3][3][1]);
    EXPECT_EQ(s.power[3][3][1], s.power[3][3][2]);
    EXPECT_EQ(first + second, s.power[2][2][1]);
    EXPECT_EQ(8 * 27 + 1, s.coef_id[2][2][1]);
    EXPECT_EQ(8 * 27 + 27, s.coef_id[3][3][2]);
    EXPECT_EQ(0.0, s.power[1][1][1]);

    for (int i = 0; i <= 4; i++)
        for (int j = 0; j <= 4; j++)
            for (int k = 0; k <= 3; k++)
                s.T[i][j][k] = 10 * i + j;
    int a0[4] = {0, 0, 10, 0}, a1[4] = {10, 10, 10, 10}, b0[4] = {0, 10, 0, 10},
        b1[4] = {20, 20, 20, 20};
    int* avg_rects[4] = {a0, a1, b0, b1};
    double A[1][2], B[2][1];
    double* pa[1] = {A[0]};
    double* pb[2] = {B[0], B[1]};
    s.get_temperature(avg_rects, 2, 2, pa, pb);
    EXPECT_EQ((11 + 21) / 2.0, A[0][0]);   // cells (0, 0) and (1, 0), shifted to nodes 1, 2
    EXPECT_EQ(22.0, A[0][1]);
    EXPECT_EQ(12.0, B[0][0]);
    EXPECT_EQ(33.0, B[1][0]);
}
