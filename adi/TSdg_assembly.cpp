// adi/TSdg_assembly.cpp: the right-hand sides and rows of the nodes of a line, run by run
#include "adi/TSdg_assembly.h"

// The kernels here take vectors by value from inline helpers, all inlined into them (flatten).
#pragma GCC diagnostic ignored "-Wpsabi"

#include "adi/TSdg_equations.h"
#include "adi/TSdg_vector.h"

namespace adi
{

// The inner nodes 1..nz-1 of one line of constant (i, j), run by run: nodes k0..run->end-1 share
// the coefficient row run->row (k0: the end of the run before, or 1). T0 points at T[i][j][0], T1p
// at T1[i][j][0], T2p at T2[i][j][0]; S at the source of node (i, j, 0). The right-hand side of
// node k goes to F[k]; its row is left unused (panels that need their rows fill them apart, with
// fill_rows). Within a run the coefficients are the same for every node, so the loops need no
// gathers.
namespace
{

using namespace vector;

// The inner nodes of a line, run by run: F[k] = form(V, k, c, S[k], ..), c the run's row (its 8
// values as V), the last three arguments taking the node's row, which is not kept. A run of four
// nodes or more goes four at a time, its last four overlapping the four before when its length is
// not a multiple of four (those nodes are worked out twice, to the same bits); a shorter run goes
// node by node.
template <typename Form>
inline void runs(const adi::Run* run, const adi::Run* last, const double* S, double* F,
                 const Form& form)
{
    auto node = [&](auto z, int k, const auto* c)
    {
        typedef Nodes<decltype(z)> N;
        decltype(z) a, b, d;
        N::store(F + k, 1, form(z, k, c, N::at(S + k), a, b, d));
    };
    for (int k0 = 1; run < last; k0 = (run++)->end)
    {
        const int k1 = run->end;
        double cr[8]; // the run's row in locals: stores to the outputs cannot touch them
        for (int q = 0; q < 8; q++)
            cr[q] = run->row[q];
        if (k1 - k0 >= 4)
        {
            v4 cv[8];
            for (int q = 0; q < 8; q++)
                cv[q] = splat(cr[q]);
            for (int k = k0; k < k1; k += 4)
                node(v4{}, k + 4 <= k1 ? k : k1 - 4, cv);
        }
        else
            for (int k = k0; k < k1; k++)
                node(0.0, k, cr);
    }
}

} // namespace

// flatten: the helpers above and the forms are inlined, so that they run in the clone's vector
// instructions.
CALEFAX_VECTOR __attribute__((flatten)) void rhs_run_x(const double* __restrict T0, ptrdiff_t si,
                                                       ptrdiff_t sj, const double* __restrict S,
                                                       double sum_x, const adi::Run* run,
                                                       const adi::Run* last, double* __restrict F)
{
    runs(run, last, S, F,
         [&](auto z, int k, const auto* c, auto s, auto& a, auto& b, auto& d)
         { return inner_x(c, t_around<decltype(z)>(T0, k, si, sj), sum_x, s, a, b, d); });
}

CALEFAX_VECTOR __attribute__((flatten)) void rhs_run_y(const double* __restrict T0,
                                                       const double* __restrict T1p, ptrdiff_t si,
                                                       ptrdiff_t sj, const double* __restrict S,
                                                       double ry, double sum_y, const adi::Run* run,
                                                       const adi::Run* last, double* __restrict F)
{
    runs(run, last, S, F,
         [&](auto z, int k, const auto* c, auto s, auto& a, auto& b, auto& d)
         {
             typedef decltype(z) V;
             return inner_y(c, t_around<V>(T0, k, si, sj), t1_around<V>(T1p, k, si), ry, sum_y, s,
                            a, b, d);
         });
}

CALEFAX_VECTOR __attribute__((flatten)) void
rhs_run_z(const double* __restrict T0, const double* __restrict T1p, const double* __restrict T2p,
          ptrdiff_t si, ptrdiff_t sj, const double* __restrict S, double ry, double rz,
          double sum_z, const adi::Run* run, const adi::Run* last, double* __restrict F)
{
    runs(run, last, S, F,
         [&](auto z, int k, const auto* c, auto s, auto& a, auto& b, auto& d)
         {
             typedef decltype(z) V;
             return inner_z(c, t_around<V>(T0, k, si, sj), t1_around<V>(T1p, k, si),
                            t2_around<V>(T2p, k, sj), ry, rz, sum_z, s, a, b, d);
         });
}

// Lines on an outer face of the grid, run by run (TSdg_assembly.h).
CALEFAX_VECTOR void face_run_x(const double* __restrict b, const double* __restrict xm,
                               const double* __restrict ym, const double* __restrict u,
                               const double* __restrict xp, const double* __restrict yp,
                               const double* __restrict S, double tau, int k0, int k1,
                               double* __restrict A, double* __restrict B, double* __restrict C,
                               double* __restrict F)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {xm[k], ym[k], u[k - 1], u[k], xp[k], yp[k], u[k + 1]};
        F[k] = adi::face_x(b, t, tau, S[k], A[k], B[k], C[k]);
    }
}

CALEFAX_VECTOR void face_run_y(const double* __restrict b, const double* __restrict xm,
                               const double* __restrict ym, const double* __restrict u,
                               const double* __restrict xp, const double* __restrict yp,
                               const double* __restrict x1m, const double* __restrict u1,
                               const double* __restrict x1p, const double* __restrict S, double tau,
                               int k0, int k1, double* __restrict A, double* __restrict B,
                               double* __restrict C, double* __restrict F)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {xm[k], ym[k], u[k - 1], u[k], xp[k], yp[k], u[k + 1]};
        adi::Neighbours t1 = {x1m[k], 0.0, 0.0, u1[k], x1p[k], 0.0, 0.0};
        F[k] = adi::face_y(b, t, t1, tau, S[k], A[k], B[k], C[k]);
    }
}

CALEFAX_VECTOR void face_run_z(const double* __restrict b, const double* __restrict xm,
                               const double* __restrict ym, const double* __restrict u,
                               const double* __restrict xp, const double* __restrict yp,
                               const double* __restrict x1m, const double* __restrict u1,
                               const double* __restrict x1p, const double* __restrict y2m,
                               const double* __restrict u2, const double* __restrict y2p,
                               const double* __restrict S, double tau, int k0, int k1, bool matrix,
                               double* __restrict A, double* __restrict B, double* __restrict C,
                               ptrdiff_t os, double* __restrict F)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {xm[k], ym[k], u[k - 1], u[k], xp[k], yp[k], u[k + 1]};
        adi::Neighbours t1 = {x1m[k], 0.0, 0.0, u1[k], x1p[k], 0.0, 0.0};
        adi::Neighbours t2 = {0.0, y2m[k], 0.0, u2[k], 0.0, y2p[k], 0.0};
        double sa, sb, sc;
        F[k] = adi::face_z(b, t, t1, t2, tau, S[k], sa, sb, sc);
        if (matrix)
        {
            A[k * os] = sa;
            B[k * os] = sb;
            C[k * os] = sc;
        }
    }
}

} // namespace adi
