// tests/test_show.cpp: the field displays of TS3D (show_1D, show_2D_Matrix, show_2D, show_3D)
#include "model/TS3D.h"
#include "tests/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace
{

// s right-aligned in a 13-character column.
std::string col(const std::string& s)
{
    return std::string(s.size() < 13 ? 13 - s.size() : 0, ' ') + s;
}

}  // namespace

// last = 0 gives the title line and a single value line.
TEST(Show1D, LastZeroPrintsOneValue)
{
    TS3D model(1, 1, 1, 1.0, 300.0);
    double v[] = {2.5};
    CoutCapture out;
    model.show_1D(v, "T", 0);
    EXPECT_EQ("T:  \n" + col("2.5") + "\n", out.str());
}

// One value per line in index order, in the default notation: 6 significant digits, scientific
// below 1e-4 and from 1e6 on, trailing zeros dropped.
TEST(Show1D, DefaultNotationOnePerLine)
{
    TS3D model(1, 1, 1, 1.0, 300.0);
    double v[] = {83.0, -0.5, 1e-5, 0.0001, 123456.7, 1234567.0, 1.0 / 3.0};
    CoutCapture out;
    model.show_1D(v, "Vector", 6);
    EXPECT_EQ("Vector:  \n" + col("83") + "\n" + col("-0.5") + "\n" + col("1e-05") + "\n" +
                  col("0.0001") + "\n" + col("123457") + "\n" + col("1.23457e+06") + "\n" +
                  col("0.333333") + "\n",
              out.str());
}

// A 2 x 3 matrix: row 0 first, columns left to right, no separator beyond the padding.
TEST(Show2DMatrix, RowsTopDownColumnsAcross)
{
    TS3D model(1, 1, 1, 1.0, 300.0);
    double r0[] = {1, 2, 3};
    double r1[] = {4, 5, 6};
    double* m[] = {r0, r1};
    CoutCapture out;
    model.show_2D_Matrix(m, "A", 1, 2);
    EXPECT_EQ("A:  \n" + col("1") + col("2") + col("3") + "\n" + col("4") + col("5") + col("6") +
                  "\n",
              out.str());
}

// A 13-character value fills its column and touches its neighbour; a wider one (the caller
// raised the precision) is written in full and pushes the rest of the line right.
TEST(Show2DMatrix, WideValuesAreNotCut)
{
    TS3D model(1, 1, 1, 1.0, 300.0);
    double r0[] = {-1.23456789e-100, 7};
    double* m[] = {r0};
    {
        CoutCapture out;
        model.show_2D_Matrix(m, "W", 0, 1);
        EXPECT_EQ("W:  \n-1.23457e-100" + col("7") + "\n", out.str());
    }
    r0[0] = 0.1;
    const std::streamsize precision = std::cout.precision(17);
    CoutCapture out;
    model.show_2D_Matrix(m, "W", 0, 1);
    std::cout.precision(precision);
    EXPECT_EQ("W:  \n0.10000000000000001" + col("7") + "\n", out.str());
}

// f[x][y] with 3 x values and 2 y values: y = 1 on the first line, x growing along each line.
TEST(Show2D, HighestYFirst)
{
    TS3D model(1, 1, 1, 1.0, 300.0);
    double x0[] = {0, 10};   // value 10*y + x
    double x1[] = {1, 11};
    double x2[] = {2, 12};
    double* f[] = {x0, x1, x2};
    CoutCapture out;
    model.show_2D(f, "Plane", 2, 1);
    EXPECT_EQ("Plane:  \n" + col("10") + col("11") + col("12") + "\n" + col("0") + col("1") +
                  col("2") + "\n",
              out.str());
}

// A 2 x 2 x 2 field: z = 1 block then z = 0 block, y = 1 first in each, an empty line after
// each block: 7 lines in all.
TEST(Show3D, TwoByTwoByTwoIsSevenLines)
{
    TS3D model(1, 1, 1, 1.0, 300.0);
    double v[2][2][2];   // value 100*z + 10*y + x
    double* row[2][2];
    double** plane[2];
    for (int i = 0; i < 2; ++i)
    {
        for (int j = 0; j < 2; ++j)
        {
            for (int k = 0; k < 2; ++k)
            {
                v[i][j][k] = 100 * k + 10 * j + i;
            }
            row[i][j] = v[i][j];
        }
        plane[i] = row[i];
    }
    CoutCapture out;
    model.show_3D(plane, "Temperature", 1, 1, 1);
    const std::string text = out.str();
    EXPECT_EQ("Temperature:  \n" + col("110") + col("111") + "\n" + col("100") + col("101") +
                  "\n\n" + col("10") + col("11") + "\n" + col("0") + col("1") + "\n\n",
              text);
    EXPECT_EQ(7, std::count(text.begin(), text.end(), '\n'));
}
