// tests/test_show.cpp: the field displays of TS3D (show_1D, show_2D_Matrix, show_2D, show_3D)
#include "model/TS3D.h"
#include "tests/test_util.h"

#include <gtest/gtest.h>

#include <string>

// s right-aligned in a 13-character column.
static std::string col(const std::string& s)
{
    return std::string(s.size() < 13 ? 13 - s.size() : 0, ' ') + s;
}

// Line orders: a vector one value per line in 6 significant digits; matrix rows from row 0; a
// plane from the highest y; a field from the highest z, an empty line after each z block; x
// grows along each line. A 13-character value touches its neighbour.
TEST(Show, LineOrdersAndWideValues)
{
    TS3D model(1, 1, 1, 1.0, 300.0);
    double a0[] = {0, 10}, a1[] = {1, 11}; // a[x][y] = 10*y + x
    double* a[] = {a0, a1};
    double f00[] = {0, 100}, f01[] = {10, 110}, f10[] = {1, 101}, f11[] = {11, 111};
    double* f0[] = {f00, f01};
    double* f1[] = {f10, f11};
    double** f[] = {f0, f1}; // f[x][y][z] = 100*z + 10*y + x
    double v[] = {1e-5, 1.0 / 3.0}, w[] = {-1.23456789e-100, 7};
    double* wide[] = {w};
    CoutCapture out;
    model.show_1D(v, "V", 1);
    model.show_2D_Matrix(a, "M", 1, 1);
    model.show_2D(a, "P", 1, 1);
    model.show_3D(f, "F", 1, 1, 1);
    model.show_2D_Matrix(wide, "W", 0, 1);
    const std::string l0 = col("0") + col("1") + "\n", l1 = col("10") + col("11") + "\n";
    EXPECT_EQ("V:  \n" + col("1e-05") + "\n" + col("0.333333") + "\nM:  \n" + col("0") + col("10") +
                  "\n" + col("1") + col("11") + "\nP:  \n" + l1 + l0 + "F:  \n" + col("110") +
                  col("111") + "\n" + col("100") + col("101") + "\n\n" + l1 + l0 +
                  "\nW:  \n-1.23457e-100" + col("7") + "\n",
              out.str());
}
