// sparse/chol_complete.cpp: the complete Cholesky factor, formed a few rows at a time
//
// Row i of U is w = A(i, :) minus, for each row k < i of U holding a (k, i) entry d and in
// increasing k, d*d at column i and d*U(k, j) at every column j > i of row k; then
// U(i, i) = sqrt(w[i]) and U(i, j) = w[j] / U(i, i) wherever w[j] is not exactly 0.0.
//
// The rows are formed in groups of up to LANES consecutive rows r0..r1 that follow each other in
// the elimination tree (parent(r) = r + 1). Such rows are updated by mostly the same rows k, so
// one pass along row k serves the whole group instead of one pass per row: the group's
// accumulators are interleaved, W[j*g + l] being w[j] of row r0 + l (g rows, lanes 0..g-1).
// Consecutive rows k whose entries beyond the group lie in the same columns (rows of one
// supernode) share their pass too, up to RUN of them: each accumulator is then loaded once and
// takes their subtractions one after the other. Every accumulator still takes exactly the
// subtractions of its own row, in increasing k: first those of the rows k < r0, then those of
// the rows of the group before it, each applied as soon as it is finished.
//
// A lane whose row does not hold (k, r) has the multiplier 0.0 in the pass along row k;
// w - 0.0*u is w exactly when u is finite (w is never -0.0: it starts at +0.0, A stores no
// zeros, and x - y is -0.0 only for x = -0.0), so a pass applies a span of lanes at once when
// row k's values are all finite, and otherwise only the lanes that row k reaches, one at a time.
//
// Row i's columns come from the structure of the complete factor, which holds every column an
// update can reach; a column whose updates cancelled to exactly 0.0, or that none reached, holds
// 0.0 and is not stored. W is 0.0 everywhere between groups.
#include "sparse/chol_work.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{

const int LANES = 16; // most rows in a group
const int RUN = 4;    // most updating rows in one shared pass

// Two lanes of doubles: each operation is the IEEE operation on either lane, so a pair of
// multiplications and subtractions gives the values of the two scalar ones.
typedef double Pair __attribute__((vector_size(16)));

// The pass of one row k of U over lanes a..a+width-1 of a group of g: w[j*g + l] -= D[l]*U(k, j)
// for the entries q..end-1 of row k (columns beyond the group), W and D starting at lane a; the
// lanes two by two.
template <int width>
void update_lanes(double* W, int g, const int* Uj, const double* Ux, int q, int end,
                  const double* D)
{
    Pair d[width / 2 + 1];
    for (int v = 0; v < width / 2; v++)
        d[v] = Pair{D[2 * v], D[2 * v + 1]};
    double d_last = D[width - 1];
    for (; q < end; q++)
    {
        double u = Ux[q];
        Pair uu = {u, u};
        double* w = W + (long)Uj[q] * g;
        for (int v = 0; v < width / 2; v++)
        {
            Pair x;
            memcpy(&x, w + 2 * v, sizeof x);
            x = x - d[v] * uu;
            memcpy(w + 2 * v, &x, sizeof x);
        }
        if (width % 2 == 1)
            w[width - 1] = w[width - 1] - d_last * u;
    }
}

// The passes of rows k_1 < ... < k_nr of U (nr <= RUN) whose entries beyond the group lie in the
// same columns: for each column, w[j*g + l] -= D[c][l]*U(k_c, j) for c = 1..nr in turn, so that
// each accumulator takes the subtractions in the order of k and is loaded and stored once.
template <int width>
void update_lanes_run(double* W, int g, const int* Uj, const double* const* Ux, int nr, int len,
                      const double (*D)[LANES])
{
    Pair d[RUN][width / 2 + 1];
    for (int c = 0; c < nr; c++)
        for (int v = 0; v < width / 2; v++)
            d[c][v] = Pair{D[c][2 * v], D[c][2 * v + 1]};
    for (int t = 0; t < len; t++)
    {
        double* w = W + (long)Uj[t] * g;
        Pair x[width / 2 + 1];
        for (int v = 0; v < width / 2; v++)
            memcpy(&x[v], w + 2 * v, sizeof(Pair));
        double x_last = w[width - 1];
        for (int c = 0; c < nr; c++)
        {
            double u = Ux[c][t];
            Pair uu = {u, u};
            for (int v = 0; v < width / 2; v++)
                x[v] = x[v] - d[c][v] * uu;
            if (width % 2 == 1)
                x_last = x_last - D[c][width - 1] * u;
        }
        for (int v = 0; v < width / 2; v++)
            memcpy(w + 2 * v, &x[v], sizeof(Pair));
        if (width % 2 == 1)
            w[width - 1] = x_last;
    }
}

// Row k of U on the group of g rows from r0, from its position q on (its first entry in a
// column >= r0): its entries in the group's columns give the multipliers D[c - r0] (D: LANES
// values, 0.0 on entry) and update the lanes before column c that they reach (and lane c - r0
// itself: d*d at its diagonal). Returns the position of its first entry beyond the group (or
// end); *reached: the number of lanes reached.
int apply_in_group(double* W, int g, int r0, const int* Uj, const double* Ux, int q, int end,
                   double* D, int* reached)
{
    int r1 = r0 + g - 1;
    *reached = 0;
    for (; q < end && Uj[q] <= r1; q++)
    {
        int c = Uj[q];
        double u = Ux[q];
        D[c - r0] = u; // a stored value is never 0.0, so D[l] != 0.0 marks a lane reached
        ++*reached;
        double* w = W + (long)c * g;
        for (int l = 0; l <= c - r0; l++)
            if (D[l] != 0.0)
                w[l] = w[l] - D[l] * u;
    }
    return q;
}

// The lanes first..last of D that are not 0.0 outside them.
void lane_span(const double* D, int g, int* first, int* last)
{
    *first = 0;
    *last = g - 1;
    while (*first < g - 1 && D[*first] == 0.0)
        ++*first;
    while (*last > 0 && D[*last] == 0.0)
        --*last;
}

// The entries q..end-1 of a row of U (columns beyond the group) on every lane it reached, with
// the multipliers D of apply_in_group: the lanes first..last at once when the row's values are
// finite or it reached all of them, else lane by lane.
void apply_beyond(double* W, int g, const int* Uj, const double* Ux, int q, int end,
                  const double* D, int reached, bool finite)
{
    if (q == end || reached == 0)
        return;
    int first, last;
    lane_span(D, g, &first, &last);
    if (reached == last - first + 1 || finite)
    {
        typedef void (*Kernel)(double*, int, const int*, const double*, int, int, const double*);
        static const Kernel kernel[LANES + 1] = {
            nullptr,          update_lanes<1>,  update_lanes<2>,  update_lanes<3>,
            update_lanes<4>,  update_lanes<5>,  update_lanes<6>,  update_lanes<7>,
            update_lanes<8>,  update_lanes<9>,  update_lanes<10>, update_lanes<11>,
            update_lanes<12>, update_lanes<13>, update_lanes<14>, update_lanes<15>,
            update_lanes<16>};
        kernel[last - first + 1](W + first, g, Uj, Ux, q, end, D + first);
        return;
    }
    for (int l = first; l <= last; l++)
        if (D[l] != 0.0)
            for (int t = q; t < end; t++)
                W[(long)Uj[t] * g + l] = W[(long)Uj[t] * g + l] - D[l] * Ux[t];
}

// nr rows of U with finite values whose entries beyond the group, from q[c] on, lie in the same
// len columns, on the lanes any of them reached, in one pass.
void apply_beyond_run(double* W, int g, const int* Uj, const double* Ux, const int* q, int nr,
                      int len, const double (*D)[LANES])
{
    double any[LANES];
    for (int l = 0; l < g; l++)
    {
        any[l] = 0.0;
        for (int c = 0; c < nr; c++)
            any[l] = any[l] != 0.0 ? any[l] : D[c][l];
    }
    int first, last;
    lane_span(any, g, &first, &last);
    const double* x[RUN];
    double Ds[RUN][LANES];
    for (int c = 0; c < nr; c++)
    {
        x[c] = Ux + q[c];
        for (int l = first; l <= last; l++)
            Ds[c][l - first] = D[c][l];
    }
    typedef void (*Kernel)(double*, int, const int*, const double* const*, int, int,
                           const double(*)[LANES]);
    // clang-format off
    static const Kernel kernel[LANES + 1] = {
        nullptr,              update_lanes_run<1>,  update_lanes_run<2>,  update_lanes_run<3>,
        update_lanes_run<4>,  update_lanes_run<5>,  update_lanes_run<6>,  update_lanes_run<7>,
        update_lanes_run<8>,  update_lanes_run<9>,  update_lanes_run<10>, update_lanes_run<11>,
        update_lanes_run<12>, update_lanes_run<13>, update_lanes_run<14>, update_lanes_run<15>,
        update_lanes_run<16>};
    // clang-format on
    kernel[last - first + 1](W + first, g, Uj + q[0], x, nr, len, Ds);
}

// Row k of U applied to the group: apply_in_group, then apply_beyond; returns the position of
// its first entry beyond the group.
int apply_row(double* W, int g, int r0, const int* Uj, const double* Ux, int q, int end,
              bool finite)
{
    double D[LANES] = {};
    int reached;
    q = apply_in_group(W, g, r0, Uj, Ux, q, end, D, &reached);
    apply_beyond(W, g, Uj, Ux, q, end, D, reached, finite);
    return q;
}

} // namespace

// Work arrays:
//   W            the group's accumulators, n*LANES doubles, 0.0 outside the group's work
//   cur[k]       the position of row k's first entry in a column not yet formed, once row k is
//                made: the rows that update a group are those whose cursor lies in its columns
//   waiting[c]   the rows whose cursor lies in column c: waiting[c], next_waiting[that row],
//                ... until -1 (George and Liu's link lists)
//   up[0..nu-1]  the rows that update the group, as (cursor << 32 | row), sorted
//   finite[k]    row k of U holds only finite values
//   whole[k]     row k of U holds every column of its structure (no update cancelled)
//   snode[k]     the first row of the fundamental supernode of the structure that holds row k
int factor_complete(SSMat* A, const FactorStructure& S, RowFactor& U, double* pivot)
{
    int n = A->n;
    int m = n > 0 ? n : 1;
    double* W = (double*)calloc((size_t)m * LANES, sizeof(double));
    int* cur = (int*)malloc(m * sizeof(int));
    int* waiting = (int*)malloc(m * sizeof(int));
    int* next_waiting = (int*)malloc(m * sizeof(int));
    uint64_t* up = (uint64_t*)malloc(m * sizeof(uint64_t));
    bool* finite = (bool*)malloc(m);
    bool* whole = (bool*)malloc(m);
    int* snode = (int*)malloc(m * sizeof(int));
    for (int c = 0; c < n; c++)
        waiting[c] = -1;
    // rows r-1 and r of one fundamental supernode: S(r-1) = {r} and S(r), so that two rows of
    // one supernode have the same columns beyond both
    for (int r = 0; r < n; r++)
        snode[r] =
            r > 0 && S.parent[r - 1] == r && S.Sp[r] - S.Sp[r - 1] == S.Sp[r + 1] - S.Sp[r] + 1
                ? snode[r - 1]
                : r;
    // row k's cursor moves to position p, and row k waits for the column there
    auto wait_at = [&](int k, int p)
    {
        cur[k] = p;
        if (p < U.Up[k + 1])
        {
            int c = U.Uj[p];
            next_waiting[k] = waiting[c];
            waiting[c] = k;
        }
    };
    U.Up[0] = 0;
    int failed = -1;

    for (int r0 = 0; r0 < n && failed < 0;)
    {
        int g = 1;
        while (g < LANES && r0 + g < n && S.parent[r0 + g - 1] == r0 + g)
            g++;
        int r1 = r0 + g - 1;

        // ---- scatter rows r0..r1 of A (columns >= the row) ----------------------------------
        for (int l = 0; l < g; l++)
            for (SSMat::Entry* e = A->row[r0 + l]; e != nullptr; e = e->row_next)
                if (e->j >= r0 + l)
                    W[(long)e->j * g + l] = e->value;

        // ---- the rows k < r0 that update the group, in increasing k -------------------------
        int nu = 0;
        for (int c = r0; c <= r1; c++)
        {
            for (int k = waiting[c]; k != -1; k = next_waiting[k])
                up[nu++] = (uint64_t)cur[k] << 32 | (uint64_t)k;
            waiting[c] = -1;
        }
        std::sort(up, up + nu); // by position, which orders the rows
        for (int s = 0; s < nu;)
        {
            if (s + 4 < nu)
            {
                int p4 = (int)(up[s + 4] >> 32);
                __builtin_prefetch(&U.Uj[p4]);
                __builtin_prefetch(&U.Ux[p4]);
                __builtin_prefetch(&U.Up[(up[s + 4] & 0xffffffffu) + 1]);
            }
            // take rows while each joins the run of rows with finite values whose entries beyond
            // the group lie in the same columns as the first one's; the first that does not join
            // ends the run and is applied on its own after it
            double D[RUN][LANES] = {};
            int k[RUN], end[RUN], q[RUN], reached[RUN];
            int taken = 0, run = 0;
            while (s < nu && taken == run && taken < RUN)
            {
                int t = taken++;
                k[t] = (int)(up[s] & 0xffffffffu);
                end[t] = U.Up[k[t] + 1];
                q[t] = apply_in_group(W, g, r0, U.Uj, U.Ux, (int)(up[s++] >> 32), end[t], D[t],
                                      &reached[t]);
                int len = end[t] - q[t];
                if (finite[k[t]] && reached[t] > 0 && len > 0 &&
                    (t == 0 || (len == end[0] - q[0] &&
                                ((whole[k[0]] && whole[k[t]] && snode[k[0]] == snode[k[t]]) ||
                                 memcmp(U.Uj + q[0], U.Uj + q[t], len * sizeof(int)) == 0))))
                    run++;
            }
            if (run >= 2)
                apply_beyond_run(W, g, U.Uj, U.Ux, q, run, end[0] - q[0], D);
            for (int t = run >= 2 ? run : 0; t < taken; t++)
                apply_beyond(W, g, U.Uj, U.Ux, q[t], end[t], D[t], reached[t], finite[k[t]]);
            for (int t = 0; t < taken; t++)
                wait_at(k[t], q[t]);
        }

        // ---- rows r0..r1 in order: pivot, entries, then the row's updates of the later lanes --
        for (int r = r0; r <= r1; r++)
        {
            int l = r - r0;
            double piv = W[(long)r * g + l];
            W[(long)r * g + l] = 0.0;
            if (!(piv > 0.0))
            {
                *pivot = piv;
                failed = r;
                break;
            }
            piv = sqrt(piv);
            U.Uj[U.nnz] = r;
            U.Ux[U.nnz++] = piv;
            bool all_finite = std::isfinite(piv);
            for (long s = S.Sp[r]; s < S.Sp[r + 1]; s++)
            {
                int j = S.Sj[s];
                double v = W[(long)j * g + l];
                W[(long)j * g + l] = 0.0;
                if (v != 0.0)
                {
                    double d = v / piv;
                    if (d != 0.0)
                    {
                        U.Uj[U.nnz] = j;
                        U.Ux[U.nnz++] = d;
                        all_finite = all_finite && std::isfinite(d);
                    }
                }
            }
            U.Up[r + 1] = U.nnz;
            finite[r] = all_finite;
            whole[r] = U.Up[r + 1] - U.Up[r] - 1 == S.Sp[r + 1] - S.Sp[r];
            wait_at(r, apply_row(W, g, r0, U.Uj, U.Ux, U.Up[r] + 1, U.Up[r + 1], all_finite));
        }
        r0 = r1 + 1;
    }

    free(W);
    free(cur);
    free(waiting);
    free(next_waiting);
    free(up);
    free(finite);
    free(whole);
    free(snode);
    return failed;
}
