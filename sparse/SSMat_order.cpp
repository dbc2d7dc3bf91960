// sparse/SSMat_order.cpp: orderings of an SSMat (Cuthill-McKee, reverse, minimum degree),
// symmetric permutation and index mapping
//
// The graph of the matrix has node k for row k and an edge k-l (k != l) for every stored entry
// (min(k, l), max(k, l)): the lower neighbours of k are read from column k's list, the upper
// ones from row k's list. A permutation is perm[new] = old throughout.
#include "sparse/SSMat.h"

#include "app/fatal.h"
#include "sparse/intQueue.h"
#include "sparse/mmd.h"

#include <cstdio>
#include <cstdlib>
#include <string>

// ---- Cuthill-McKee orderings -------------------------------------------------------------------

// perm[0..n-1]: breadth-first order, each component from its lowest unvisited node; A only read.
void SSMat::CM(int* perm)
{
    int* mark = (int*)calloc(n > 0 ? n : 1, sizeof(int));
    intQueue order; // nodes in visit order
    intQueue work;  // the breadth-first frontier

    for (int s = 0; s < n; s++)
    {
        if (mark[s] != 0)
            continue;
        work.enqueue(s);
        while (work.front != nullptr)
        {
            int k = work.dequeue();
            order.enqueue(k);
            mark[k] = 1; // marked before its lists are read, so its diagonal is passed over
            // A node is marked when it is queued, so each node is queued once: lower neighbours
            // first, by increasing row, then upper neighbours by increasing column.
            for (Entry* e = col[k]; e != nullptr; e = e->col_next)
            {
                if (mark[e->i] == 0)
                {
                    work.enqueue(e->i);
                    mark[e->i] = 1;
                }
            }
            for (Entry* e = row[k]; e != nullptr; e = e->row_next)
            {
                if (mark[e->j] == 0)
                {
                    work.enqueue(e->j);
                    mark[e->j] = 1;
                }
            }
        }
    }
    for (int k = 0; k < n; k++)
        perm[k] = order.dequeue();

    free(mark);
}

// perm[k] = cm[n-1-k], cm the CM order; A only read.
void SSMat::RCM(int* perm)
{
    int* cm = (int*)malloc((n > 0 ? n : 1) * sizeof(int));
    CM(cm);
    for (int k = 0; k < n; k++)
        perm[k] = cm[n - 1 - k];
    free(cm);
}

// ---- multiple minimum degree -------------------------------------------------------------------

// perm[0..n-1]: the genmmd order (delta 1) of the matrix graph, 0-based; A only read.
void SSMat::MMD(int* perm)
{
    // Off-diagonal entries: each gives two adjacency slots, one per direction.
    int off = 0;
    for (int k = 0; k < n; k++)
    {
        for (Entry* e = row[k]; e != nullptr; e = e->row_next)
        {
            if (e->j != k)
                off++;
        }
    }

    // 1-based arrays, slot 0 unused. dhead has delta = 1 slot past n: the minimum-degree search
    // reads dhead[mdeg + delta] with mdeg up to n.
    const int delta = 1;
    int* xadj = (int*)calloc(n + 2, sizeof(int));
    int* adjncy = (int*)calloc(2 * off + 1, sizeof(int));
    int* invp = (int*)calloc(n + 1, sizeof(int));
    int* perm_mmd = (int*)calloc(n + 1, sizeof(int));
    int* dhead = (int*)calloc(n + 1 + delta, sizeof(int));
    int* qsize = (int*)calloc(n + 1, sizeof(int));
    int* llist = (int*)calloc(n + 1, sizeof(int));
    int* marker = (int*)calloc(n + 1, sizeof(int));

    // Node k+1 lists its lower neighbours (column k above the diagonal, increasing row), then
    // its upper neighbours (row k after the diagonal, increasing column), all 1-based.
    int c = 1;
    for (int k = 0; k < n; k++)
    {
        xadj[k + 1] = c;
        for (Entry* e = col[k]; e != nullptr && e->i != k; e = e->col_next)
        {
            adjncy[c] = e->i + 1;
            c++;
        }
        for (Entry* e = row[k]; e != nullptr; e = e->row_next)
        {
            if (e->j == k)
                continue;
            adjncy[c] = e->j + 1;
            c++;
        }
    }
    xadj[n + 1] = c;

    genmmd(n, xadj, adjncy, invp, perm_mmd, delta, dhead, qsize, llist, marker);
    for (int k = 0; k < n; k++)
        perm[k] = perm_mmd[k + 1] - 1;

    free(xadj);
    free(adjncy);
    free(invp);
    free(perm_mmd);
    free(dhead);
    free(qsize);
    free(llist);
    free(marker);
}

// ---- permutation and mapping -------------------------------------------------------------------

// New B(k, l) = A(perm[k], perm[l]), sorted, or null when perm is not a permutation; A only read.
SSMat* SSMat::permute(int* perm)
{
    // inv[old] = new; -1 while no k has named old, which finds repeats.
    int* inv = (int*)malloc((n > 0 ? n : 1) * sizeof(int));
    for (int k = 0; k < n; k++)
        inv[k] = -1;
    for (int k = 0; k < n; k++)
    {
        int old = perm[k];
        if (old < 0 || old >= n || inv[old] != -1)
        {
            const char* what = (old < 0 || old >= n) ? "out of range" : "repeated";
            report_error("permute: perm[" + std::to_string(k) + "] = " + std::to_string(old) +
                         " is " + what + ": not a permutation of 0.." + std::to_string(n - 1));
            free(inv);
            return nullptr;
        }
        inv[old] = k;
    }

    SSMat* B = new SSMat(n);
    for (int r = 0; r < n; r++)
    {
        for (Entry* e = row[r]; e != nullptr; e = e->row_next)
        {
            int a = inv[r];
            int b = inv[e->j];
            if (a <= b)
                B->insertEntry(a, b, e->value);
            else
                B->insertEntry(b, a, e->value);
        }
    }
    B->sort();

    free(inv);
    return B;
}

// New m x m matrix through map (sorted), rows with one index merged, or null on a map value
// outside -1..m-1; A only read.
SSMat* SSMat::mapping(int* map, int m)
{
    if (m < 0)
    {
        report_error("mapping: the new dimension " + std::to_string(m) + " is negative");
        return nullptr;
    }
    for (int k = 0; k < n; k++)
    {
        if (map[k] < -1 || map[k] >= m)
        {
            report_error("mapping: map[" + std::to_string(k) + "] = " + std::to_string(map[k]) +
                         " is outside -1.." + std::to_string(m - 1));
            return nullptr;
        }
    }

    SSMat* R = new SSMat(m);
    // secondary[k] = 1: an earlier row already maps to map[k]; taken[t] = 1: some row maps to t.
    int* secondary = (int*)calloc(n > 0 ? n : 1, sizeof(int));
    int* taken = (int*)calloc(m > 0 ? m : 1, sizeof(int));
    for (int k = 0; k < n; k++)
    {
        if (map[k] == -1)
            continue;
        if (taken[map[k]] == 0)
            taken[map[k]] = 1;
        else
            secondary[k] = 1;
    }
    free(taken);

    // ---- entries between primary rows: copied --------------------------------------------------
    for (int k = 0; k < n; k++)
    {
        if (secondary[k] != 0 || map[k] < 0)
            continue;
        for (Entry* e = row[k]; e != nullptr; e = e->row_next)
        {
            int c = e->j;
            if (secondary[c] != 0 || map[c] < 0)
                continue;
            if (map[k] <= map[c])
                R->insertEntry(map[k], map[c], e->value);
            else
                R->insertEntry(map[c], map[k], e->value);
        }
    }
    R->sort();

    // ---- entries touching a secondary row: set, so the value written last stands ---------------
    // Within a row: its column (rows r <= k, diagonal included) first, then its row after the
    // diagonal, skipping secondary columns, whose own turn writes those entries.
    for (int k = 0; k < n; k++)
    {
        if (secondary[k] == 0 || map[k] < 0)
            continue;
        for (Entry* e = col[k]; e != nullptr; e = e->col_next)
        {
            if (map[e->i] >= 0)
                R->modifyEntry(map[k], map[e->i], e->value);
        }
        Entry* e = row[k];
        if (e != nullptr && e->j == k)
            e = e->row_next;
        for (; e != nullptr; e = e->row_next)
        {
            int c = e->j;
            if (secondary[c] == 0 && map[c] >= 0)
                R->modifyEntry(map[k], map[c], e->value);
        }
    }

    free(secondary);
    return R;
}
