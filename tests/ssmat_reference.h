// tests/ssmat_reference.h: plain implementations of the SSMat factorisations, triangular solves
// and product, written from their definitions on the public lists only; the library's fast
// versions must give the same values bit for bit
#ifndef TESTS_SSMAT_REFERENCE_H
#define TESTS_SSMAT_REFERENCE_H

#include "sparse/SSMat.h"

#include <cmath>
#include <cstdio>
#include <vector>

// The up-looking factor U of A, A ~ U'*U, as defined, with a dense work row w: for row i,
// scatter A's row i into w; for each (k, i) of U in increasing k (column i's list), w[i] -= d*d
// and w[j] -= d*U(k, j) along row k after (k, i); then U(i, i) = sqrt(w[i]) and, for j > i in
// increasing j, U(i, j) = w[j] / U(i, i), appended to row i and column j unless 0.0 (an exact
// cancellation) or, when threshold, below th in magnitude. A pivot that is not > 0 prints the
// library's message and gives null.
inline SSMat* reference_factor(SSMat* A, bool threshold, double th)
{
    int n = A->n;
    SSMat* U = new SSMat(n);
    std::vector<double> w(n, 0.0);
    std::vector<SSMat::Entry**> tail(n);
    for (int j = 0; j < n; j++)
        tail[j] = &U->col[j];
    for (int i = 0; i < n; i++)
    {
        for (SSMat::Entry* e = A->row[i]; e != nullptr; e = e->row_next)
            w[e->j] = e->value;
        for (SSMat::Entry* f = U->col[i]; f != nullptr; f = f->col_next)
        {
            double d = f->value;
            w[i] = w[i] - d * d;
            for (SSMat::Entry* e = f->row_next; e != nullptr; e = e->row_next)
                w[e->j] = w[e->j] - d * e->value;
        }
        if (!(w[i] > 0.0))
        {
            fprintf(stderr, "Calefax: error: %s: pivot of row %d is not positive (%g)\n",
                    threshold ? "cholesky_th" : "cholesky", i, w[i]);
            delete U;
            return nullptr;
        }
        double pivot = sqrt(w[i]);
        SSMat::Entry** at = &U->row[i];
        for (int j = i; j < n; j++)
        {
            double d = j == i ? pivot : w[j] / pivot;
            w[j] = 0.0;
            if (j == i || ((!threshold || std::fabs(d) >= th) && d != 0.0))
            {
                U->insertEntry(i, j, d, at, tail[j]);
                tail[j] = &(*at)->col_next;
                at = &(*at)->row_next;
            }
        }
    }
    return U;
}

// y = A*x as defined: y[k] = 0.0, += value*x[i] along column k's list, then += value*x[j] along
// row k's list after a leading diagonal.
inline void reference_multiply(SSMat* A, double* y, const double* x)
{
    for (int k = 0; k < A->n; k++)
    {
        y[k] = 0.0;
        for (SSMat::Entry* e = A->col[k]; e != nullptr; e = e->col_next)
            y[k] += e->value * x[e->i];
        SSMat::Entry* e = A->row[k];
        if (e != nullptr && e->i == e->j)
            e = e->row_next;
        for (; e != nullptr; e = e->row_next)
            y[k] += e->value * x[e->j];
    }
}

// (U'*U)*x = b as defined: forward along each column's list, backward along each row's list.
inline void reference_solve(SSMat* U, double* x, const double* b, double* y)
{
    for (int k = 0; k < U->n; k++)
    {
        double s = 0.0;
        SSMat::Entry* e = U->col[k];
        for (; e->i < k; e = e->col_next)
            s = s - e->value * y[e->i];
        y[k] = (b[k] + s) / e->value;
    }
    for (int k = U->n - 1; k >= 0; k--)
    {
        double s = 0.0;
        for (SSMat::Entry* e = U->row[k]->row_next; e != nullptr; e = e->row_next)
            s = s - e->value * x[e->j];
        x[k] = (y[k] + s) / U->row[k]->value;
    }
}

#endif
