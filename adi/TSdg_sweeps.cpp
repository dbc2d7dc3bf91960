// adi/TSdg_sweeps.cpp: panels of independent ADI lines, assembled and solved side by side
#include "adi/TSdg_sweeps.h"

#include "adi/TSdg_equations.h"
#include "adi/field_memory.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

// The hot loops are compiled three times, for AVX-512, AVX2 and the baseline, and the loader picks
// the one the processor runs. Vector lanes compute the same IEEE operations in the same order as
// scalar code (no contraction: -ffp-contract=off), so all versions give identical bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define CALEFAX_VECTOR __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define CALEFAX_VECTOR
#endif

namespace
{

// dst = src for n values, widening range = {lo, hi, z} to the smallest and largest value copied;
// z gathers v*0.0 of every value, which stays 0 unless a value is infinite or not a number. Four
// lanes side by side, so that the check costs nothing beside the copy's memory traffic.
CALEFAX_VECTOR void copy_range(const double* __restrict src, double* __restrict dst, ptrdiff_t n,
                               double* range)
{
    typedef double v4 __attribute__((vector_size(32)));
    v4 lo = {range[0], range[0], range[0], range[0]}, hi = {range[1], range[1], range[1], range[1]};
    v4 z = {range[2], 0.0, 0.0, 0.0};
    ptrdiff_t p = 0;
    for (; p + 4 <= n; p += 4)
    {
        v4 v;
        memcpy(&v, src + p, sizeof v);
        memcpy(dst + p, &v, sizeof v);
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        z = z + v * 0.0;
    }
    double l = range[0], h = range[1], zz = 0.0;
    for (int q = 0; q < 4; q++)
    {
        l = lo[q] < l ? lo[q] : l;
        h = hi[q] > h ? hi[q] : h;
        zz = zz + z[q];
    }
    for (; p < n; p++)
    {
        double v = src[p];
        dst[p] = v;
        l = v < l ? v : l;
        h = v > h ? v : h;
        zz = zz + v * 0.0;
    }
    range[0] = l;
    range[1] = h;
    range[2] = zz;
}

// Forward elimination of row r (r >= 1) of L side-by-side systems, as TSdg::Thomas does it:
// d = b - (a*c')/d', f = f - (a*f')/d', primes denoting the eliminated row r-1. a, b: in, row r;
// cp, dp, fp: in, row r-1 (eliminated); d: out; f: in/out.
CALEFAX_VECTOR void eliminate_row(const double* __restrict a, const double* __restrict b,
                                  const double* __restrict cp, const double* __restrict dp,
                                  const double* __restrict fp, double* __restrict d,
                                  double* __restrict f, int L)
{
    for (int l = 0; l < L; l++)
    {
        d[l] = b[l] - (a[l] * cp[l]) / dp[l];
        f[l] = f[l] - (a[l] * fp[l]) / dp[l];
    }
}

// The same for the right-hand side alone, when the eliminated diagonals are already known.
CALEFAX_VECTOR void eliminate_rhs(const double* __restrict a, const double* __restrict dp,
                                  const double* __restrict fp, double* __restrict f, int L)
{
    for (int l = 0; l < L; l++)
        f[l] = f[l] - (a[l] * fp[l]) / dp[l];
}

// Eliminated diagonals of L side-by-side systems of n rows, [r*L + l]: b holds the diagonals on
// entry and the eliminated ones on return.
CALEFAX_VECTOR void eliminate_diagonals(const double* __restrict a, double* __restrict b,
                                        const double* __restrict c, int n, int L)
{
    for (int r = 1; r < n; r++)
    {
        const double* __restrict ar = a + (ptrdiff_t)r * L;
        double* __restrict br = b + (ptrdiff_t)r * L;
        const double* __restrict bp = br - L;
        const double* __restrict cp = c + (ptrdiff_t)(r - 1) * L;
        for (int l = 0; l < L; l++)
            br[l] = br[l] - (ar[l] * cp[l]) / bp[l];
    }
}

// Forward elimination of the right-hand sides f of n rows, [r*L + l], with eliminated diagonals d.
CALEFAX_VECTOR void eliminate_rhs_panel(const double* __restrict a, const double* __restrict d,
                                        double* __restrict f, int n, int L)
{
    for (int r = 1; r < n; r++)
    {
        const double* __restrict ar = a + (ptrdiff_t)r * L;
        const double* __restrict dp = d + (ptrdiff_t)(r - 1) * L;
        double* __restrict fr = f + (ptrdiff_t)r * L;
        const double* __restrict fp = fr - L;
        for (int l = 0; l < L; l++)
            fr[l] = fr[l] - (ar[l] * fp[l]) / dp[l];
    }
}

// Back substitution of n eliminated rows: d and c at [r*L + l], f at [r*fs + l]; f receives the
// solution, last row first.
CALEFAX_VECTOR void back_substitute(const double* __restrict d, const double* __restrict c,
                                    double* __restrict f, int n, int L, ptrdiff_t fs)
{
    double* __restrict fl = f + (n - 1) * fs;
    const double* __restrict dl = d + (ptrdiff_t)(n - 1) * L;
    for (int l = 0; l < L; l++)
        fl[l] = fl[l] / dl[l];
    for (int r = n - 2; r >= 0; r--)
    {
        double* __restrict fr = f + r * fs;
        const double* __restrict fn = f + (r + 1) * fs;
        const double* __restrict dr = d + (ptrdiff_t)r * L;
        const double* __restrict cr = c + (ptrdiff_t)r * L;
        for (int l = 0; l < L; l++)
            fr[l] = (fr[l] - cr[l] * fn[l]) / dr[l];
    }
}

// The same two steps for L systems that share one matrix, given by its first lane (a[r*L],
// d[r*L], c[r*L]): a tile of lines with the same runs. Only the right-hand sides are read lane by
// lane; the numbers are those of the lane-by-lane forms.
CALEFAX_VECTOR void solve_shared(const double* __restrict a, const double* __restrict d,
                                 const double* __restrict c, double* __restrict f, int n, int L)
{
    for (int r = 1; r < n; r++)
    {
        const double ar = a[(ptrdiff_t)r * L], dp = d[(ptrdiff_t)(r - 1) * L];
        double* __restrict fr = f + (ptrdiff_t)r * L;
        const double* __restrict fp = fr - L;
        for (int l = 0; l < L; l++)
            fr[l] = fr[l] - (ar * fp[l]) / dp;
    }
    double* __restrict fl = f + (ptrdiff_t)(n - 1) * L;
    const double dl = d[(ptrdiff_t)(n - 1) * L];
    for (int l = 0; l < L; l++)
        fl[l] = fl[l] / dl;
    for (int r = n - 2; r >= 0; r--)
    {
        const double dr = d[(ptrdiff_t)r * L], cr = c[(ptrdiff_t)r * L];
        double* __restrict fr = f + (ptrdiff_t)r * L;
        const double* __restrict fn = fr + L;
        for (int l = 0; l < L; l++)
            fr[l] = (fr[l] - cr * fn[l]) / dr;
    }
}

// The inner nodes 1..nz-1 of one line of constant (i, j), run by run: nodes k0..run->end-1 share
// the coefficient row run->row (k0: the end of the run before, or 1). T0 points at T[i][j][0], T1p
// at T1[i][j][0], T2p at T2[i][j][0]; S at the source of node (i, j, 0). The right-hand side of
// node k goes to F[k]; its row is left unused (panels that need their rows fill them apart, with
// fill_rows). Within a run the coefficients are the same for every node, so the loops need no
// gathers.
#define T_AROUND                                                                                   \
    adi::Neighbours t = {T0[k - si], T0[k - sj], T0[k - 1], T0[k],                                 \
                         T0[k + si], T0[k + sj], T0[k + 1]}
#define T1_AROUND adi::Neighbours t1 = {T1p[k - si], 0.0, 0.0, T1p[k], T1p[k + si], 0.0, 0.0}
#define T2_AROUND adi::Neighbours t2 = {0.0, T2p[k - sj], 0.0, T2p[k], 0.0, T2p[k + sj], 0.0}
CALEFAX_VECTOR void rhs_run_x(const double* __restrict T0, ptrdiff_t si, ptrdiff_t sj,
                              const double* __restrict S, double sum_x, const adi::Run* run,
                              const adi::Run* last, double* __restrict F)
{
    for (int k0 = 1; run < last; k0 = (run++)->end)
    {
        // the run's row in locals: stores to the outputs cannot touch them
        double cr[8];
        for (int q = 0; q < 8; q++)
            cr[q] = run->row[q];
        for (int k = k0, k1 = run->end; k < k1; k++)
        {
            T_AROUND;
            double a, b, c;
            F[k] = adi::inner_x(cr, t, sum_x, S[k], a, b, c);
        }
    }
}

CALEFAX_VECTOR void rhs_run_y(const double* __restrict T0, const double* __restrict T1p,
                              ptrdiff_t si, ptrdiff_t sj, const double* __restrict S, double ry,
                              double sum_y, const adi::Run* run, const adi::Run* last,
                              double* __restrict F)
{
    for (int k0 = 1; run < last; k0 = (run++)->end)
    {
        // the run's row in locals: stores to the outputs cannot touch them
        double cr[8];
        for (int q = 0; q < 8; q++)
            cr[q] = run->row[q];
        for (int k = k0, k1 = run->end; k < k1; k++)
        {
            T_AROUND;
            T1_AROUND;
            double a, b, c;
            F[k] = adi::inner_y(cr, t, t1, ry, sum_y, S[k], a, b, c);
        }
    }
}

CALEFAX_VECTOR void rhs_run_z(const double* __restrict T0, const double* __restrict T1p,
                              const double* __restrict T2p, ptrdiff_t si, ptrdiff_t sj,
                              const double* __restrict S, double ry, double rz, double sum_z,
                              const adi::Run* run, const adi::Run* last, double* __restrict F)
{
    for (int k0 = 1; run < last; k0 = (run++)->end)
    {
        // the run's row in locals: stores to the outputs cannot touch them
        double cr[8];
        for (int q = 0; q < 8; q++)
            cr[q] = run->row[q];
        for (int k = k0, k1 = run->end; k < k1; k++)
        {
            T_AROUND;
            T1_AROUND;
            T2_AROUND;
            double a, b, c;
            F[k] = adi::inner_z(cr, t, t1, t2, ry, rz, sum_z, S[k], a, b, c);
        }
    }
}

// Nodes k0..k1-1 of a line on an outer face of the grid, all with the face row b. The
// line's own values are u (T), u1 (T1), u2 (T2); the rows beside it (x-1, y-1, x+1, y+1) are
// xm, ym, xp, yp (T), x1m, x1p (T1) and y2m, y2p (T2), each either a row of the field or a row of
// zeros where the line lies on that face, so that the loop needs no branches. The row of node k
// goes to A, B, C at [k*os], its right-hand side to F[k].
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

// The z form writes the rows only with `matrix`.
CALEFAX_VECTOR void
face_run_z(const double* __restrict b, const double* __restrict xm, const double* __restrict ym,
           const double* __restrict u, const double* __restrict xp, const double* __restrict yp,
           const double* __restrict x1m, const double* __restrict u1, const double* __restrict x1p,
           const double* __restrict y2m, const double* __restrict u2, const double* __restrict y2p,
           const double* __restrict S, double tau, int k0, int k1, bool matrix,
           double* __restrict A, double* __restrict B, double* __restrict C, ptrdiff_t os,
           double* __restrict F)
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

// The rows of the inner nodes of a line, run by run: row(k, c) with c the coefficient row of node
// k. A row does not depend on the temperatures, so a panel that needs its rows (its matrix is not
// kept) fills them here and forms the right-hand sides with the forms above.
template <typename Row> void fill_rows(const adi::Run* run, const adi::Run* last, Row row)
{
    for (int k0 = 1; run < last; k0 = (run++)->end)
        for (int k = k0; k < run->end; k++)
            row(k, run->row);
}

#undef T_AROUND
#undef T1_AROUND
#undef T2_AROUND

} // namespace

namespace adi
{

// A line lies on an outer face of the grid (every node takes a face row) or inside the x and y
// faces (its two end nodes k = 0 and k = nz take face rows, the others inner rows).
inline bool on_face(int i, int j, int nx, int ny)
{
    return i == 0 || i == nx || j == 0 || j == ny;
}

Sweeps::Sweeps(TSdg& s) : s(s), nx(s.nx), ny(s.ny), nz(s.nz)
{
    sj = nz + 1;
    si = (ptrdiff_t)(ny + 1) * sj;
    size_t nodes = (size_t)(nx + 1) * si;
    size_t L = (size_t)nz + 1;
    xa = new double[(nx + 1) * L];
    xd = new double[(nx + 1) * L];
    xc = new double[(nx + 1) * L];
    ya = new double[(ny + 1) * L];
    yd = new double[(ny + 1) * L];
    yc = new double[(ny + 1) * L];
    za = new double[(ny + 1) * L];
    zd = new double[(ny + 1) * L];
    zc = new double[(ny + 1) * L];
    zg = new double[z_tile * L];
    zf = new double[z_tile * L];
    row_b = new double[L];
    row_a = new double[L];
    row_c = new double[L];
    zeros = new double[L]();
    src = alloc_values<double>(nodes);
    if (!src)
        throw std::bad_alloc();
    const double* q = s.power[0][0];
    for (size_t p = 0; p < nodes; p++)
        src[p] = ((q[p] + q[p]) * s.dx) * s.dx / s.k; // ((q0 + q0)*dx)*dx/k, faces included
    // Runs of nodes 1..nz-1 of each line sharing a row: inner rows of coef for the lines inside
    // the x and y faces, face rows for the lines on them; a line whose runs are those of the line
    // made before it shares its list. The end nodes k = 0 and k = nz always take face rows.
    const double* coef0 = s.coef[0];
    lines.assign((size_t)(nx + 1) * (ny + 1), Span{0, 0, nullptr, nullptr});
    size_t last = 0; // where the list made last begins
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
        {
            const int* id = s.coef_id[i][j];
            const bool face = on_face(i, j, nx, ny);
            size_t begin = runs.size();
            for (int k = 1, e; k < nz; k = e)
            {
                for (e = k + 1; e < nz && id[e] == id[k]; e++)
                    ;
                runs.push_back(Run{e, face ? s.face_row(id[k]) : coef0 + 8 * (ptrdiff_t)id[k]});
            }
            size_t n = runs.size() - begin;
            bool same = begin > 0 && begin - last == n &&
                        std::equal(runs.begin() + begin, runs.end(), runs.begin() + last,
                                   [](const Run& u, const Run& v)
                                   { return u.end == v.end && u.row == v.row; });
            if (same)
                runs.resize(begin);
            else
                last = begin;
            lines[(size_t)i * (ny + 1) + j] =
                Span{(int)last, (int)(last + n), s.face_row(id[0]), s.face_row(id[nz])};
        }

    // A panel's matrix is that of the panel before it when both lie inside the faces of the grid
    // and every node of the two planes, faces included, has the same row. Planes 0 and 1 of each
    // sweep are never alike, so every step assembles its first two panels in full and a reused
    // matrix was always built in the same step.
    const int* id = s.coef_id[0][0];
    same_i = new bool[nx + 1];
    for (int i = 0; i <= nx; i++)
        same_i[i] = i >= 2 && i <= nx - 1 &&
                    memcmp(id + i * si, id + (i - 1) * si, sizeof(int) * (size_t)si) == 0;
    same_j = new bool[ny + 1];
    for (int j = 0; j <= ny; j++)
    {
        same_j[j] = j >= 2 && j <= ny - 1;
        for (int i = 0; same_j[j] && i <= nx; i++)
            same_j[j] = memcmp(id + i * si + j * sj, id + i * si + (j - 1) * sj,
                               sizeof(int) * (size_t)sj) == 0;
    }
}

Sweeps::~Sweeps()
{
    for (double* p : {xa, xd, xc, ya, yd, yc, za, zd, zc, zg, zf, row_b, row_a, row_c, zeros})
        delete[] p;
    free_values(src);
    delete[] same_i;
    delete[] same_j;
}

// The y and z sweeps go plane by plane together: plane i of the z sweep reads T2 of plane i only,
// which the y panel of plane i has just solved, and T and T1 of planes i-1..i+1, which that panel
// has just read; so all of it is still in cache.
void Sweeps::step(double tau)
{
    double range[3] = {s.T3[0][0][0], s.T3[0][0][0], 0.0};
    sweep_x(tau);
    for (int i = 0; i <= nx; i++)
    {
        panel_y(i, tau);
        plane_z(i, tau);
        // T = T3 plane by plane, once no later plane reads the plane of T: planes i and later
        // read T of their own plane and the two beside it, so plane i-1 is free now, and the
        // copy reads T3 while it is in cache.
        if (i > 0)
            copy_range(s.T3[i - 1][0], s.T[i - 1][0], si, range);
    }
    copy_range(s.T3[nx][0], s.T[nx][0], si, range);
    lo = range[0];
    hi = range[1];
    finite = range[2] == 0.0;
}

// Neighbours of node (i, j, k) at flat index p of a field U, 0.0 across the grid's faces.
inline Neighbours around_flat(const double* U, ptrdiff_t p, ptrdiff_t si, ptrdiff_t sj, int i,
                              int j, int k, int nx, int ny, int nz)
{
    Neighbours u;
    u.xm = i > 0 ? U[p - si] : 0.0;
    u.ym = j > 0 ? U[p - sj] : 0.0;
    u.zm = k > 0 ? U[p - 1] : 0.0;
    u.o = U[p];
    u.xp = i < nx ? U[p + si] : 0.0;
    u.yp = j < ny ? U[p + sj] : 0.0;
    u.zp = k < nz ? U[p + 1] : 0.0;
    return u;
}

// Neighbours of an end node of a line inside the x and y faces: k = 0 (bottom) or k = nz, at p.
inline Neighbours end_around(const double* U, ptrdiff_t p, ptrdiff_t si, ptrdiff_t sj, bool bottom)
{
    Neighbours u;
    u.xm = U[p - si];
    u.ym = U[p - sj];
    u.zm = bottom ? 0.0 : U[p - 1];
    u.o = U[p];
    u.xp = U[p + si];
    u.yp = U[p + sj];
    u.zp = bottom ? U[p + 1] : 0.0;
    return u;
}

// The rows of field U beside line (i, j), whose node k = 0 is at base: x-1, y-1, x+1, y+1, or
// the row of zeros where the line lies on that face of the grid.
struct Beside
{
    const double *xm, *ym, *xp, *yp;
};

inline Beside beside(const double* U, ptrdiff_t base, int i, int j, int nx, int ny, ptrdiff_t si,
                     ptrdiff_t sj, const double* zeros)
{
    return {i > 0 ? U + base - si : zeros, j > 0 ? U + base - sj : zeros,
            i < nx ? U + base + si : zeros, j < ny ? U + base + sj : zeros};
}


// ---- x sweep: panel of plane j, lanes k, recurrence over i; solved into the rows of T1 -------
// Each row is eliminated as soon as it is assembled, while it is in the first-level cache; the
// panel keeps the sub-diagonals, the eliminated diagonals and the super-diagonals (xa, xd, xc),
// which the next panel reuses when its matrix is the same.
void Sweeps::sweep_x(double tau)
{
    const double sum_x = (s.ry + s.ry) + 1.0 + (s.rz + s.rz);
    const int ahead = 3; // rows fetched ahead
    const int L = nz + 1;
    const double* T0 = s.T[0][0];
    double* B = row_b;
    for (int j = 0; j <= ny; j++)
    {
        const bool reuse = same_j[j];
        double* F0 = s.T1[0][j]; // row i of the panel's right-hand side is T1[i][j][*]
        for (int i = 0; i <= nx; i++)
        {
            ptrdiff_t base = i * si + j * sj;
            if (i + ahead <= nx)
            {
                // The rows of a panel lie a plane apart: fetch a later row's new data early.
                ptrdiff_t later = base + ahead * si;
                const double* yp = j < ny ? T0 + later + sj : T0 + later;
                for (int k = 0; k < L; k += 8)
                {
                    __builtin_prefetch(yp + k);
                    __builtin_prefetch(src + later + k);
                    __builtin_prefetch(F0 + ahead * si + i * si + k, 1);
                }
            }
            double *A = xa + (ptrdiff_t)i * L, *D = xd + (ptrdiff_t)i * L,
                   *C = xc + (ptrdiff_t)i * L, *F = F0 + i * si;
            const double *t0 = T0 + base, *S = src + base;
            // rows of boundary nodes: into the panel, or, when its matrix is kept, into scratch
            // (writing the same values again would only make the panel's cache lines dirty)
            double *MA = reuse ? row_a : A, *MC = reuse ? row_c : C;
            const Span* line = lines.data() + (ptrdiff_t)i * (ny + 1) + j;
            if (on_face(i, j, nx, ny))
            {
                Beside u = beside(T0, base, i, j, nx, ny, si, sj, zeros);
                int k0 = 1;
                for (const Run* r = first_run(line); r < last_run(line); k0 = (r++)->end)
                    face_run_x(r->row, u.xm, u.ym, t0, u.xp, u.yp, S, tau, k0, r->end, MA, B, MC,
                               F);
                for (int k : {0, nz})
                {
                    Neighbours t = around_flat(T0, base + k, si, sj, i, j, k, nx, ny, nz);
                    F[k] = face_x(k == 0 ? line->bottom : line->top, t, tau, S[k], MA[k], B[k],
                                  MC[k]);
                }
            }
            else
            {
                rhs_run_x(t0, si, sj, S, sum_x, first_run(line), last_run(line), F);
                if (!reuse)
                    fill_rows(first_run(line), last_run(line),
                              [&](int k, const double* c)
                              { adi::inner_x(c, Neighbours{}, sum_x, 0.0, A[k], B[k], C[k]); });
                Neighbours t = end_around(t0, 0, si, sj, true);
                F[0] = face_x(line->bottom, t, tau, S[0], MA[0], B[0], MC[0]);
                t = end_around(t0, nz, si, sj, false);
                F[nz] = face_x(line->top, t, tau, S[nz], MA[nz], B[nz], MC[nz]);
            }
            if (i == 0)
            {
                if (!reuse)
                    memcpy(D, B, sizeof(double) * L);
            }
            else if (reuse)
                eliminate_rhs(A, D - L, F - si, F, L);
            else
                eliminate_row(A, B, C - L, D - L, F - si, D, F, L);
        }
        back_substitute(xd, xc, F0, nx + 1, L, si);
    }
}

// ---- y sweep: panel of plane i, lanes k, recurrence over j; solved in plane i of T2 ----------
// As the x sweep, with the panel's matrix in ya, yd, yc.
void Sweeps::panel_y(int i, double tau)
{
    const double sum_y = (s.ry + 1.0) + (s.rz + s.rz);
    const int L = nz + 1;
    const double* T0 = s.T[0][0];
    const double* T10 = s.T1[0][0];
    double* B = row_b;
    {
        const bool reuse = same_i[i];
        double* F0 = s.T2[i][0]; // the panel's right-hand side is plane i of T2
        for (int j = 0; j <= ny; j++)
        {
            ptrdiff_t base = i * si + j * sj;
            double *A = ya + (ptrdiff_t)j * L, *D = yd + (ptrdiff_t)j * L,
                   *C = yc + (ptrdiff_t)j * L, *F = F0 + j * sj;
            const double *t0 = T0 + base, *t10 = T10 + base, *S = src + base;
            double *MA = reuse ? row_a : A, *MC = reuse ? row_c : C; // as in the x sweep
            const Span* line = lines.data() + (ptrdiff_t)i * (ny + 1) + j;
            if (on_face(i, j, nx, ny))
            {
                Beside u = beside(T0, base, i, j, nx, ny, si, sj, zeros);
                Beside u1 = beside(T10, base, i, j, nx, ny, si, sj, zeros);
                int k0 = 1;
                for (const Run* r = first_run(line); r < last_run(line); k0 = (r++)->end)
                    face_run_y(r->row, u.xm, u.ym, t0, u.xp, u.yp, u1.xm, t10, u1.xp, S, tau, k0,
                               r->end, MA, B, MC, F);
                for (int k : {0, nz})
                {
                    Neighbours t = around_flat(T0, base + k, si, sj, i, j, k, nx, ny, nz);
                    Neighbours t1 = around_flat(T10, base + k, si, sj, i, j, k, nx, ny, nz);
                    F[k] = face_y(k == 0 ? line->bottom : line->top, t, t1, tau, S[k], MA[k],
                                  B[k], MC[k]);
                }
            }
            else
            {
                rhs_run_y(t0, t10, si, sj, S, s.ry, sum_y, first_run(line), last_run(line), F);
                if (!reuse)
                    fill_rows(first_run(line), last_run(line),
                              [&](int k, const double* c) {
                                  adi::inner_y(c, Neighbours{}, Neighbours{}, s.ry, sum_y, 0.0,
                                               A[k], B[k], C[k]);
                              });
                Neighbours t = end_around(t0, 0, si, sj, true);
                Neighbours t1 = end_around(t10, 0, si, sj, true);
                F[0] = face_y(line->bottom, t, t1, tau, S[0], MA[0], B[0], MC[0]);
                t = end_around(t0, nz, si, sj, false);
                t1 = end_around(t10, nz, si, sj, false);
                F[nz] = face_y(line->top, t, t1, tau, S[nz], MA[nz], B[nz], MC[nz]);
            }
            if (j == 0)
            {
                if (!reuse)
                    memcpy(D, B, sizeof(double) * L);
            }
            else if (reuse)
                eliminate_rhs(A, D - L, F - sj, F, L);
            else
                eliminate_row(A, B, C - L, D - L, F - sj, D, F, L);
        }
        back_substitute(yd, yc, F0, ny + 1, L, sj);
    }
}

// dst[k*rows + j] = src[j*cols + k]: a rows x cols block transposed.
static void transpose_scalar(const double* __restrict src, double* __restrict dst, int rows,
                             int cols, int j0, int k0)
{
    for (int j = 0; j < rows; j++)
        for (int k = j < j0 ? k0 : 0; k < cols; k++)
            dst[(ptrdiff_t)k * rows + j] = src[(ptrdiff_t)j * cols + k];
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same in blocks of 4 x 4 held in four registers; the edges that do not fill a block are
// left to the scalar loop. A transpose only moves numbers, so any route gives the same bits.
__attribute__((target("avx2"))) static void
transpose_avx2(const double* __restrict src, double* __restrict dst, int rows, int cols)
{
    const int j4 = rows & ~3, k4 = cols & ~3;
    for (int j = 0; j < j4; j += 4)
    {
        const double* s0 = src + (ptrdiff_t)j * cols;
        for (int k = 0; k < k4; k += 4)
        {
            __m256d r0 = _mm256_loadu_pd(s0 + k), r1 = _mm256_loadu_pd(s0 + cols + k),
                    r2 = _mm256_loadu_pd(s0 + 2 * cols + k),
                    r3 = _mm256_loadu_pd(s0 + 3 * cols + k);
            __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1),
                    t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
            double* d = dst + (ptrdiff_t)k * rows + j;
            _mm256_storeu_pd(d, _mm256_permute2f128_pd(t0, t2, 0x20));
            _mm256_storeu_pd(d + rows, _mm256_permute2f128_pd(t1, t3, 0x20));
            _mm256_storeu_pd(d + 2 * rows, _mm256_permute2f128_pd(t0, t2, 0x31));
            _mm256_storeu_pd(d + 3 * rows, _mm256_permute2f128_pd(t1, t3, 0x31));
        }
    }
    // rows j < j4 from column k4 on, and the rows from j4 on whole
    transpose_scalar(src, dst, rows, cols, j4, k4);
}
#endif

static void transpose(const double* __restrict src, double* __restrict dst, int rows, int cols)
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
    {
        transpose_avx2(src, dst, rows, cols);
        return;
    }
#endif
    transpose_scalar(src, dst, rows, cols, 0, 0);
}

// ---- z sweep: lines (i, j) in tiles of z_tile values of j, lanes j, recurrence over k ---------
// Each line's right-hand sides are assembled along k as the line lies in memory (zg, [lane][k]),
// then transposed to the lane-contiguous layout [k][lane] (zf), solved there, and transposed
// into T3. The matrix of plane i (za, zd, zc: tile after tile, each [k][lane]) is assembled and
// eliminated only when it differs from plane i-1's. A tile's work space (zg, zf) stays in cache.
void Sweeps::plane_z(int i, double tau)
{
    const double sum_z = (s.ry + 1.0) + s.rz;
    const int Lk = nz + 1;
    const double* T0 = s.T[0][0];
    const double* T10 = s.T1[0][0];
    const double* T20 = s.T2[0][0];
    const bool reuse = same_i[i];
    for (int j0 = 0; j0 <= ny; j0 += z_tile)
    {
        const int lanes = ny + 1 - j0 < z_tile ? ny + 1 - j0 : z_tile;
        double *A = za + (ptrdiff_t)j0 * Lk, *D = zd + (ptrdiff_t)j0 * Lk,
               *C = zc + (ptrdiff_t)j0 * Lk;
        // boundary node k of lane l: its right-hand side, and its row unless the matrix is kept
        auto boundary = [&](int l, int k, const double* b, const Neighbours& t,
                            const Neighbours& t1, const Neighbours& t2)
        {
            const ptrdiff_t p = i * si + (j0 + l) * sj + k, q = (ptrdiff_t)k * lanes + l;
            double sa, sb, sc;
            zg[(ptrdiff_t)l * Lk + k] = face_z(b, t, t1, t2, tau, src[p], sa, sb, sc);
            if (!reuse)
            {
                A[q] = sa;
                D[q] = sb;
                C[q] = sc;
            }
        };
        for (int l = 0; l < lanes; l++)
        {
            const int j = j0 + l;
            const ptrdiff_t base = i * si + j * sj;
            const Span* line = lines.data() + (ptrdiff_t)i * (ny + 1) + j;
            if (on_face(i, j, nx, ny))
            {
                Beside u = beside(T0, base, i, j, nx, ny, si, sj, zeros);
                Beside u1 = beside(T10, base, i, j, nx, ny, si, sj, zeros);
                Beside u2 = beside(T20, base, i, j, nx, ny, si, sj, zeros);
                int k0 = 1;
                for (const Run* r = first_run(line); r < last_run(line); k0 = (r++)->end)
                    face_run_z(r->row, u.xm, u.ym, T0 + base, u.xp, u.yp, u1.xm, T10 + base, u1.xp,
                               u2.ym, T20 + base, u2.yp, src + base, tau, k0, r->end, !reuse,
                               A + l, D + l, C + l, lanes, zg + (ptrdiff_t)l * Lk);
                for (int k : {0, nz})
                {
                    ptrdiff_t p = base + k;
                    boundary(l, k, k == 0 ? line->bottom : line->top,
                             around_flat(T0, p, si, sj, i, j, k, nx, ny, nz),
                             around_flat(T10, p, si, sj, i, j, k, nx, ny, nz),
                             around_flat(T20, p, si, sj, i, j, k, nx, ny, nz));
                }
                continue;
            }
            const double *t0 = T0 + base, *t10 = T10 + base, *t20 = T20 + base, *S = src + base;
            double* G = zg + (ptrdiff_t)l * Lk;
            rhs_run_z(t0, t10, t20, si, sj, S, s.ry, s.rz, sum_z, first_run(line), last_run(line),
                      G);
            if (!reuse)
                fill_rows(first_run(line), last_run(line),
                          [&](int k, const double* c)
                          {
                              const ptrdiff_t q = (ptrdiff_t)k * lanes + l;
                              adi::inner_z(c, Neighbours{}, Neighbours{}, Neighbours{}, s.ry, s.rz,
                                           sum_z, 0.0, A[q], D[q], C[q]);
                          });
        }
        // The end nodes of the lines inside the faces, all together: each is one long chain of
        // additions, and side by side the chains overlap.
        for (int l = 0; l < lanes; l++)
        {
            const int j = j0 + l;
            if (on_face(i, j, nx, ny))
                continue;
            const ptrdiff_t base = i * si + j * sj, top = base + nz;
            const Span* line = lines.data() + (ptrdiff_t)i * (ny + 1) + j;
            boundary(l, 0, line->bottom, end_around(T0, base, si, sj, true),
                     end_around(T10, base, si, sj, true), end_around(T20, base, si, sj, true));
            boundary(l, nz, line->top, end_around(T0, top, si, sj, false),
                     end_around(T10, top, si, sj, false), end_around(T20, top, si, sj, false));
        }
        transpose(zg, zf, lanes, Lk);
        if (!reuse)
            eliminate_diagonals(A, D, C, Lk, lanes);
        // Lines inside the faces with the same runs have the same matrix: then the tile reads it
        // from its first lane only.
        bool shared = i > 0 && i < nx && j0 > 0 && j0 + lanes - 1 < ny;
        const Span* first = lines.data() + (ptrdiff_t)i * (ny + 1) + j0;
        for (int l = 1; shared && l < lanes; l++)
            shared = first[l].begin == first->begin && first[l].end == first->end &&
                     first[l].bottom == first->bottom && first[l].top == first->top;
        if (shared)
            solve_shared(A, D, C, zf, Lk, lanes);
        else
        {
            eliminate_rhs_panel(A, D, zf, Lk, lanes);
            back_substitute(D, C, zf, Lk, lanes, lanes);
        }
        transpose(zf, s.T3[i][j0], Lk, lanes);
    }
}

} // namespace adi
