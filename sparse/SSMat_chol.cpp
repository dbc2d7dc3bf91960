// sparse/SSMat_chol.cpp: complete and threshold Cholesky factorisations of an SSMat
//
// Up-looking, row-oriented factorisation A = U'*U: row i of U is formed in a dense accumulator
// w from row i of A minus the updates of the rows k < i of U that hold a (k, i) entry, found
// through the column lists of U built so far. U's rows and columns are appended in order, so the
// factor comes out in the sorted state without a sort pass.
#include "sparse/SSMat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

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

// Work arrays while row i is formed:
//   w[j]     row i of U before scaling; zero outside the columns on the list and i itself
//   head     first column of the list of columns j > i with w[j] != 0.0; -1 when empty
//   next[j]  column after j on that list (unordered: columns are pushed at the front), -1 at the
//            end and for every column off the list
//   tail[j]  the link of column j of U at which its next entry is appended
SSMat* SSMat::factor(bool threshold, double th)
{
    SSMat* U = new SSMat(n);
    double* w = (double*)calloc(n > 0 ? n : 1, sizeof(double));
    int* next = (int*)malloc((n > 0 ? n : 1) * sizeof(int));
    Entry*** tail = (Entry***)malloc((n > 0 ? n : 1) * sizeof(Entry**));
    for (int j = 0; j < n; j++)
    {
        next[j] = -1;
        tail[j] = &U->col[j];
    }
    int head = -1;
    bool failed = false;

    for (int i = 0; i < n; i++)
    {
        // ---- scatter row i of A; the diagonal stays off the list ---------------------------
        for (Entry* e = row[i]; e != nullptr; e = e->row_next)
        {
            w[e->j] = e->value;
            if (e->j != i)
            {
                next[e->j] = head;
                head = e->j;
            }
        }

        // ---- updates of the rows k < i that hold (k, i), in increasing k -------------------
        for (Entry* f = U->col[i]; f != nullptr; f = f->col_next)
        {
            double d = f->value;
            w[i] = w[i] - d * d;
            for (Entry* e = f->row_next; e != nullptr; e = e->row_next)
            {
                int j = e->j;
                if (w[j] != 0.0)
                {
                    w[j] = w[j] - d * e->value;
                    if (w[j] == 0.0)
                    {
                        // exact cancellation: j leaves the list and is never stored
                        int* link = &head;
                        while (*link != j)
                            link = &next[*link];
                        *link = next[j];
                        next[j] = -1;
                    }
                }
                else
                {
                    // fill-in; a product that underflows to zero leaves j off the list, so that
                    // a column is never listed twice
                    w[j] = w[j] - d * e->value;
                    if (w[j] != 0.0)
                    {
                        next[j] = head;
                        head = j;
                    }
                }
            }
        }

        // ---- diagonal: the pivot must be positive (this also rejects NaN) ------------------
        if (!(w[i] > 0.0))
        {
            fprintf(stderr, "Calefax: error: %s: pivot of row %d is not positive (%g)\n",
                    threshold ? "cholesky_th" : "cholesky", i, w[i]);
            failed = true;
            break;
        }
        w[i] = sqrt(w[i]);
        Entry** rp = &U->row[i];
        if (threshold)
            U->insertEntry(i, i, w[i], rp, tail[i]);
        else
        {
            U->insertEntry(i, i, w[i], rp);
            *tail[i] = *rp;
        }
        tail[i] = &(*rp)->col_next;
        rp = &(*rp)->row_next;

        // ---- off-diagonal entries: U(i, j) = w[j] / U(i, i), placed in order in row i -----
        int j = head;
        head = -1;
        while (j != -1)
        {
            double d = w[j] / w[i];
            bool keep = !threshold || (d >= 0 ? d : -d) >= th;
            if (keep && d != 0.0)
            {
                while (*rp != nullptr && (*rp)->j < j)
                    rp = &(*rp)->row_next;
                if (threshold)
                    U->insertEntry(i, j, d, rp, tail[j]);
                else
                {
                    U->insertEntry(i, j, d, rp);
                    *tail[j] = *rp;
                }
                tail[j] = &(*rp)->col_next;
                rp = &(*rp)->row_next;
            }
            w[j] = 0.0;
            int jn = next[j];
            next[j] = -1;
            // the list goes backwards: the next insertion searches row i from its head
            if (jn < j)
                rp = &U->row[i];
            j = jn;
        }
        // w is zero again at every column > i and the list is empty
    }

    free(w);
    free(next);
    free(tail);
    if (failed)
    {
        delete U;
        return nullptr;
    }
    return U;
}
