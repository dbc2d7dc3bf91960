// tests/test_cn_geometry.cpp: TScn's reader of "TSinput.txt": layers, position codes, refusals
#include "cn/TScn.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <sstream>

// The console text of the stream reader on text, then "!" and its rejection when it refuses.
static std::string read_text(TScn& s, const std::string& text)
{
    std::istringstream in(text);
    CoutCapture cap;
    std::string error;
    return s.read_geometry(in, "TSinput.txt", error) ? cap.str() : cap.str() + "!" + error;
}

// Comments anywhere skipped; unknown layer keeps the previous one; codes, shares and overlaps.
TEST(TScnReader, LayersPositionCodesSharesAndOverlap)
{
    TScn s(6, 6, 6, 1e-9, 35.0);
    s.legacy_rows = true; // position codes of the older assignment
    EXPECT_EQ("Layer Name= Gold\nLayer Gold is not defined\nLayer Name= poly\n"
              "Layer Name= Silver\nLayer Silver is not defined\nLayer Name= al\n"
              "Layer Name= M4\nLayer Name= M3\nLayer Name= POLY\n",
              read_text(s, "* die\na 0 6 0 0 6 0 Gold 1\n* between\n\n  * indented\n"
                           "b 2 6 0\n 2 6 0 poly 1\nc 4 6 0 4 6 0 Silver 1\nd 6 6 0 6 6 0 al 1\n"
                           "box 3 5 2 1 2 4 M4 64.0\nbar 5 0 6 6 0 6 M3 8.0\n"
                           "dot 3 5 4 3 5 4 POLY 16.0\n  * last line without a newline"));
    const struct
    {
        int n, id;
        double power;
    } nodes[] = {
        {cn_node(6, 6, 0, 6, 0), 16, 0.125}, // face nodes keep their boundary type; P/8
        {cn_node(6, 6, 4, 6, 0), 7, 0.125},
        {cn_node(6, 6, 6, 6, 0), 25, 0.125},
        {cn_node(6, 6, 2, 3, 3), 3 * 27 + 14, 64.0}, // inside the box; corners in any order
        {cn_node(6, 6, 3, 2, 3), 3 * 27 + 20, 16.0}, // edge x-max, y-min
        {cn_node(6, 6, 3, 5, 4), 1 * 27 + 1, 2.0},   // overwritten by the single node: code 1, P/8
        {cn_node(6, 6, 6, 0, 6), 23, 1.0}};          // two nodes along x, one thick in y and z
    for (const auto& c : nodes)
        EXPECT_EQ((std::pair<int, double>(c.id, c.power)),
                  (std::pair<int, double>(s.coef_id[c.n], s.power[c.n])))
            << "node " << c.n;
}

// A record cut short, a corner outside the grid: refused with its line; nothing printed, applied.
TEST(TScnReader, BadRecordsAreRefusedWithTheirLine)
{
    const char* cases[][2] = {{"a 1 1 1 1 1 1 M5 1\n* note\nb 1 1 1 2 2 M5 1\n", "!TSinput.txt:3:"},
                              {"a 1 1 1 1 1 1 M5 1\n\nb 0 0 0 3 5 3 M5 1\n", "!TSinput.txt:3:"},
                              {"a -1 0 0 1 1 1 M5 1\n", "!TSinput.txt:1:"}};
    for (auto& c : cases)
    {
        TScn s(4, 4, 4, 1e-9, 35.0);
        const std::string got = read_text(s, c[0]);
        EXPECT_EQ(0u, got.find(c[1])) << got;
        EXPECT_EQ(0, s.coef_id[cn_node(4, 4, 1, 1, 1)]) << c[0];
    }
}
