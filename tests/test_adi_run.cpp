// tests/test_adi_run.cpp: the transient ADI run with convection: its cut-plane files
#include "test_util.h"

#include <gtest/gtest.h>

// Cut planes: x and Y planes give a line per k, z planes a line per j, each value tab-terminated;
// an unknown axis leaves an empty file and prints its message; no step leaves one history line.
TEST(ConvectionRun, CutPlaneFiles)
{
    ScratchDir dir;
    DataText t;
    t.steps = "0";
    t.grid = "1 2 1";
    t.probe = "0 0 0";
    t.cuts = "4 x 1 px.txt Y 2 py.txt z 0 pz.txt q 7 pq.txt";
    write_file("chip.dat", t.text());
    TSdg s("chip.dat");
    for (int i = 0; i <= 1; i++)
        for (int j = 0; j <= 2; j++)
            for (int k = 0; k <= 1; k++)
                s.T[i][j][k] = 100 * i + 10 * j + k;
    CoutCapture out;
    s.Dauglas_Gunn_Convection();
    EXPECT_EQ("\\2X3X2\n", read_file("Calefax_transient.txt"));
    EXPECT_EQ("100\t110\t120\t\n101\t111\t121\t\n", read_file("px.txt"));
    EXPECT_EQ("20\t120\t\n21\t121\t\n", read_file("py.txt"));
    EXPECT_EQ("0\t100\t\n10\t110\t\n20\t120\t\n", read_file("pz.txt"));
    EXPECT_TRUE(file_exists("pq.txt") && read_file("pq.txt").empty());
    EXPECT_NE(std::string::npos, out.str().find("The cut plane must be x, y, or z!\n"));
}
