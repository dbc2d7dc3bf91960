// tests/test_datafile.cpp: the data file: item order and meaning, rejections, the built-in model
#include "model/TS3D.h"
#include "model/datafile.h"
#include "scratch.h"

#include <gtest/gtest.h>

namespace
{

bool parse(const std::string& text, DataFile& d, std::string& error)
{
    std::istringstream in(text);
    return parse_data_file(in, "chip.dat", d, error);
}

// The error message of a text that must be refused.
std::string rejection(const std::string& text)
{
    DataFile d;
    std::string error;
    EXPECT_FALSE(parse(text, d, error)) << text;
    return error;
}

} // namespace

// Line breaks carry no meaning, and integers and reals read as stream extraction reads them.
TEST(DataFile, ItemsSpreadOverLinesReadTheSame)
{
    DataText t;
    t.grid = "+4\n004 4";
    t.spacing = ".1e-3 1.e-4\n\n  1e-4";
    t.cuts = "2 z2 top.txt\nX 0 side.txt";
    DataFile a, b;
    std::string error;
    ASSERT_TRUE(parse(t.text(), a, error)) << error;
    std::string one_line = t.text();
    for (char& c : one_line)
        if (c == '\n')
            c = ' ';
    ASSERT_TRUE(parse(one_line, b, error)) << error;
    EXPECT_EQ(4, a.nx);
    EXPECT_EQ(4, a.ny);
    EXPECT_EQ(1e-4, a.dx);
    ASSERT_EQ(2u, a.cuts.size());
    EXPECT_EQ('z', a.cuts[0].axis);
    EXPECT_EQ(2, a.cuts[0].index);
    EXPECT_EQ("top.txt", a.cuts[0].file);
    EXPECT_EQ('X', a.cuts[1].axis);
    EXPECT_EQ(b.cuts[1].file, a.cuts[1].file);
    EXPECT_EQ(b.dz, a.dz);
    EXPECT_EQ(b.h[5], a.h[5]);
}

// The base material is matched without regard to case, and the last record bearing its name wins.
TEST(DataFile, BaseMaterialIsTheLastMatchIgnoringCase)
{
    DataText t;
    t.layers = "Si 1 2 3\nPOLY 30 2330 700\nsI 4 5 6\nA 1 1 1\nB 1 1 1\nC 1 1 1\nD 1 1 1\n"
               "E 1 1 1\nF 1 1 1\nG 1 1 1\n";
    t.base = "SI";
    ScratchDir dir;
    write_file("chip.dat", t.text());
    TS3D m("chip.dat");
    EXPECT_EQ(4.0, m.k);
    EXPECT_EQ(5.0, m.rho);
    EXPECT_EQ(6.0, m.cp);
    EXPECT_STREQ("sI", m.layers[2].name);
    EXPECT_EQ(2, m.layers[2].index);
    EXPECT_EQ(2, m.layers[2].tag);
}

// Every member of the model comes from its item; h keeps the file's order (max face first).
TEST(DataFile, ConstructorFillsTheModel)
{
    DataText t;
    t.grid = "3 4 5";
    t.spacing = "1e-4 2e-4 4e-4";
    t.cuts = "1 y 3 plane.txt";
    t.probe = "1 2 3";
    ScratchDir dir;
    write_file("chip.dat", t.text());
    TS3D m("chip.dat");
    EXPECT_EQ(5, m.n_steps);
    EXPECT_EQ(4 * 5 * 6, m.n_nodes);
    EXPECT_EQ(10, m.n_layers);
    EXPECT_EQ(1e-3, m.dt);
    EXPECT_EQ(25.0, m.T_amb);
    for (int f = 0; f < 6; f++)
        EXPECT_EQ(100.0 * (f + 1), m.h[f]);
    EXPECT_EQ(3, m.probe_z);
    ASSERT_EQ(1, m.n_cuts);
    EXPECT_EQ('y', m.cut_axis[0]);
    EXPECT_EQ(3, m.cut_index[0]);
    EXPECT_STREQ("plane.txt", m.cut_file[0]);
    // y and z conduct (dx/dy)^2 and (dx/dz)^2 times an x link.
    EXPECT_EQ(0.25, m.ry);
    EXPECT_EQ(0.0625, m.rz);
}

// Names of any length are kept whole; no cut planes means empty lists.
TEST(DataFile, LongNamesAndNoCutPlanes)
{
    DataText t;
    std::string longname(300, 'q');
    t.layers = longname + " 1 1 1\n" + t.layers.substr(t.layers.find('\n') + 1);
    t.base = longname;
    ScratchDir dir;
    write_file("chip.dat", t.text());
    TS3D m("chip.dat");
    EXPECT_EQ(longname, m.layers[0].name);
    EXPECT_EQ(0, m.n_cuts);
}

// Each bad item is refused with the file, the line and the item named.
TEST(DataFile, BadItemsAreRefusedWithFileLineAndItem)
{
    DataText t;
    t.dt = "abc";
    EXPECT_EQ("chip.dat:4: item 8 (time step): expected a number", rejection(t.text()));
    t = DataText();
    t.grid = "4 0 4";
    EXPECT_EQ("chip.dat:2: item 3 (intervals along y): must be at least 1", rejection(t.text()));

    // {field to change, its text, part of the message}
    struct Case
    {
        std::string DataText::*field;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {&DataText::steps, "-1", "must not be negative"},
        {&DataText::spacing, "1e-4 0 1e-4", "spacing along y): must be positive"},
        {&DataText::h, "100 200 -1 400 500 600", "y-max face): must not be negative"},
        {&DataText::h, "100 200 1e999 400 500 600", "expected a number"},
        {&DataText::base, "GOLD", "'GOLD' is not the name of a layer"},
        {&DataText::probe, "2 5 2", "probe index along y): must lie in 0..4"},
        {&DataText::cuts, "1 z 9 top.txt", "must lie in 0..4 along z"},
        {&DataText::grid, "2000 2000 2000", "nodes, more than"},
        {&DataText::grid, "2147483646 2147483646 2147483646", "nodes, more than"},
    };
    for (const Case& c : cases)
    {
        t = DataText();
        t.*c.field = c.text;
        EXPECT_NE(std::string::npos, rejection(t.text()).find(c.why)) << c.text;
    }
    t = DataText();
    t.layers.replace(t.layers.find("2329.0"), 6, "0");
    EXPECT_NE(std::string::npos, rejection(t.text()).find("density of layer SI): must be positive"));
    t = DataText();
    t.layers.replace(t.layers.find("131.0"), 5, "0");
    EXPECT_NE(std::string::npos, rejection(t.text()).find("must have a positive conductivity"));
}

// A file that ends early names the missing item; a layer k of 0 is allowed.
TEST(DataFile, TruncatedFileAndZeroLayerConductivity)
{
    DataText t;
    std::string text = t.text();
    std::string cut = text.substr(0, text.find("SI"));
    EXPECT_EQ("chip.dat:7: item 16 (name of layer 0): the file ends here", rejection(cut));

    t.cuts = "2 z 1 a.txt";
    EXPECT_NE(std::string::npos, rejection(t.text()).find("item 64 (axis of cut plane 2)"));

    t = DataText();
    t.layers.replace(t.layers.find("1.4"), 3, "0");
    DataFile d;
    std::string error;
    EXPECT_TRUE(parse(t.text(), d, error)) << error;
    EXPECT_EQ(0.0, d.layers[3].k);
}

// A cut plane on another axis is accepted (the run reports it) whatever its index.
TEST(DataFile, UnknownCutAxisIsKept)
{
    DataText t;
    t.cuts = "1 q 99 odd.txt";
    DataFile d;
    std::string error;
    ASSERT_TRUE(parse(t.text(), d, error)) << error;
    EXPECT_EQ('q', d.cuts[0].axis);
}

// The built-in model: n_nodes, base silicon, h, equal spacings, no steps or cut planes, the two
// "Al" records, and a zero boundary table.
TEST(BuiltInModel, TableAndDefaults)
{
    TS3D m(3, 4, 5, 1e-3, 35.0);
    EXPECT_EQ(4 * 5 * 6, m.n_nodes);
    EXPECT_EQ(1.0, m.ry);
    EXPECT_EQ(1.0, m.rz);
    EXPECT_EQ(131.0, m.k);
    EXPECT_EQ(30000.0, m.h[3]);
    EXPECT_EQ(0, m.n_steps);
    EXPECT_EQ(0, m.n_cuts);
    EXPECT_STREQ("Al", m.layers[5].name);
    EXPECT_STREQ("Al", m.layers[6].name);
    EXPECT_EQ(23.6, m.layers[5].k);
    EXPECT_EQ(6, m.layers[6].index);
    for (int t = 0; t < 27; t++)
        for (int c = 0; c < 11; c++)
            EXPECT_EQ(0.0, m.bc_coef[t][c]);
}
