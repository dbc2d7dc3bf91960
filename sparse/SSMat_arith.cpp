// sparse/SSMat_arith.cpp: SSMat arithmetic (products, residual, scaling, sums) and the triangular
// solves with a Cholesky factor
#include "sparse/SSMat.h"

// ---- products ----------------------------------------------------------------------------------

// y[k] = sum over column k's list (rows <= k, diagonal last), then over row k's list after its
// diagonal. Column part first, then row part, each in list order: this order fixes the rounding.
void SSMat::multiply(double* y, double* x)
{
    for (int k = 0; k < n; k++)
    {
        y[k] = 0.0;
        for (Entry* e = col[k]; e != nullptr; e = e->col_next)
            y[k] += e->value * x[e->i];
        Entry* e = row[k];
        if (e != nullptr && e->i == e->j)
            e = e->row_next;
        for (; e != nullptr; e = e->row_next)
            y[k] += e->value * x[e->j];
    }
}

// r = A*x first, then r[k] = b[k] - r[k].
void SSMat::minusMultiply(double* r, double* b, double* x)
{
    multiply(r, x);
    for (int k = 0; k < n; k++)
        r[k] = b[k] - r[k];
}

// ---- scaling and sums --------------------------------------------------------------------------

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

// ---- triangular solves with a factor U, A = U'*U -----------------------------------------------

// Forward with U' through the column lists (they are the rows of U'), then backward with U
// through the row lists; each sum is formed in list order.
void SSMat::solveLUxb(double* x, double* b, double* y)
{
    // ---- U'*y = b: column k's entries above the diagonal, then the diagonal U(k, k) ----------
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

    // ---- U*x = y: row k's diagonal first, then its entries to the right --------------------
    for (int k = n - 1; k >= 0; k--)
    {
        Entry* d = row[k];
        double s = 0.0;
        for (Entry* e = d->row_next; e != nullptr; e = e->row_next)
            s = s - e->value * x[e->j];
        x[k] = (y[k] + s) / d->value;
    }
}
