// adi/TSdg_sweeps.cpp: panels of independent ADI lines, assembled and solved side by side
#include "adi/TSdg_sweeps.h"

#include "adi/TSdg_equations.h"

#include <cstring>

// The hot loops are compiled twice, for AVX2 and for the baseline, and the loader picks the one
// the processor runs. Vector lanes compute the same IEEE operations in the same order as scalar
// code (no contraction: -ffp-contract=off), so both versions give identical bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define CALEFAX_VECTOR __attribute__((target_clones("avx2", "default")))
#else
#define CALEFAX_VECTOR
#endif

namespace
{

// L independent tridiagonal systems of n rows, row r of lane l at [r*L + l] in a (sub-diagonal),
// b (diagonal) and c (super-diagonal), at [r*fs + l] in f (right-hand side; fs >= L lets f be rows
// of a node field). Gaussian elimination without pivoting, lane by lane exactly as TSdg::Thomas:
// b and f are eliminated in place, then f receives the solution.
CALEFAX_VECTOR void solve_panel(const double* __restrict a, double* __restrict b,
                                const double* __restrict c, double* __restrict f, int n, int L,
                                ptrdiff_t fs)
{
    for (int r = 1; r < n; r++)
    {
        const double* __restrict ar = a + (ptrdiff_t)r * L;
        double* __restrict br = b + (ptrdiff_t)r * L;
        double* __restrict fr = f + r * fs;
        const double* __restrict bp = b + (ptrdiff_t)(r - 1) * L;
        const double* __restrict cp = c + (ptrdiff_t)(r - 1) * L;
        const double* __restrict fp = f + (r - 1) * fs;
        for (int l = 0; l < L; l++)
        {
            // (a*c)/d and (a*g)/d: product, then division, then subtraction
            br[l] = br[l] - (ar[l] * cp[l]) / bp[l];
            fr[l] = fr[l] - (ar[l] * fp[l]) / bp[l];
        }
    }
    double* __restrict fl = f + (n - 1) * fs;
    const double* __restrict bl = b + (ptrdiff_t)(n - 1) * L;
    for (int l = 0; l < L; l++)
        fl[l] = fl[l] / bl[l];
    for (int r = n - 2; r >= 0; r--)
    {
        double* __restrict fr = f + r * fs;
        const double* __restrict fn = f + (r + 1) * fs;
        const double* __restrict br = b + (ptrdiff_t)r * L;
        const double* __restrict cr = c + (ptrdiff_t)r * L;
        for (int l = 0; l < L; l++)
            fr[l] = (fr[l] - cr[l] * fn[l]) / br[l];
    }
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

// Inner nodes k0..k1-1 of one line of constant (i, j) that share the coefficient row cr: T0 points
// at T[i][j][0], T1p at T1[i][j][0], T2p at T2[i][j][0]; S at the source of node (i, j, 0); the
// row of node k is written at A[k*os] ... F[k*os]. With one coefficient row for the whole run the
// loop needs no gathers.
CALEFAX_VECTOR void inner_run_x(const double* __restrict T0, ptrdiff_t si, ptrdiff_t sj,
                                const double* __restrict cr, const double* __restrict S,
                                double sum_x, int k0, int k1,
                                double* __restrict A, double* __restrict B,
                                double* __restrict C, double* __restrict F, ptrdiff_t os)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {T0[k - si], T0[k - sj], T0[k - 1], T0[k],
                             T0[k + si], T0[k + sj], T0[k + 1]};
        F[k * os] = adi::inner_x(cr, t, sum_x, S[k], A[k * os], B[k * os], C[k * os]);
    }
}

CALEFAX_VECTOR void inner_run_y(const double* __restrict T0, const double* __restrict T1p,
                                ptrdiff_t si, ptrdiff_t sj, const double* __restrict cr,
                                const double* __restrict S, double ry, double sum_y, int k0,
                                int k1, double* __restrict A,
                                double* __restrict B, double* __restrict C,
                                double* __restrict F, ptrdiff_t os)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {T0[k - si], T0[k - sj], T0[k - 1], T0[k],
                             T0[k + si], T0[k + sj], T0[k + 1]};
        adi::Neighbours t1 = {T1p[k - si], 0.0, 0.0, T1p[k], T1p[k + si], 0.0, 0.0};
        F[k * os] = adi::inner_y(cr, t, t1, ry, sum_y, S[k], A[k * os], B[k * os], C[k * os]);
    }
}

CALEFAX_VECTOR void inner_run_z(const double* __restrict T0, const double* __restrict T1p,
                                const double* __restrict T2p, ptrdiff_t si, ptrdiff_t sj,
                                const double* __restrict cr, const double* __restrict S,
                                double ry, double rz, double sum_z,
                                int k0, int k1, double* __restrict A, double* __restrict B,
                                double* __restrict C, double* __restrict F, ptrdiff_t os)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {T0[k - si], T0[k - sj], T0[k - 1], T0[k],
                             T0[k + si], T0[k + sj], T0[k + 1]};
        adi::Neighbours t1 = {T1p[k - si], 0.0, 0.0, T1p[k], T1p[k + si], 0.0, 0.0};
        adi::Neighbours t2 = {0.0, T2p[k - sj], 0.0, T2p[k], 0.0, T2p[k + sj], 0.0};
        F[k * os] = adi::inner_z(cr, t, t1, t2, ry, rz, sum_z, S[k], A[k * os], B[k * os],
                                 C[k * os]);
    }
}

// dst[k*rows + j] = src[j*cols + k]: a rows x cols block transposed.
void transpose(const double* __restrict src, double* __restrict dst, int rows, int cols)
{
    const int tile = 16;
    for (int j0 = 0; j0 < rows; j0 += tile)
        for (int k0 = 0; k0 < cols; k0 += tile)
        {
            int j1 = j0 + tile < rows ? j0 + tile : rows;
            int k1 = k0 + tile < cols ? k0 + tile : cols;
            for (int j = j0; j < j1; j++)
                for (int k = k0; k < k1; k++)
                    dst[(ptrdiff_t)k * rows + j] = src[(ptrdiff_t)j * cols + k];
        }
}

} // namespace

namespace adi
{

Sweeps::Sweeps(TSdg& s) : s(s), nx(s.nx), ny(s.ny), nz(s.nz)
{
    sj = nz + 1;
    si = (ptrdiff_t)(ny + 1) * sj;
    size_t nodes = (size_t)(nx + 1) * si;
    int widest = (nx > ny ? nx : ny) + 1;   // rows of an x or y panel
    size_t panel = (size_t)(widest > z_tile ? widest : z_tile) * (nz + 1);
    a = new double[panel];
    b = new double[panel];
    c = new double[panel];
    f = new double[(size_t)z_tile * (nz + 1)];
    row_a = new double[nz + 1];
    row_b = new double[nz + 1];
    src = new double[nodes];
    const double* q = s.power[0][0];
    for (size_t p = 0; p < nodes; p++)
        src[p] = ((q[p] + q[p]) * s.dx) * s.dx / s.k;   // ((q0 + q0)*dx)*dx/k, faces included
    face_row = new const double*[27];
    for (int t = 0; t < 27; t++)
        face_row[t] = s.bc_coef[t];
}

Sweeps::~Sweeps()
{
    delete[] a;
    delete[] b;
    delete[] c;
    delete[] f;
    delete[] row_a;
    delete[] row_b;
    delete[] src;
    delete[] face_row;
}

void Sweeps::step(double tau)
{
    sweep_x(tau);
    sweep_y(tau);
    sweep_z(tau);
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

// Boundary type of node (i, j, k), as TS3D::type_bc computes it.
inline int face_type(int i, int j, int k, int nx, int ny, int nz)
{
    int bx = (i == 0) ? 1 : (i == nx) ? 2 : 0;
    int by = (j == 0) ? 1 : (j == ny) ? 2 : 0;
    int bz = (k == 0) ? 1 : (k == nz) ? 2 : 0;
    return 9 * bx + 3 * by + bz;
}

// Calls run(k, e, row) for each maximal run k..e-1 of the inner range k0..k1-1 of a line whose
// nodes share one coefficient row (layers are blocks, so a line holds a few long runs).
#define FOR_EACH_RUN(id, k0, k1, call)                                                           \
    for (int k = (k0), e; k < (k1); k = e)                                                      \
    {                                                                                           \
        for (e = k + 1; e < (k1) && (id)[e] == (id)[k]; e++)                                    \
            ;                                                                                   \
        const double* row = coef0 + 8 * (ptrdiff_t)(id)[k];                                     \
        call;                                                                                   \
    }

// The nodes of line (i, j) that take a boundary row: every node of a line on an outer face of the
// grid, else the two ends k = 0 and k = nz. inner_k0..inner_k1-1 are the others.
inline void line_range(int i, int j, int nx, int ny, int nz, int& inner_k0, int& inner_k1)
{
    bool face_line = i == 0 || i == nx || j == 0 || j == ny;
    inner_k0 = face_line ? nz + 1 : 1;
    inner_k1 = face_line ? nz + 1 : nz;
}

// ---- x sweep: panel of plane j, lanes k, recurrence over i; solved into the rows of T1 -------
// Each row is eliminated as soon as it is assembled, while it is in the first-level cache; the
// panel keeps only the eliminated diagonals d and the super-diagonals c for the back substitution.
void Sweeps::sweep_x(double tau)
{
    const double sum_x = (s.ry + s.ry) + 1.0 + (s.rz + s.rz);
    const int L = nz + 1;
    const double* coef0 = s.coef[0];
    double* T0 = s.T[0][0];
    double *A = row_a, *B = row_b;
    for (int j = 0; j <= ny; j++)
    {
        double* F0 = s.T1[0][j];   // row i of the panel's right-hand side is T1[i][j][*]
        for (int i = 0; i <= nx; i++)
        {
            ptrdiff_t base = i * si + j * sj;
            double *C = c + (ptrdiff_t)i * L, *F = F0 + i * si;
            int k0, k1;
            line_range(i, j, nx, ny, nz, k0, k1);
            const int* id = s.coef_id[0][0] + base;
            FOR_EACH_RUN(id, k0, k1,
                         inner_run_x(T0 + base, si, sj, row, src + base, sum_x, k, e, A, B, C, F,
                                     1));
            for (int k = 0; k <= nz; k = (k == 0 && k0 < k1) ? k1 : k + 1)
            {
                ptrdiff_t p = base + k;
                Neighbours t = around_flat(T0, p, si, sj, i, j, k, nx, ny, nz);
                F[k] = face_x(face_row[face_type(i, j, k, nx, ny, nz)], t, tau, src[p], A[k],
                              B[k], C[k]);
            }
            double* D = b + (ptrdiff_t)i * L;
            if (i == 0)
                memcpy(D, B, sizeof(double) * L);
            else
                eliminate_row(A, B, C - L, D - L, F - si, D, F, L);
        }
        back_substitute(b, c, F0, nx + 1, L, si);
    }
}

// ---- y sweep: panel of plane i, lanes k, recurrence over j; solved in plane i of T2 ----------
// Rows are eliminated as they are assembled, as in the x sweep.
void Sweeps::sweep_y(double tau)
{
    const double sum_y = (s.ry + 1.0) + (s.rz + s.rz);
    const int L = nz + 1;
    const double* coef0 = s.coef[0];
    double* T0 = s.T[0][0];
    double* T10 = s.T1[0][0];
    double *A = row_a, *B = row_b;
    for (int i = 0; i <= nx; i++)
    {
        double* F0 = s.T2[i][0];   // the panel's right-hand side is plane i of T2
        for (int j = 0; j <= ny; j++)
        {
            ptrdiff_t base = i * si + j * sj;
            double *C = c + (ptrdiff_t)j * L, *F = F0 + j * sj;
            int k0, k1;
            line_range(i, j, nx, ny, nz, k0, k1);
            const int* id = s.coef_id[0][0] + base;
            FOR_EACH_RUN(id, k0, k1,
                         inner_run_y(T0 + base, T10 + base, si, sj, row, src + base, s.ry, sum_y,
                                     k, e, A, B, C, F, 1));
            for (int k = 0; k <= nz; k = (k == 0 && k0 < k1) ? k1 : k + 1)
            {
                ptrdiff_t p = base + k;
                Neighbours t = around_flat(T0, p, si, sj, i, j, k, nx, ny, nz);
                Neighbours t1 = around_flat(T10, p, si, sj, i, j, k, nx, ny, nz);
                F[k] = face_y(face_row[face_type(i, j, k, nx, ny, nz)], t, t1, tau, src[p], A[k],
                              B[k], C[k]);
            }
            double* D = b + (ptrdiff_t)j * L;
            if (j == 0)
                memcpy(D, B, sizeof(double) * L);
            else
                eliminate_row(A, B, C - L, D - L, F - sj, D, F, L);
        }
        back_substitute(b, c, F0, ny + 1, L, sj);
    }
}

// ---- z sweep: lines (i, j) in tiles of z_tile values of j, lanes j, recurrence over k ---------
// Each line is assembled along k as it lies in memory, its rows written straight into the tile's
// lane-contiguous layout [k][lane]; the tile is solved, and its solution transposed into T3. The
// tile stays in the first-level cache.
void Sweeps::sweep_z(double tau)
{
    const double sum_z = (s.ry + 1.0) + s.rz;
    const int Lk = nz + 1;
    const double* coef0 = s.coef[0];
    double* T0 = s.T[0][0];
    double* T10 = s.T1[0][0];
    double* T20 = s.T2[0][0];
    for (int i = 0; i <= nx; i++)
    {
        for (int j0 = 0; j0 <= ny; j0 += z_tile)
        {
            int lanes = ny + 1 - j0 < z_tile ? ny + 1 - j0 : z_tile;
            for (int l = 0; l < lanes; l++)
            {
                int j = j0 + l;
                ptrdiff_t base = i * si + j * sj;
                double *A = a + l, *B = b + l, *C = c + l, *F = f + l;
                int k0, k1;
                line_range(i, j, nx, ny, nz, k0, k1);
                const int* id = s.coef_id[0][0] + base;
                FOR_EACH_RUN(id, k0, k1,
                             inner_run_z(T0 + base, T10 + base, T20 + base, si, sj, row,
                                         src + base, s.ry, s.rz, sum_z, k, e, A, B, C, F, lanes));
                for (int k = 0; k <= nz; k = (k == 0 && k0 < k1) ? k1 : k + 1)
                {
                    ptrdiff_t p = base + k, q = (ptrdiff_t)k * lanes;
                    Neighbours t = around_flat(T0, p, si, sj, i, j, k, nx, ny, nz);
                    Neighbours t1 = around_flat(T10, p, si, sj, i, j, k, nx, ny, nz);
                    Neighbours t2 = around_flat(T20, p, si, sj, i, j, k, nx, ny, nz);
                    F[q] = face_z(face_row[face_type(i, j, k, nx, ny, nz)], t, t1, t2, tau, src[p],
                                  A[q], B[q], C[q]);
                }
            }
            solve_panel(a, b, c, f, Lk, lanes, lanes);
            transpose(f, s.T3[i][j0], Lk, lanes);
        }
        // T = T3 plane by plane, once no later plane reads the plane of T: plane i reads T of
        // planes i-1..i+1, so plane i-1 is free now, and the copy reads T3 while it is in cache.
        if (i > 0)
            memcpy(s.T[i - 1][0], s.T3[i - 1][0], sizeof(double) * (size_t)si);
    }
    memcpy(s.T[nx][0], s.T3[nx][0], sizeof(double) * (size_t)si);
}

#undef FOR_EACH_RUN

} // namespace adi
