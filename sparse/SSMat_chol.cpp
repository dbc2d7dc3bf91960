// sparse/SSMat_chol.cpp: complete and threshold Cholesky factorisations of an SSMat
//
// Up-looking, row-oriented factorisation A = U'*U: row i of U is formed in a dense accumulator
// w from row i of A minus the updates of the rows k < i of U that hold a (k, i) entry d, taken in
// increasing k (w[i] -= d*d, then w[j] -= d*U(k, j) along row k after (k, i)); this order of the
// subtractions fixes the rounding. Then U(i, i) = sqrt(w[i]) and U(i, j) = w[j] / U(i, i) for
// the columns j > i where w[j] is not exactly 0.0; cholesky_th also drops |U(i, j)| < th, and a
// dropped entry takes no part in later rows.
//
// The values depend on that arithmetic only; where the entries go is bookkeeping. The factor is
// made in compressed rows (RowFactor: each row's entries contiguous, diagonal first, then
// increasing column) and copied once, in that order, into the pool and the linked lists of the
// new SSMat. The complete factor takes its rows' columns from the structure computed from the
// elimination tree (chol_structure.cpp) and forms its rows in groups (chol_complete.cpp); the
// threshold factor, whose dropped entries make that structure far too large, collects each
// row's columns as its updates reach them and sorts them once (below).
// Limitation: a factor holds fewer than 2^31 entries (nnz is an int).
#include "sparse/SSMat.h"

#include "app/fatal.h"
#include "sparse/chol_work.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

// Room for at least need entries: the capacity doubles until it suffices.
void grow_row_factor(RowFactor& U, long need)
{
    if (need <= U.cap)
        return;
    long cap = U.cap > 0 ? U.cap : 1;
    while (cap < need)
        cap *= 2;
    U.Uj = (int*)realloc(U.Uj, cap * sizeof(int));
    U.Ux = (double*)realloc(U.Ux, cap * sizeof(double));
    U.cap = cap;
}

// Work arrays while row i is formed:
//   col[j].w      row i of U before scaling; 0.0 at every column > i that no update reached
//   col[j].mark   i once column j is in cand (beside w: an update reads both at once)
//   cand[0..t-1]  the columns j > i of A's row i and of the updates, in the order met
//   head[j], next[p]  column j's entries so far, in increasing row: head[j], next[head[j]], ...
//                 until -1; last[j] is its last one (-1: none)
//   row_of[p]     the row of entry p, whose end bounds the update along it
int factor_threshold(SSMat* A, double th, RowFactor& U, double* pivot)
{
    struct Column
    {
        double w;
        int mark;
    };
    int n = A->n;
    int m = n > 0 ? n : 1;
    Column* col = (Column*)calloc(m, sizeof(Column));
    int* cand = (int*)malloc(m * sizeof(int));
    int* head = (int*)malloc(m * sizeof(int));
    int* last = (int*)malloc(m * sizeof(int));
    long room = U.cap > 0 ? U.cap : 1;
    int* next = (int*)malloc(room * sizeof(int));
    int* row_of = (int*)malloc(room * sizeof(int));
    for (int j = 0; j < n; j++)
        col[j].mark = head[j] = last[j] = -1;
    auto append = [&](int i, int j, double d)
    {
        int p = U.nnz++;
        U.Uj[p] = j;
        U.Ux[p] = d;
        next[p] = -1;
        row_of[p] = i;
        if (last[j] == -1)
            head[j] = p;
        else
            next[last[j]] = p;
        last[j] = p;
    };
    U.Up[0] = 0;
    int failed = -1;

    for (int i = 0; i < n; i++)
    {
        // ---- scatter row i of A -------------------------------------------------------------
        int t = 0;
        for (SSMat::Entry* e = A->row[i]; e != nullptr; e = e->row_next)
            if (e->j >= i)
            {
                col[e->j].w = e->value;
                if (e->j > i && col[e->j].mark != i)
                {
                    col[e->j].mark = i;
                    cand[t++] = e->j;
                }
            }

        // ---- updates of the rows k < i that hold (k, i), in increasing k ---------------------
        for (int p = head[i], pn; p != -1; p = pn)
        {
            pn = next[p];
            if (pn != -1) // the next row's data is asked for while this row's update runs
            {
                __builtin_prefetch(&U.Ux[pn]);
                __builtin_prefetch(&U.Uj[pn]);
                __builtin_prefetch(&next[pn]);
                __builtin_prefetch(&row_of[pn]);
            }
            double d = U.Ux[p];
            int end = U.Up[row_of[p] + 1];
            col[i].w = col[i].w - d * d;
            for (int q = p + 1; q < end; q++)
            {
                int j = U.Uj[q];
                col[j].w = col[j].w - d * U.Ux[q];
                if (col[j].mark != i)
                {
                    col[j].mark = i;
                    cand[t++] = j;
                }
            }
        }

        // ---- diagonal: the pivot must be positive (this also rejects NaN) ------------------
        double piv = col[i].w;
        col[i].w = 0.0;
        if (!(piv > 0.0))
        {
            *pivot = piv;
            failed = i;
            break;
        }
        piv = sqrt(piv);
        grow_row_factor(U, (long)U.nnz + 1 + t);
        if (U.cap > room)
        {
            room = U.cap;
            next = (int*)realloc(next, room * sizeof(int));
            row_of = (int*)realloc(row_of, room * sizeof(int));
        }
        append(i, i, piv);

        // ---- U(i, j) = w[j] / U(i, i) in increasing j, unless 0.0 or below th ----------------
        std::sort(cand, cand + t);
        for (int s = 0; s < t; s++)
        {
            int j = cand[s];
            double v = col[j].w;
            col[j].w = 0.0;
            if (v != 0.0)
            {
                double d = v / piv;
                if ((d >= 0 ? d : -d) >= th && d != 0.0)
                    append(i, j, d);
            }
        }
        U.Up[i + 1] = U.nnz;
    }

    free(col);
    free(cand);
    free(head);
    free(last);
    free(next);
    free(row_of);
    return failed;
}

// U with A = U'*U, A only read; returns a new sorted matrix that the caller deletes.
SSMat* SSMat::cholesky()
{
    return factor(false, 0.0);
}

// U with A ~ U'*U, entries of |U(i,j)| < th dropped; new sorted matrix that the caller deletes.
SSMat* SSMat::cholesky_th(double th)
{
    return factor(true, th);
}

// The factor in compressed rows, then the SSMat. Entry p of the rows takes pool slot p, so each
// row's entries sit in consecutive slots. The copy runs from the last entry back to the first:
// every entry's successors in its row and in its column are then made already (below[j] is the
// entry of column j in the nearest row below), and Uj and Ux shrink as their tails are copied,
// so that the factor is not held twice at full size.
SSMat* SSMat::factor(bool threshold, double th)
{
    const int SHRINK_STEP = 1 << 20; // entries copied between two shrinks of Uj and Ux
    RowFactor U = {};
    U.Up = (int*)malloc((n + 1) * sizeof(int));
    double pivot = 0.0;
    int failed;
    if (threshold)
    {
        grow_row_factor(U, 2L * nnz + n);
        failed = factor_threshold(this, th, U, &pivot);
    }
    else
    {
        FactorStructure S;
        factor_structure(this, S);
        grow_row_factor(U, S.Sp[n] + n);
        failed = factor_complete(this, S, U, &pivot);
        free_structure(S);
    }

    SSMat* R = nullptr;
    if (failed >= 0)
    {
        char what[128];
        snprintf(what, sizeof what, "%s: pivot of row %d is not positive (%g)",
                 threshold ? "cholesky_th" : "cholesky", failed, pivot);
        report_error(what);
    }
    else
    {
        R = new SSMat(n);
        EntryBlock** block = R->takeSlots(U.nnz);
        auto slot = [block](int p)
        { return &block[p / ENTRY_BLOCK_SLOTS]->slot[p % ENTRY_BLOCK_SLOTS]; };
        Entry** below = R->col; // column heads: each column's entry in the nearest row below
        int kept = U.nnz;       // Uj and Ux hold positions 0..kept-1
        for (int i = n - 1; i >= 0; i--)
        {
            Entry* right = nullptr; // the entry to the right in row i
            for (int p = U.Up[i + 1] - 1; p >= U.Up[i]; p--)
            {
                Entry* e = slot(p);
                int j = U.Uj[p];
                e->i = i;
                e->j = j;
                e->value = U.Ux[p];
                e->row_next = right;
                e->col_next = below[j];
                below[j] = e;
                right = e;
            }
            R->row[i] = right;
            if (U.Up[i] + SHRINK_STEP < kept)
            {
                kept = U.Up[i];
                U.Uj = (int*)realloc(U.Uj, (kept > 0 ? kept : 1) * sizeof(int));
                U.Ux = (double*)realloc(U.Ux, (kept > 0 ? kept : 1) * sizeof(double));
            }
        }
        R->nnz = U.nnz;
        free(block);
    }
    free(U.Up);
    free(U.Uj);
    free(U.Ux);
    return R;
}
