// sparse/chol_structure.cpp: the structure of the complete Cholesky factor from the elimination
// tree: the tree, and the columns of each row of U, increasing
//
// Row k of U holds column i (k < i) exactly when k lies on a path of the elimination tree from
// some k0 with A(k0, i) stored up to i: the row subtree of i. Walking those paths for
// i = 0, 1, ... visits the entries column by column and appends i to the rows in increasing i,
// once to count and once to place. Numerical cancellation only removes entries, so the numeric
// factor's entries are a subset of this structure.
#include "sparse/chol_work.h"

#include <cstdlib>

// S from A's row lists; A only read.
void factor_structure(SSMat* A, FactorStructure& S)
{
    int n = A->n;
    int m = n > 0 ? n : 1;
    int* Ap = (int*)calloc(n + 1, sizeof(int));
    int* ancestor = (int*)malloc(m * sizeof(int));
    int* mark = (int*)malloc(m * sizeof(int));
    long* fill = (long*)malloc(m * sizeof(long));
    S.Sp = (long*)calloc(n + 1, sizeof(long));
    S.parent = (int*)malloc(m * sizeof(int));
    int* parent = S.parent;

    // ---- Ai[Ap[i] .. Ap[i+1]-1]: the rows k < i of the entries (k, i) of A --------------------
    for (int k = 0; k < n; k++)
        for (SSMat::Entry* e = A->row[k]; e != nullptr; e = e->row_next)
            if (e->j > k)
                Ap[e->j + 1]++;
    for (int i = 0; i < n; i++)
        Ap[i + 1] += Ap[i];
    int* Ai = (int*)malloc((Ap[n] > 0 ? Ap[n] : 1) * sizeof(int));
    for (int i = 0; i < n; i++)
        fill[i] = Ap[i];
    for (int k = 0; k < n; k++)
        for (SSMat::Entry* e = A->row[k]; e != nullptr; e = e->row_next)
            if (e->j > k)
                Ai[fill[e->j]++] = k;

    // ---- elimination tree; ancestor[k] short-cuts the path already climbed from k ------------
    for (int i = 0; i < n; i++)
    {
        parent[i] = -1;
        ancestor[i] = -1;
        for (int p = Ap[i]; p < Ap[i + 1]; p++)
            for (int k = Ai[p]; k != -1 && k < i;)
            {
                int up = ancestor[k];
                ancestor[k] = i;
                if (up == -1)
                    parent[k] = i;
                k = up;
            }
    }

    // ---- the row subtrees: count the entries of each row, then place them --------------------
    for (int pass = 0; pass < 2; pass++)
    {
        for (int k = 0; k < n; k++)
            mark[k] = -1;
        for (int i = 0; i < n; i++)
        {
            mark[i] = i; // every path ends at i
            for (int p = Ap[i]; p < Ap[i + 1]; p++)
                for (int k = Ai[p]; mark[k] != i; k = parent[k])
                {
                    mark[k] = i;
                    if (pass == 0)
                        S.Sp[k + 1]++;
                    else
                        S.Sj[fill[k]++] = i;
                }
        }
        if (pass == 0)
        {
            for (int k = 0; k < n; k++)
                S.Sp[k + 1] += S.Sp[k];
            for (int k = 0; k < n; k++)
                fill[k] = S.Sp[k];
            S.Sj = (int*)malloc((S.Sp[n] > 0 ? S.Sp[n] : 1) * sizeof(int));
        }
    }

    free(Ap);
    free(Ai);
    free(ancestor);
    free(mark);
    free(fill);
}

// Releases the arrays of S.
void free_structure(FactorStructure& S)
{
    free(S.Sp);
    free(S.Sj);
    free(S.parent);
    S.Sp = nullptr;
    S.Sj = nullptr;
    S.parent = nullptr;
}
