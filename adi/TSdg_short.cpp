// adi/TSdg_short.cpp: whole short lines inside the faces of the grid, in one vector pass each
#include "adi/TSdg_short.h"

// The kernels here take vectors by value from inline helpers, all inlined into them (flatten).
#pragma GCC diagnostic ignored "-Wpsabi"

#include "adi/TSdg_equations.h"
#include "adi/TSdg_vector.h"

namespace adi
{

namespace
{

using namespace vector;

// T round nodes k.. of the line; beyond the line's ends 0.0, as the end nodes' rows expect. The
// values beyond the ends are read all the same (the nodes of the lines before and after it, inside
// the grid), so that the lanes need no branches.
template <typename V>
inline Around<V> line_around(const double* T0, int k, int L, ptrdiff_t si, ptrdiff_t sj)
{
    typedef Nodes<V> N;
    const V zero = V{} * 0.0;
    Around<V> t = t_around<V>(T0, k, si, sj);
    t.zm = N::pick(N::first(k), zero, t.zm);
    t.zp = N::pick(N::last(k, L), zero, t.zp);
    return t;
}

// Nodes k.. (k..k+3, or k alone) of lines q0..q1-1 of the batch, which share the table E, each
// line in turn, so that the table is read once for all of them. Each node's right-hand side and
// row as an inner node (form(.., false, ..)) and, where the nodes hold an end node (Ends), as a
// face node too (form(.., true, ..)), the end nodes keeping the second. make(p) gives the form of
// the line whose node 0 is at p in the node fields.
template <typename V, bool Matrix, bool Ends, typename Make>
inline void shared(const LineBatch& b, int q0, int q1, const double* E, int k, const Make& make)
{
    typedef Nodes<V> N;
    const int L = b.L;
    V r[line_slots];
    for (int s = 0; s < (Ends ? line_slots : 8); s++)
        r[s] = N::at(E + s * L + k);
    for (int q = q0; q < q1; q++)
    {
        const auto form = make(b.at + q * b.step);
        V a, d, c;
        V f = form(r, k, false, a, d, c);
        if (Ends)
        {
            const auto end = N::end(k, L);
            V af, df, cf;
            const V ff = form(r, k, true, af, df, cf);
            f = N::pick(end, ff, f);
            a = N::pick(end, af, a);
            d = N::pick(end, df, d);
            c = N::pick(end, cf, c);
        }
        N::store(b.F + q * b.fs + k, 1, f);
        if (Matrix)
        {
            const ptrdiff_t o = q * b.ao + k * b.os;
            N::store(b.A + o, b.os, a);
            N::store(b.B + o, b.os, d);
            N::store(b.C + o, b.os, c);
        }
    }
}

// The batch's lines, in runs of lines that share a table, vector after vector of four nodes; the
// last vector of a line whose length is not a multiple of four overlaps the one before it (its
// first nodes are worked out twice, to the same bits). Lines of fewer than four nodes go node by
// node.
template <bool Matrix, typename Make> inline void lines(const LineBatch& b, const Make& make)
{
    const int L = b.L;
    for (int q = 0; q < b.n;)
    {
        const double* E = b.line[q * b.span_step].table;
        int q1 = q + 1;
        while (q1 < b.n && b.line[q1 * b.span_step].table == E)
            q1++;
        if (L < 4)
            for (int k = 0; k < L; k++)
                shared<double, Matrix, true>(b, q, q1, E, k, make);
        else
            for (int k0 = 0; k0 < L; k0 += 4)
            {
                const int k = k0 + 4 <= L ? k0 : L - 4;
                if (k == 0 || k + 4 >= L)
                    shared<v4, Matrix, true>(b, q, q1, E, k, make);
                else
                    shared<v4, Matrix, false>(b, q, q1, E, k, make);
            }
        q = q1;
    }
}

template <typename Make> inline void batch(const LineBatch& b, const Make& make)
{
    if (b.matrix)
        lines<true>(b, make);
    else
        lines<false>(b, make);
}

// The three sweeps' forms of a line node, over V = v4 or double: T0, T1p, T2p and S at the line's
// node 0 in T, T1, T2 and the source.
struct FormX
{
    const double *T0, *S;
    int L;
    ptrdiff_t si, sj;
    double tau, sum_x;
    template <typename V> V operator()(const V* r, int k, bool face, V& a, V& b, V& c) const
    {
        const Around<V> t = line_around<V>(T0, k, L, si, sj);
        const V s = Nodes<V>::at(S + k);
        return face ? face_x(r, t, tau, s, a, b, c) : inner_x(r, t, sum_x, s, a, b, c);
    }
};

struct FormY
{
    const double *T0, *T1p, *S;
    int L;
    ptrdiff_t si, sj;
    double tau, ry, sum_y;
    template <typename V> V operator()(const V* r, int k, bool face, V& a, V& b, V& c) const
    {
        typedef Nodes<V> N;
        const Around<V> t = line_around<V>(T0, k, L, si, sj);
        const V s = N::at(S + k);
        const Around<V> t1 = t1_around<V>(T1p, k, si);
        return face ? face_y(r, t, t1, tau, s, a, b, c) : inner_y(r, t, t1, ry, sum_y, s, a, b, c);
    }
};

struct FormZ
{
    const double *T0, *T1p, *T2p, *S;
    int L;
    ptrdiff_t si, sj;
    double tau, ry, rz, sum_z;
    template <typename V> V operator()(const V* r, int k, bool face, V& a, V& b, V& c) const
    {
        typedef Nodes<V> N;
        const Around<V> t = line_around<V>(T0, k, L, si, sj);
        const V s = N::at(S + k);
        const Around<V> t1 = t1_around<V>(T1p, k, si), t2 = t2_around<V>(T2p, k, sj);
        return face ? face_z(r, t, t1, t2, tau, s, a, b, c)
                    : inner_z(r, t, t1, t2, ry, rz, sum_z, s, a, b, c);
    }
};

} // namespace

// flatten: every helper above is inlined, so that it runs in the clone's vector instructions
CALEFAX_VECTOR __attribute__((flatten)) void
short_lines_x(const LineBatch& b, const double* T, const double* S, double tau, double sum_x)
{
    batch(b, [&](ptrdiff_t p) { return FormX{T + p, S + p, b.L, b.si, b.sj, tau, sum_x}; });
}

CALEFAX_VECTOR __attribute__((flatten)) void short_lines_y(const LineBatch& b, const double* T,
                                                           const double* T1, const double* S,
                                                           double tau, double ry, double sum_y)
{
    batch(b, [&](ptrdiff_t p)
          { return FormY{T + p, T1 + p, S + p, b.L, b.si, b.sj, tau, ry, sum_y}; });
}

CALEFAX_VECTOR __attribute__((flatten)) void short_lines_z(const LineBatch& b, const double* T,
                                                           const double* T1, const double* T2,
                                                           const double* S, double tau, double ry,
                                                           double rz, double sum_z)
{
    batch(b, [&](ptrdiff_t p)
          { return FormZ{T + p, T1 + p, T2 + p, S + p, b.L, b.si, b.sj, tau, ry, rz, sum_z}; });
}

} // namespace adi
