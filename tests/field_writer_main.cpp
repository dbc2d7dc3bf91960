// tests/field_writer_main.cpp: writes a known field for tests/test_field.py
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
        return 2;
    int nx = atoi(argv[1]), ny = atoi(argv[2]), nz = atoi(argv[3]);
    std::vector<double> field(size_t(nx + 1) * (ny + 1) * (nz + 1));
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
            for (int k = 0; k <= nz; k++)
                field[(size_t(i) * (ny + 1) + j) * (nz + 1) + k] = (100.0 * i + 10.0 * j + k) / 7.0;
    for (int a = 7; a < argc; a++)
    {
        std::string error;
        if (!write_field(argv[a], field.data(), nx, ny, nz, atof(argv[4]), atof(argv[5]),
                         atof(argv[6]), error))
        {
            fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
