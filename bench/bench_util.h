// bench/bench_util.h: the test matrices shared by the sparse benchmarks
#ifndef BENCH_BENCH_UTIL_H
#define BENCH_BENCH_UTIL_H

#include "sparse/SSMat.h"

// 7-point Laplacian plus a diagonal (6.1 on the diagonal, -1 between neighbours) on the grid of
// nx x ny x nz nodes numbered x fastest (nz = 1: the 5-point grid of a plane), built with the
// plain insertion (rows left unsorted); the caller sorts it when it needs the sorted state, and
// deletes it.
inline SSMat* gridMatrixBoxUnsorted(int nx, int ny, int nz)
{
    SSMat* A = new SSMat(nx * ny * nz);
    for (int z = 0; z < nz; z++)
        for (int y = 0; y < ny; y++)
            for (int x = 0; x < nx; x++)
            {
                int p = x + nx * (y + ny * z);
                A->insertEntry(p, p, 6.1);
                if (x + 1 < nx)
                    A->insertEntry(p, p + 1, -1.0);
                if (y + 1 < ny)
                    A->insertEntry(p, p + nx, -1.0);
                if (z + 1 < nz)
                    A->insertEntry(p, p + nx * ny, -1.0);
            }
    return A;
}

// The same matrix, sorted.
inline SSMat* gridMatrixBox(int nx, int ny, int nz)
{
    SSMat* A = gridMatrixBoxUnsorted(nx, ny, nz);
    A->sort();
    return A;
}

// The matrix of the m^3 grid, unsorted.
inline SSMat* gridMatrixUnsorted(int m)
{
    return gridMatrixBoxUnsorted(m, m, m);
}

// The same matrix, sorted.
inline SSMat* gridMatrix(int m)
{
    SSMat* A = gridMatrixUnsorted(m);
    A->sort();
    return A;
}

#endif
