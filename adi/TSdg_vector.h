// adi/TSdg_vector.h: four nodes of a line side by side, for the assembly kernels
#ifndef ADI_TSDG_VECTOR_H
#define ADI_TSDG_VECTOR_H

#include "adi/TSdg_equations.h"

#include <cstddef>
#include <cstring>

// The helpers pass vectors by value; they are always inlined into the vector kernels (flatten), so
// the compiler's warning about the ABI of such calls does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace adi
{
namespace vector
{

// Four nodes of a line side by side. The operations on them are IEEE operations lane by lane, in
// the order the forms of TSdg_equations.h write them, so each lane gets the bits of the scalar
// form (no contraction: -ffp-contract=off).
typedef double v4 __attribute__((vector_size(32)));
typedef long long m4 __attribute__((vector_size(32)));

inline v4 load(const double* p)
{
    v4 v;
    memcpy(&v, p, sizeof v);
    return v;
}

// Nodes k..k+3 (Four: a vector; otherwise node k alone, a double) of the line whose node 0 is at
// T0, with L nodes.
template <typename V> struct Nodes;

template <> struct Nodes<v4>
{
    static const int n = 4;
    static v4 at(const double* p) { return load(p); }
    // lanes that are the line's first node, its last
    static m4 first(int k) { return m4{k, k + 1, k + 2, k + 3} == 0; }
    static m4 last(int k, int L) { return m4{k, k + 1, k + 2, k + 3} == L - 1; }
    static m4 end(int k, int L) { return first(k) | last(k, L); }
    static v4 pick(m4 m, v4 yes, v4 no) { return m ? yes : no; }
    static void store(double* p, ptrdiff_t os, v4 v)
    {
        if (os == 1)
            memcpy(p, &v, sizeof v);
        else
            for (int l = 0; l < 4; l++)
                p[l * os] = v[l];
    }
};

template <> struct Nodes<double>
{
    static const int n = 1;
    static double at(const double* p) { return *p; }
    static bool first(int k) { return k == 0; }
    static bool last(int k, int L) { return k == L - 1; }
    static bool end(int k, int L) { return k == 0 || k == L - 1; }
    static double pick(bool m, double yes, double no) { return m ? yes : no; }
    static void store(double* p, ptrdiff_t, double v) { *p = v; }
};

inline v4 splat(double x)
{
    return v4{x, x, x, x};
}

// T round nodes k.. of a line inside the faces (V: four nodes or one), T0 pointing at its node
// k = 0: x-1, y-1, k-1, the node, x+1, y+1, k+1.
template <typename V> inline Around<V> t_around(const double* T0, int k, ptrdiff_t si, ptrdiff_t sj)
{
    typedef Nodes<V> N;
    return {N::at(T0 + k - si), N::at(T0 + k - sj), N::at(T0 + k - 1), N::at(T0 + k),
            N::at(T0 + k + si), N::at(T0 + k + sj), N::at(T0 + k + 1)};
}

// T1 round the nodes, as the y and z sweeps read it: x-1, the node, x+1.
template <typename V> inline Around<V> t1_around(const double* T1p, int k, ptrdiff_t si)
{
    typedef Nodes<V> N;
    const V zero = V{} * 0.0;
    return {N::at(T1p + k - si), zero, zero, N::at(T1p + k), N::at(T1p + k + si), zero, zero};
}

// T2 round the nodes, as the z sweep reads it: y-1, the node, y+1.
template <typename V> inline Around<V> t2_around(const double* T2p, int k, ptrdiff_t sj)
{
    typedef Nodes<V> N;
    const V zero = V{} * 0.0;
    return {zero, N::at(T2p + k - sj), zero, N::at(T2p + k), zero, N::at(T2p + k + sj), zero};
}

} // namespace vector
} // namespace adi

#pragma GCC diagnostic pop

#endif
