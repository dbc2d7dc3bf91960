// tests/test_datafile.cpp: the data file: item order and meaning, rejections
#include "model/TS3D.h"
#include "model/datafile.h"
#include "scratch.h"

#include <cstring>
#include <gtest/gtest.h>

// Line breaks carry no meaning, numbers read as stream extraction reads them; the base properties
// come from the last layer matching the base name in any case; h in file order (max face first);
// ry = (dx/dy)^2, rz = (dx/dz)^2. Accepted on purpose: a layer of k = 0, any unknown cut axis.
TEST(DataFile, ModelFromFile)
{
    DataText t;
    t.grid = "+4\n004 4";
    t.spacing = ".1e-3 2.e-4\n\n  4e-4";
    t.layers = "Si 1 2 3\nPOLY 30 2330 700\nsI 4 5 6\nA 0 1 1\nB 1 1 1\nC 1 1 1\nD 1 1 1\n"
               "E 1 1 1\nF 1 1 1\nG 1 1 1\n";
    t.cuts = "2 z2 top.txt\nq 99 odd.txt";
    ScratchDir dir;
    write_file("chip.dat", t.text());
    TS3D m("chip.dat");
    EXPECT_EQ(4, m.nx);
    EXPECT_EQ(4.0, m.k);
    EXPECT_EQ(6.0, m.cp);
    EXPECT_EQ(600.0, m.h[5]);
    EXPECT_EQ(0.25, m.ry);
    EXPECT_EQ(0.0625, m.rz);
    ASSERT_EQ(2, m.n_cuts);
    EXPECT_EQ('z', m.cut_axis[0]);
    EXPECT_EQ(2, m.cut_index[0]);
    EXPECT_EQ('q', m.cut_axis[1]);
}

// Each bad item is refused with the file, the line and the item named.
TEST(DataFile, BadItemsAreRefused)
{
    // {text replaced in the default file, its replacement, part of the message}
    const char* cases[][3] = {
        {"1e-3\n", "abc\n", "chip.dat:4: item 8 (time step): expected a number"},
        {"4 4 4", "4 0 4", "chip.dat:2: item 3 (intervals along y): must be at least 1"},
        {"1e-4 1e-4 1e-4", "1e-4 0 1e-4", "spacing along y): must be positive"},
        {"1e-4 1e-4 1e-4", "1e-4 1e-200 1e-4",
         "chip.dat:3: item 6 (spacing along y): its square "
         "is beyond the range of numbers"},
        {"1e-4 1e-4 1e-4", "1e200 1e-4 1e-4", "spacing along x): its square is beyond"},
        {"1e-4 1e-4 1e-4", "1e-100 1e100 1e-4",
         "(spacing along z): the cell volume or the "
         "spacings' ratios squared are beyond"},
        {"100 200 300", "100 200 -1", "y-max face): must not be negative"},
        {"100 200 300", "100 200 1e999", "expected a number"},
        {"2329.0", "0", "density of layer SI): must be positive"},
        {"131.0", "0", "must have a positive conductivity"},
        {"\nSI\n", "\nGOLD\n", "'GOLD' is not the name of a layer"},
        {"2 2 2", "2 5 2", "probe index along y): must lie in 0..4"},
        {"2 2 2\n0", "2 2 2\n1 z 9 top.txt", "must lie in 0..4 along z"},
    };
    for (const auto& c : cases)
    {
        std::string text = DataText().text();
        std::istringstream in(text.replace(text.find(c[0]), strlen(c[0]), c[1]));
        DataFile d;
        std::string error;
        EXPECT_FALSE(parse_data_file(in, "chip.dat", d, error)) << c[1];
        EXPECT_NE(std::string::npos, error.find(c[2])) << error;
    }
    // the file reader hands a missing file back in the same way
    DataFile d;
    std::string error;
    EXPECT_FALSE(read_data_file("absent.dat", d, error));
    EXPECT_EQ("absent.dat: cannot open the data file", error);
}
