// model/TS3D_show.cpp: field display of TS3D (show_1D, show_2D_Matrix, show_2D, show_3D)
#include "model/TS3D.h"

#include <iomanip>
#include <iostream>

// Every display writes "title:  " on a line of its own, then its values right-aligned in
// 13-character fields (the width is set again before each value, since it lapses after one
// output) in the stream's default notation, which is never changed here. Every line, the empty
// ones after the z blocks included, ends with std::endl, so it is flushed as it is written.
// The object's state is not used: all sizes come from the arguments, bounds inclusive.

// Writes v[0..last] one per line; v only read.
void TS3D::show_1D(double* v, const char* title, int last)
{
    std::cout << title << ":  " << std::endl;
    for (int i = 0; i <= last; ++i)
    {
        std::cout << std::setw(13) << v[i] << std::endl;
    }
}

// Writes rows m[0..last_row], each row's columns 0..last_col on one line; m only read.
void TS3D::show_2D_Matrix(double** m, const char* title, int last_row, int last_col)
{
    std::cout << title << ":  " << std::endl;
    for (int r = 0; r <= last_row; ++r)
    {
        for (int c = 0; c <= last_col; ++c)
        {
            std::cout << std::setw(13) << m[r][c];
        }
        std::cout << std::endl;
    }
}

// Writes f[x][y] as the x-y plane seen from above: y from last_y down to 0, x 0..last_x along
// each line; f only read.
void TS3D::show_2D(double** f, const char* title, int last_x, int last_y)
{
    std::cout << title << ":  " << std::endl;
    for (int j = last_y; j >= 0; --j)
    {
        for (int i = 0; i <= last_x; ++i)
        {
            std::cout << std::setw(13) << f[i][j];
        }
        std::cout << std::endl;
    }
}

// Writes f[x][y][z] as one show_2D-style block per z from last_z down to 0, each followed by an
// empty line; f only read.
void TS3D::show_3D(double*** f, const char* title, int last_x, int last_y, int last_z)
{
    std::cout << title << ":  " << std::endl;
    for (int k = last_z; k >= 0; --k)
    {
        for (int j = last_y; j >= 0; --j)
        {
            for (int i = 0; i <= last_x; ++i)
            {
                std::cout << std::setw(13) << f[i][j][k];
            }
            std::cout << std::endl;
        }
        std::cout << std::endl;
    }
}
