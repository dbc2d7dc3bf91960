// sparse/SSMat_arith.cpp: SSMat arithmetic (products, residual, scaling, sums) and the triangular
// solves with a Cholesky factor
#include "sparse/SSMat.h"

#include <cstdint>

// ---- walking a row list -------------------------------------------------------------------------

namespace
{

// Slots ahead of the one being read whose memory the walks ask for in advance (1 KiB).
const int PREFETCH_SLOTS = 32;

// Asks for the memory of the slot count slots after e. The address is formed as an integer:
// it may lie past e's block, and prefetching never faults.
inline void prefetch_ahead(SSMat::Entry* e, int count)
{
    __builtin_prefetch((const void*)((uintptr_t)e + count * sizeof(SSMat::Entry)));
}

// f(e) for every entry e of the row list from first on, in list order. While the entries sit in
// consecutive pool slots (a factor's rows always do, a matrix built row by row mostly does), the
// walk steps to the next slot by address, so that the loop does not wait for each row_next to be
// loaded (row_next only confirms the step), and it asks for the slots ahead in advance.
template <class F> inline void walk_row(SSMat::Entry* first, F f)
{
    SSMat::Entry* e = first;
    while (e != nullptr)
    {
        SSMat::Entry* next;
        for (;;)
        {
            prefetch_ahead(e, PREFETCH_SLOTS);
            f(e);
            next = e->row_next;
            if (next != e + 1)
                break;
            e++;
        }
        e = next;
    }
}

} // namespace

// ---- products ---------------------------------------------------------------------------------

// y[k] = sum over column k's list (rows <= k, diagonal last), then over row k's list after its
// diagonal. Column part first, then row part, each in list order: this order fixes the rounding.
// One pass over the rows forms the same sums: when row k is reached, rows 0..k-1 have added
// their (i, k) terms to y[k] in increasing i, so its column part ends with the diagonal term and
// its row part follows, while each entry (k, j) also adds the next term of y[j]'s column part.
// In the sorted state the column lists hold exactly these entries, so the column lists are not
// read at all.
void SSMat::multiply(double* y, double* x)
{
    for (int k = 0; k < n; k++)
        y[k] = 0.0;
    for (int k = 0; k < n; k++)
    {
        Entry* e = row[k];
        if (e != nullptr && e->i == e->j)
        {
            y[k] += e->value * x[k];
            e = e->row_next;
        }
        double xk = x[k];
        double yk = y[k];
        walk_row(e,
                 [&](Entry* f)
                 {
                     yk += f->value * x[f->j];
                     y[f->j] += f->value * xk;
                 });
        y[k] = yk;
    }
}

// r = A*x first, then r[k] = b[k] - r[k].
void SSMat::minusMultiply(double* r, double* b, double* x)
{
    multiply(r, x);
    for (int k = 0; k < n; k++)
        r[k] = b[k] - r[k];
}

// ---- scaling and sums -------------------------------------------------------------------------

// value *= a for every entry reachable through the rows.
void SSMat::timesEqual(double a)
{
    for (int k = 0; k < n; k++)
        for (Entry* e = row[k]; e != nullptr; e = e->row_next)
            e->value *= a;
}

// This matrix += B.
void SSMat::addEqual(SSMat* B)
{
    merge(1.0, B, false);
}

// This matrix += a*B.
void SSMat::addEqualTimes(double a, SSMat* B)
{
    merge(a, B, true);
}

// Row-by-row merge of two rows in increasing column order. p is the link of this row at which
// B's entry f is placed; once p reaches the end of the row, the rest of B's row is prepended with
// the plain insertion and the final sort() restores the order and rebuilds every column.
void SSMat::merge(double a, SSMat* B, bool scaled)
{
    for (int k = 0; k < n; k++)
    {
        Entry** p = &row[k];
        Entry* f = B->row[k];
        while (f != nullptr)
        {
            if (*p != nullptr)
            {
                while (*p != nullptr && (*p)->j < f->j)
                    p = &(*p)->row_next;
                if (*p != nullptr)
                {
                    double add = scaled ? a * f->value : f->value;
                    if ((*p)->j == f->j)
                        (*p)->value = (*p)->value + add;
                    else
                        insertEntry(k, f->j, add, p);
                    f = f->row_next;
                }
            }
            else
            {
                for (; f != nullptr; f = f->row_next)
                    insertEntry(k, f->j, scaled ? a * f->value : f->value);
            }
        }
    }
    sort();
}

// ---- triangular solves with a factor U, A = U'*U ----------------------------------------------

// Forward with U', then backward with U, both through the row lists; each sum is formed in
// column-list order. y[k] = (b[k] + s) / U(k, k) with s = 0.0 - U(i1, k)*y[i1] - U(i2, k)*y[i2]
// - ... over the column's entries i1 < i2 < ...: y[k] itself holds s while rows 0..k-1 add
// their terms, in increasing row, and is then finished with row k. When y is b, s has no room
// of its own and column k's list is walked instead, with the same arithmetic.
void SSMat::solveLUxb(double* x, double* b, double* y)
{
    // ---- U'*y = b: column k's entries above the diagonal, then the diagonal U(k, k) ----------
    if (y != b)
    {
        for (int k = 0; k < n; k++)
            y[k] = 0.0;
        for (int k = 0; k < n; k++)
        {
            Entry* d = row[k];
            double yk = (b[k] + y[k]) / d->value;
            y[k] = yk;
            walk_row(d->row_next, [&](Entry* e) { y[e->j] = y[e->j] - e->value * yk; });
        }
    }
    else
    {
        for (int k = 0; k < n; k++)
        {
            double s = 0.0;
            Entry* e = col[k];
            while (e->i < k)
            {
                s = s - e->value * y[e->i];
                e = e->col_next;
            }
            y[k] = (b[k] + s) / e->value;
        }
    }

    // ---- U*x = y: row k's diagonal first, then its entries to the right --------------------
    for (int k = n - 1; k >= 0; k--)
    {
        Entry* d = row[k];
        double s = 0.0;
        if (k > 0) // row k-1 comes next; in a factor its slots end where row k's begin
            for (int t = 0; t < 16; t += 2)
                prefetch_ahead(row[k - 1], t);
        walk_row(d->row_next, [&](Entry* e) { s = s - e->value * x[e->j]; });
        x[k] = (y[k] + s) / d->value;
    }
}
