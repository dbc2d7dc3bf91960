// tests/test_cn_geometry.cpp: TScn's initial state and its reader of "TSinput.txt" (comments, echo
// lines, the previous-layer rule, position codes, refused records)
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

} // namespace

// Every node starts at 35.0 whatever T_amb is; the matrix is empty and coef does not exist yet.
TEST(TScn, StartsAt35WithEmptyMatrix)
{
    TScn s(3, 2, 4, 1e-9, 20.0);
    ASSERT_EQ(4 * 3 * 5, s.n_nodes);
    for (int n = 0; n < s.n_nodes; n++)
    {
        EXPECT_EQ(35.0, s.T[n]);
        EXPECT_EQ(0.0, s.power[n]);
        EXPECT_EQ(0, s.coef_id[n]);
    }
    ASSERT_NE(nullptr, s.A);
    EXPECT_EQ(s.n_nodes, s.A->n);
    EXPECT_EQ(0, s.A->nnz);
    EXPECT_EQ(nullptr, s.coef);
    EXPECT_EQ(1.0, s.ry);
    EXPECT_EQ(1.0, s.rz);
}

// A comment line after a record, indented or not, is skipped: no later block is lost.
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
}

// A file of comment lines only leaves every node bare and prints nothing; coef exists, all 0.0.
TEST(TScnReader, OnlyCommentsGiveNoBlocks)
{
    TScn s(2, 2, 2, 1e-9, 35.0);
    std::string out, error;
    ASSERT_TRUE(read_text(s, "* one\n  * two\n\n*three", &out, &error));
    EXPECT_EQ("", out);
    ASSERT_EQ(271, s.n_coef_rows);
    for (int r = 0; r < s.n_coef_rows; r++)
        for (int c = 0; c < 8; c++)
            ASSERT_EQ(0.0, s.coef[r][c]);
    for (int n = 0; n < s.n_nodes; n++)
        EXPECT_EQ(0, s.coef_id[n]);
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
    EXPECT_EQ(0 * 27 + 1, s.coef_id[cn_node(6, 1, 0, 0, 0)]);
    EXPECT_EQ(1 * 27 + 1, s.coef_id[cn_node(6, 1, 2, 0, 0)]);
    EXPECT_EQ(1 * 27 + 1, s.coef_id[cn_node(6, 1, 4, 0, 0)]);
    EXPECT_EQ(5 * 27 + 1, s.coef_id[cn_node(6, 1, 6, 0, 0)]); // the first "Al" of the table
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
    auto id = [&](int i, int j, int k) { return s.coef_id[cn_node(6, 6, i, j, k)]; };
    auto pw = [&](int i, int j, int k) { return s.power[cn_node(6, 6, i, j, k)]; };
    EXPECT_EQ(3 * 27 + 1, id(1, 2, 2)); // corner at the smallest indices
    EXPECT_EQ(8.0, pw(1, 2, 2));
    EXPECT_EQ(3 * 27 + 14, id(2, 3, 3)); // inside
    EXPECT_EQ(64.0, pw(2, 3, 3));
    EXPECT_EQ(3 * 27 + 11, id(2, 2, 3)); // y-min face
    EXPECT_EQ(32.0, pw(2, 2, 3));
    EXPECT_EQ(3 * 27 + 20, id(3, 2, 3)); // edge x-max, y-min
    EXPECT_EQ(16.0, pw(3, 2, 3));
    EXPECT_EQ(0, id(0, 2, 2));          // outside the box
    EXPECT_EQ(1 * 27 + 1, id(3, 5, 4)); // overwritten by the single node: code 1, P/8
    EXPECT_EQ(2.0, pw(3, 5, 4));
    EXPECT_EQ(4 * 27 + 1, id(5, 0, 6)); // two nodes along x, one thick in y and z
    EXPECT_EQ(4 * 27 + 19, id(6, 0, 6));
    EXPECT_EQ(1.0, pw(6, 0, 6));
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

// White space alone after the last record is not a record.
TEST(TScnReader, TrailingWhiteSpaceIsNotARecord)
{
    TScn s(2, 2, 2, 1e-9, 35.0);
    std::string out, error;
    EXPECT_TRUE(read_text(s, "a 1 1 1 1 1 1 SI 1  \n \t\n\n   ", &out, &error)) << error;
    EXPECT_EQ("Layer Name= SI\n", out);
}

// The file reader ends the program through fatal with the message on a rejected record.
TEST(TScnReaderDeathTest, RejectedFileEndsThroughFatal)
{
    ScratchDir dir;
    write_file("TSinput.txt", "a 1 1 1 9 1 1 SI 1\n");
    TScn s(2, 2, 2, 1e-9, 35.0);
    fflush(stdout);
    EXPECT_EXIT(
        {
            dup2(2, 1);
            s.read_geometry();
        },
        testing::ExitedWithCode(1), "TSinput.txt:1: block 'a': x index 9 .*outside the grid");
}

// A missing file is said in one line and gives no blocks.
TEST(TScnReader, MissingFileGivesNoBlocks)
{
    ScratchDir dir;
    TScn s(2, 2, 2, 1e-9, 35.0);
    CoutCapture cap;
    s.read_geometry();
    EXPECT_EQ("TSinput.txt cannot be opened or read: no blocks are read\n", cap.str());
    EXPECT_EQ(271, s.n_coef_rows);
    for (int n = 0; n < s.n_nodes; n++)
        EXPECT_EQ(0, s.coef_id[n]);
}
