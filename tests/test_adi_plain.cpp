// tests/test_adi_plain.cpp: the ADI run with faces held at 83.0: faces, invariants, its outputs
#include "adi/TSdg.h"
#include "scratch.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{

std::string run(TSdg& s, int* status = nullptr)
{
    CoutCapture out;
    int st = s.Dauglas_Gunn();
    if (status)
        *status = st;
    return out.str();
}

bool on_face(const TSdg& s, int i, int j, int k)
{
    return i == 0 || i == s.nx || j == 0 || j == s.ny || k == 0 || k == s.nz;
}

} // namespace

// With power and several layers the faces stay exactly 83.0 in T, T1, T2 and T3, and the inside
// moves away from T_amb.
TEST(PlainRun, FacesStayFixed)
{
    ScratchDir dir;
    write_file("chip.in", "hot 1 1 1 3 4 3 POLY 1e15\nmid 2 2 2 2 2 2 Cu_Bulk 0\n");
    TSdg s(4, 5, 4, 1e-9, 35.0);
    s.n_steps = 4;
    s.read_geometry("chip.in");
    int status = -1;
    run(s, &status);
    EXPECT_EQ(0, status);
    for (int i = 0; i <= 4; i++)
        for (int j = 0; j <= 5; j++)
            for (int k = 0; k <= 4; k++)
                if (on_face(s, i, j, k))
                {
                    EXPECT_EQ(83.0, s.T[i][j][k]);
                    EXPECT_EQ(83.0, s.T1[i][j][k]);
                    EXPECT_EQ(83.0, s.T2[i][j][k]);
                    EXPECT_EQ(83.0, s.T3[i][j][k]);
                }
    EXPECT_GT(s.T[2][2][2], 35.0);
}

// With no power and T_amb = 83.0 the whole field stays at 83.0.
TEST(PlainRun, UniformFieldStaysUniform)
{
    ScratchDir dir;
    TSdg s(3, 4, 5, 1e-9, 83.0);
    s.n_steps = 3;
    run(s);
    for (int i = 0; i <= 3; i++)
        for (int j = 0; j <= 4; j++)
            for (int k = 0; k <= 5; k++)
                EXPECT_NEAR(83.0, s.T[i][j][k], 1e-12);
}

// A grid whose every node lies on a face keeps its set-up field.
TEST(PlainRun, AllFaceGridKeepsItsField)
{
    ScratchDir dir;
    TSdg s(1, 3, 3, 1e-9, 20.0);
    s.n_steps = 2;
    run(s);
    for (int i = 0; i <= 1; i++)
        for (int j = 0; j <= 3; j++)
            for (int k = 0; k <= 3; k++)
                EXPECT_EQ(83.0, s.T[i][j][k]);
}

// Console: one "Inside the build coef " per layer before the first "Iteration: ", the field after
// each step; the file: mesh line, run time, probe position, one bare value per step.
TEST(PlainRun, ConsoleAndResultFile)
{
    ScratchDir dir;
    TSdg s(2, 2, 2, 1e-9, 35.0);
    s.n_steps = 2;
    s.probe_x = s.probe_y = s.probe_z = 1;
    std::string out = run(s);
    std::string coef;
    for (int l = 0; l < 10; l++)
        coef += "Inside the build coef \n";
    EXPECT_EQ(0u, out.find(coef + "Iteration: 0\nTemperature:  \n"));
    EXPECT_NE(std::string::npos, out.find("Iteration: 1\n"));
    EXPECT_NE(std::string::npos, out.find("The mesh size is:  3X3X3\n\n\nRun time of Douglas_Gunn"));
    std::string file = read_file("Douglas_Gunn.txt");
    EXPECT_EQ(0u, file.find("The mesh size is:  3X3X3\n\n\nRun time of Douglas_Gunn is...  "));
    size_t pos = file.find("The temperature at position (1, 1, 1):\n");
    ASSERT_NE(std::string::npos, pos);
    std::istringstream rest(file.substr(pos + 39));
    double v1, v2;
    ASSERT_TRUE(rest >> v1 >> v2);
    EXPECT_GT(v1, 35.0);
    EXPECT_GT(v2, v1);
    EXPECT_FALSE(rest >> v1);
}

// A probe outside the grid is refused before anything is written.
TEST(PlainRun, ProbeOutsideIsRefused)
{
    ScratchDir dir;
    TSdg s(2, 2, 2, 1e-9, 35.0);
    s.probe_y = 3;
    int status = 0;
    run(s, &status);
    EXPECT_EQ(1, status);
    EXPECT_FALSE(file_exists("Douglas_Gunn.txt"));
}

// A result file that cannot be created is reported, with status 1, after the rest of the output.
TEST(PlainRun, UnwritableResultFile)
{
    ScratchDir dir;
    ASSERT_EQ(0, mkdir("Douglas_Gunn.txt", 0755));
    TSdg s(2, 2, 2, 1e-9, 35.0);
    s.n_steps = 1;
    int status = 0;
    std::string out = run(s, &status);
    EXPECT_EQ(1, status);
    EXPECT_NE(std::string::npos, out.find("Run time of Douglas_Gunn"));
}
