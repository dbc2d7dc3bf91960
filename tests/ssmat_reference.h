// tests/ssmat_reference.h: plain implementations of the SSMat factorisations, triangular solves
// and product, written step by step from their definitions on the public lists only; the library's
// fast versions must give the same values bit for bit
#ifndef TESTS_SSMAT_REFERENCE_H
#define TESTS_SSMAT_REFERENCE_H

#include "sparse/SSMat.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// The up-looking factor U of A, A ~ U'*U, as defined: for row i, scatter A's row i into a dense
// w and push its off-diagonal columns on an unordered list; for each (k, i) of U in increasing k
// (column i's list), w[i] -= d*d and w[j] -= d*U(k, j) along row k after (k, i), a column that
// becomes 0.0 leaving the list and one that becomes non-zero joining it; then U(i, i) = sqrt(w[i])
// and, for each listed column, U(i, j) = w[j] / U(i, i), stored (searching row i from its head
// for its place, appending to column j) unless 0.0 or, when threshold, below th in magnitude.
// A pivot that is not > 0 prints the library's message and gives null.
inline SSMat* reference_factor(SSMat* A, bool threshold, double th)
{
    int n = A->n;
    SSMat* U = new SSMat(n);
    std::vector<double> w(n, 0.0);
    std::vector<int> next(n, -1);
    std::vector<SSMat::Entry**> tail(n);
    for (int j = 0; j < n; j++)
        tail[j] = &U->col[j];
    for (int i = 0; i < n; i++)
    {
        int head = -1;
        for (SSMat::Entry* e = A->row[i]; e != nullptr; e = e->row_next)
        {
            w[e->j] = e->value;
            if (e->j != i)
            {
                next[e->j] = head;
                head = e->j;
            }
        }
        for (SSMat::Entry* f = U->col[i]; f != nullptr; f = f->col_next)
        {
            double d = f->value;
            w[i] = w[i] - d * d;
            for (SSMat::Entry* e = f->row_next; e != nullptr; e = e->row_next)
            {
                int j = e->j;
                bool listed = w[j] != 0.0;
                w[j] = w[j] - d * e->value;
                if (listed && w[j] == 0.0)
                {
                    int* link = &head;
                    while (*link != j)
                        link = &next[*link];
                    *link = next[j];
                    next[j] = -1;
                }
                else if (!listed && w[j] != 0.0)
                {
                    next[j] = head;
                    head = j;
                }
            }
        }
        if (!(w[i] > 0.0))
        {
            fprintf(stderr, "Calefax: error: %s: pivot of row %d is not positive (%g)\n",
                    threshold ? "cholesky_th" : "cholesky", i, w[i]);
            delete U;
            return nullptr;
        }
        w[i] = sqrt(w[i]);
        U->insertEntry(i, i, w[i], &U->row[i], tail[i]);
        tail[i] = &U->row[i]->col_next;
        for (int j = head; j != -1;)
        {
            double d = w[j] / w[i];
            if ((!threshold || std::fabs(d) >= th) && d != 0.0)
            {
                SSMat::Entry** at = &U->row[i];
                while (*at != nullptr && (*at)->j < j)
                    at = &(*at)->row_next;
                U->insertEntry(i, j, d, at, tail[j]);
                tail[j] = &(*at)->col_next;
            }
            w[j] = 0.0;
            int jn = next[j];
            next[j] = -1;
            j = jn;
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

// The first difference between two matrices' rows, entry by entry with values compared bit for
// bit (so 0.0 and -0.0, and NaN payloads, differ), or "" when they hold the same.
inline std::string first_difference(SSMat* U, SSMat* R)
{
    if (U->n != R->n || U->nnz != R->nnz)
        return "n " + std::to_string(U->n) + " / " + std::to_string(R->n) + ", nnz " +
               std::to_string(U->nnz) + " / " + std::to_string(R->nnz);
    for (int k = 0; k < U->n; k++)
    {
        SSMat::Entry *e = U->row[k], *f = R->row[k];
        for (; e != nullptr && f != nullptr; e = e->row_next, f = f->row_next)
            if (e->i != f->i || e->j != f->j || memcmp(&e->value, &f->value, sizeof(double)) != 0)
                return "row " + std::to_string(k) + ": (" + std::to_string(e->i) + ", " +
                       std::to_string(e->j) + ", " + std::to_string(e->value) + ") against (" +
                       std::to_string(f->i) + ", " + std::to_string(f->j) + ", " +
                       std::to_string(f->value) + ")";
        if (e != f)
            return "row " + std::to_string(k) + " has another length";
    }
    return "";
}

#endif
