// tests/field_writer_main.cpp: writes a known field to the files named on the command line, for
// the Python test of the field files (tests/test_field.py)
#include "model/field_io.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// field_writer NX NY NZ DX DY DZ PATH...: node (i, j, k) of the (NX+1) x (NY+1) x (NZ+1) grid
// holds (100*i + 10*j + k) / 7, distinct values that need every digit; each PATH is written in
// the format of its extension. Exit status 1 with one error line at the first failure.
int main(int argc, char** argv)
{
    if (argc < 8)
    {
        fprintf(stderr, "usage: field_writer NX NY NZ DX DY DZ PATH...\n");
        return 2;
    }
    int nx = atoi(argv[1]), ny = atoi(argv[2]), nz = atoi(argv[3]);
    double dx = atof(argv[4]), dy = atof(argv[5]), dz = atof(argv[6]);
    if (nx < 0 || ny < 0 || nz < 0 || nx > 1000 || ny > 1000 || nz > 1000)
    {
        fprintf(stderr, "field_writer: grid sizes 0 to 1000\n");
        return 2;
    }
    std::vector<double> field(size_t(nx + 1) * (ny + 1) * (nz + 1));
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
            for (int k = 0; k <= nz; k++)
                field[(size_t(i) * (ny + 1) + j) * (nz + 1) + k] = (100.0 * i + 10.0 * j + k) / 7.0;
    for (int a = 7; a < argc; a++)
    {
        std::string error;
        if (!write_field(argv[a], field.data(), nx, ny, nz, dx, dy, dz, error))
        {
            fprintf(stderr, "Calefax: error: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
