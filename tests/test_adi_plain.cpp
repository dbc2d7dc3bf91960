// tests/test_adi_plain.cpp: the ADI run with faces held at 83.0: faces, result file, unwritable
// file
#include "adi/TSdg.h"
#include "scratch.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

// Runs the plain run of s, setting its status; returns the console output.
static std::string run(TSdg& s, int* status)
{
    CoutCapture out;
    *status = s.Dauglas_Gunn();
    return out.str();
}

// With power and several layers the faces stay exactly 83.0 in T, T1, T2 and T3. The file holds
// the mesh line and run time first, then the probe position and one rising value per step.
TEST(PlainRun, FacesStayFixedAndResultFile)
{
    ScratchDir dir;
    write_file("chip.in", "hot 1 1 1 3 4 3 POLY 1e15\nmid 2 2 2 2 2 2 Cu_Bulk 0\n");
    TSdg s(4, 5, 4, 1e-9, 35.0);
    s.n_steps = 3;
    s.probe_x = s.probe_y = s.probe_z = 2;
    s.read_geometry("chip.in");
    int status = -1;
    run(s, &status);
    EXPECT_EQ(0, status);
    for (int i = 0; i <= 4; i++)
        for (int j = 0; j <= 5; j++)
            for (int k = 0; k <= 4; k++)
                if (i % 4 == 0 || j % 5 == 0 || k % 4 == 0)
                {
                    for (double*** f : {s.T, s.T1, s.T2, s.T3})
                        EXPECT_EQ(83.0, f[i][j][k]) << i << " " << j << " " << k;
                }
    std::string file = read_file("Douglas_Gunn.txt");
    EXPECT_EQ(0u, file.find("The mesh size is:  5X6X5\n\n\nRun time of Douglas_Gunn is...  "));
    size_t pos = file.find("The temperature at position (2, 2, 2):\n");
    ASSERT_NE(std::string::npos, pos);
    std::istringstream rest(file.substr(pos + 39));
    double v1, v2, v3;
    ASSERT_TRUE(rest >> v1 >> v2 >> v3);
    EXPECT_TRUE(35.0 < v1 && v1 < v2 && v2 < v3) << v1 << " " << v2 << " " << v3;
    EXPECT_FALSE(rest >> v1);
}

// A result file that cannot be created is reported, with status 1, after the rest of the output.
TEST(PlainRun, UnwritableResultFile)
{
    ScratchDir dir;
    TSdg s(2, 2, 2, 1e-9, 35.0);
    s.n_steps = 1;
    int status = 0;
    ASSERT_EQ(0, mkdir("Douglas_Gunn.txt", 0755));
    EXPECT_NE(std::string::npos, run(s, &status).find("Run time of Douglas_Gunn"));
    EXPECT_EQ(1, status);
}
