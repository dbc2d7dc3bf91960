// tests/test_cn_geometry.cpp: TScn's reader of "TSinput.txt" (comments, echo lines, the
// previous-layer rule, position codes, refused records, a missing file)
#include "cn/TScn.h"
#include "scratch.h"
#include "test_util.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace
{

// Reads text with the stream reader; returns its result, the console text in *out.
bool read_text(TScn& s, const std::string& text, std::string* out, std::string* error)
{
    std::istringstream in(text);
    CoutCapture cap;
    bool ok = s.read_geometry(in, "TSinput.txt", *error);
    *out = cap.str();
    return ok;
}

// A node's coef_id and power share.
struct NodeCase
{
    int i, j, k, id;
    double power;
};

} // namespace

// A comment line after a record, indented or not, is skipped: no later block is lost; comments
// alone give no blocks, and white space after the last record is not a record.
TEST(TScnReader, CommentLinesAnywhereAreSkipped)
{
    TScn s(4, 4, 4, 1e-9, 35.0);
    std::string out, error;
    ASSERT_TRUE(read_text(s,
                          "* die\n"
                          "a 1 1 1 1 1 1 M5 8.0\n"
                          "* between records\n"
                          "\n"
                          "   * indented, after an empty line\n"
                          "b 3 3 3\n 3 3 3 Cu_Bulk\t16.0   \n"
                          "  * last line without a newline",
                          &out, &error))
        << error;
    EXPECT_EQ("Layer Name= M5\nLayer Name= Cu_Bulk\n", out);
    EXPECT_EQ(27 * 2 + 1, s.coef_id[cn_node(4, 4, 1, 1, 1)]);
    EXPECT_EQ(1.0, s.power[cn_node(4, 4, 1, 1, 1)]);
    EXPECT_EQ(27 * 7 + 1, s.coef_id[cn_node(4, 4, 3, 3, 3)]);
    EXPECT_EQ(2.0, s.power[cn_node(4, 4, 3, 3, 3)]);

    const char* const quiet[][2] = {{"* one\n  * two\n\n*three", ""},
                                    {"a 1 1 1 1 1 1 SI 1  \n \t\n\n   ", "Layer Name= SI\n"}};
    for (auto& c : quiet)
    {
        TScn t(2, 2, 2, 1e-9, 35.0);
        EXPECT_TRUE(read_text(t, c[0], &out, &error)) << error;
        EXPECT_EQ(c[1], out);
    }
}

// An unknown first layer takes index 0; a later unknown one keeps the previous block's layer.
TEST(TScnReader, UnknownLayerKeepsPreviousIndex)
{
    TScn s(6, 1, 1, 1e-9, 35.0);
    std::string out, error;
    ASSERT_TRUE(read_text(s,
                          "a 0 0 0 0 0 0 Gold 1\n"
                          "b 2 0 0 2 0 0 poly 1\n"
                          "c 4 0 0 4 0 0 Silver 1\n"
                          "d 6 0 0 6 0 0 al 1\n",
                          &out, &error));
    EXPECT_EQ("Layer Name= Gold\nLayer Gold is not defined\n"
              "Layer Name= poly\n"
              "Layer Name= Silver\nLayer Silver is not defined\n"
              "Layer Name= al\n",
              out);
    const int layer[4] = {0, 1, 1, 5}; // "al": the first "Al" of the table
    for (int b = 0; b < 4; b++)
        EXPECT_EQ(layer[b] * 27 + 1, s.coef_id[cn_node(6, 1, 2 * b, 0, 0)]) << "block " << b;
}

// Corners in either order cover the same nodes; codes and shares by corner, edge, face, inside;
// a later block overwrites an overlap node by node; a one-node-thick axis counts as class 0.
TEST(TScnReader, PositionCodesSharesAndOverlap)
{
    TScn s(6, 6, 6, 1e-9, 35.0);
    std::string out, error;
    ASSERT_TRUE(read_text(s,
                          "box 3 5 2 1 2 4 M4 64.0\n"
                          "bar 5 0 6 6 0 6 M3 8.0\n"
                          "dot 3 5 4 3 5 4 POLY 16.0\n",
                          &out, &error));
    const NodeCase nodes[] = {
        {1, 2, 2, 3 * 27 + 1, 8.0},   // corner at the smallest indices
        {2, 3, 3, 3 * 27 + 14, 64.0}, // inside
        {2, 2, 3, 3 * 27 + 11, 32.0}, // y-min face
        {3, 2, 3, 3 * 27 + 20, 16.0}, // edge x-max, y-min
        {0, 2, 2, 0, 0.0},            // outside the box
        {3, 5, 4, 1 * 27 + 1, 2.0},   // overwritten by the single node: code 1, P/8
        {5, 0, 6, 4 * 27 + 1, 1.0},   // two nodes along x, one thick in y and z
        {6, 0, 6, 4 * 27 + 19, 1.0},
    };
    for (const NodeCase& c : nodes)
    {
        const int n = cn_node(6, 6, c.i, c.j, c.k);
        EXPECT_EQ(c.id, s.coef_id[n]) << c.i << " " << c.j << " " << c.k;
        EXPECT_EQ(c.power, s.power[n]) << c.i << " " << c.j << " " << c.k;
    }
}

// A record cut short, a corner outside the grid: refused with the line, nothing printed or applied.
TEST(TScnReader, BadRecordsAreRefusedWithTheirLine)
{
    const char* cases[][2] = {
        {"a 1 1 1 1 1 1 M5 1\n* note\nb 1 1 1 2 2 M5 1\n", "TSinput.txt:3:"},
        {"a 1 1 1 1 1 1 M5 1\nb 1 1 1 2 2 two M5 1\n", "TSinput.txt:2:"},
        {"a 1 1 1 1 1 1 M5 1\n\nb 0 0 0 3 5 3 M5 1\n", "TSinput.txt:3:"},
        {"a -1 0 0 1 1 1 M5 1\n", "TSinput.txt:1:"},
    };
    for (auto& c : cases)
    {
        TScn s(4, 4, 4, 1e-9, 35.0);
        std::string out, error;
        EXPECT_FALSE(read_text(s, c[0], &out, &error)) << c[0];
        EXPECT_EQ(0u, error.find(c[1])) << error;
        EXPECT_EQ("", out);
        EXPECT_EQ(0, s.coef_id[cn_node(4, 4, 1, 1, 1)]);
    }
}

// The file reader says a missing file in one line and reads no blocks, and ends the program
// through fatal with the message on a rejected record.
TEST(TScnReaderDeathTest, FileReaderReportsMissingFileAndEndsOnRejectedRecord)
{
    ScratchDir dir;
    TScn s(2, 2, 2, 1e-9, 35.0);
    {
        CoutCapture cap;
        s.read_geometry();
        EXPECT_EQ("TSinput.txt cannot be opened or read: no blocks are read\n", cap.str());
    }
    EXPECT_EQ(271, s.n_coef_rows);
    EXPECT_EQ(std::vector<int>(s.n_nodes, 0), std::vector<int>(s.coef_id, s.coef_id + s.n_nodes));

    write_file("TSinput.txt", "a 1 1 1 9 1 1 SI 1\n");
    TScn t(2, 2, 2, 1e-9, 35.0);
    fflush(stdout);
    EXPECT_EXIT(
        {
            dup2(2, 1);
            t.read_geometry();
        },
        testing::ExitedWithCode(1), "TSinput.txt:1: block 'a': x index 9 .*outside the grid");
}
