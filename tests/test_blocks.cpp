// tests/test_blocks.cpp: reading blocks into coef_id and power: position codes, shares, rejections
#include "adi/TSdg.h"
#include "test_util.h"

#include <gtest/gtest.h>

// Reads text as an input file into s; returns the rejection, empty when accepted.
static std::string load(TSdg& s, const std::string& text)
{
    std::istringstream in(text);
    std::string error;
    CoutCapture quiet;
    bool ok = s.read_geometry(in, "chip.in", error);
    EXPECT_EQ(ok, error.empty());
    return error;
}

// Codes 27*layer + 9*cx + 3*cy + cz + 1 and shares 1, 1/2, 1/4, 1/8 over a 3x3x3 POLY block given
// by reversed x and z corners, read past comments, empty lines and a record over several lines; a
// later block wins where blocks overlap; face nodes keep their boundary type. Only 200 characters
// of a comment are skipped. (The older assignment, kept behind legacy_rows.)
TEST(ReadGeometry, PositionCodesSharesAndLayout)
{
    TSdg s(4, 4, 4, 1e-3, 25.0);
    s.legacy_rows = true;
    ASSERT_EQ("", load(s, "* h\n\nb 3 1 3\n 1 3 1 POLY\n 8\no 3 3 3 4 4 4 M4 8\n\n* t\n   \n  "));
    // {i, j, k, code, power}: POLY corner, centre, face, edge; outside; corner of the later block
    const double cases[][5] = {{1, 1, 1, 27 + 1, 1},  {2, 2, 2, 27 + 14, 8}, {2, 2, 1, 27 + 13, 4},
                               {3, 2, 3, 27 + 24, 2}, {0, 0, 0, 13, 0},      {3, 3, 3, 81 + 1, 1}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(c[3], s.coef_id[(int)c[0]][(int)c[1]][(int)c[2]]) << c[0] << c[1] << c[2];
        EXPECT_EQ(c[4], s.power[(int)c[0]][(int)c[1]][(int)c[2]]) << c[0] << c[1] << c[2];
    }
    ASSERT_EQ("", load(s, "*" + std::string(199, '-') + "b 1 1 1 2 2 2 SI 4\n"));
    EXPECT_EQ(1, s.coef_id[1][1][1]);
}

// Refused, with the line, and nothing of the file applied: a record that cannot be read whole
// (trailing blanks after a record make the next line, even a comment, a record), a corner outside
// the grid, unknown layers (all counted). Cases: {file text, part of the message}.
TEST(ReadGeometry, BadRecordsAreRefused)
{
    const char* cases[][2] = {
        {"b 0 0 0 1 1 1 SI 1   \n* note\n", "chip.in:2: block record '*' cannot be read"},
        {"a 0 0 0 1 1 1 SI 1\n\nc 0 0 0 1 5 1 SI 1\n", "chip.in:3: block 'c': y index 5 of the"},
        {"a 0 0 0 1 1 1 AU 1\nc 0 0 0 1 1 1 X 1", "'AU', which is not in the layer table (and 1"},
        {"a 0 0 0 1 1 1 SI 22W\nb 0 0 0 1 1 1 SI 1\n",
         "'a' cannot be read: expected a finite power density, found '22W'"},
        {"a 0 4.5 0 1 1 1 SI 2\n",
         "'a' cannot be read: expected the y index of the first corner, found '4.5'"},
    };
    TSdg s(4, 4, 4, 1e-3, 25.0);
    for (const auto& c : cases)
        EXPECT_NE(std::string::npos, load(s, c[0]).find(c[1])) << c[0];
    EXPECT_EQ(0, s.coef_id[1][1][1]);
    EXPECT_EQ(13, s.coef_id[0][0][0]);
}

// Rectangles in memory: power by covered area (cell (1, 1): 5 x 5 by the first, 4 x 4 by the
// second, adding) on the slab k = 1, 2 one node over; averages over them and two more by number.
TEST(ReadGeometryZelkor, RectanglesAndAverages)
{
    TSdg s(4, 4, 3, 1e-3, 25.0);
    int r[4][4] = {{10, 10, 20, 20}, {10, 10, 14, 14}, {0, 10, 0, 10}, {20, 20, 20, 20}};
    int* rects[4] = {r[0], r[1], r[2], r[3]};
    double p[2] = {4.0, 2.0}, A[2], B[2], *pa[1] = {A}, *pb[2] = {B, B + 1};
    CoutCapture quiet;
    s.read_geometry_Zelkor(rects, 2, 1e-6, 3, 0, 0, 0, 0, p);
    double first = 4.0 * 5.0 * 5.0 / (s.dz * 100.0), second = 2.0 * 4.0 * 4.0 / (s.dz * 100.0);
    EXPECT_EQ(first, s.power[3][3][2]);
    EXPECT_EQ(first + second, s.power[2][2][1]);
    EXPECT_EQ(8 * 27 + 1, s.coef_id[2][2][1]);
    for (int i = 0; i <= 4; i++)
        for (int j = 0; j <= 4; j++)
            for (int k = 0; k <= 3; k++)
                s.T[i][j][k] = 10 * i + j;
    s.get_temperature(rects, 2, 2, pa, pb);
    EXPECT_EQ((22 + 23 + 32 + 33) / 4.0, A[0]); // cells 1..2 on both axes: nodes 2..3
    EXPECT_EQ(22.0, A[1]);
    EXPECT_EQ(33.0, B[1]);
}
