// bench/bench_util.h: the test matrix shared by the sparse benchmarks
#ifndef BENCH_BENCH_UTIL_H
#define BENCH_BENCH_UTIL_H

#include "sparse/SSMat.h"

// 7-point Laplacian plus a diagonal of 6.1 on the m^3 grid, built with the plain insertion (rows
// left unsorted); the caller sorts it when it needs the sorted state, and deletes it.
inline SSMat* gridMatrixUnsorted(int m)
{
    int n = m * m * m;
    SSMat* A = new SSMat(n);
    for (int z = 0; z < m; z++)
        for (int y = 0; y < m; y++)
            for (int x = 0; x < m; x++)
            {
                int p = x + m * (y + m * z);
                A->insertEntry(p, p, 6.1);
                if (x + 1 < m)
                    A->insertEntry(p, p + 1, -1.0);
                if (y + 1 < m)
                    A->insertEntry(p, p + m, -1.0);
                if (z + 1 < m)
                    A->insertEntry(p, p + m * m, -1.0);
            }
    return A;
}

// The same matrix, sorted.
inline SSMat* gridMatrix(int m)
{
    SSMat* A = gridMatrixUnsorted(m);
    A->sort();
    return A;
}

#endif
