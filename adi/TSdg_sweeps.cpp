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

// L independent tridiagonal systems of n rows, row r of lane l at [r*L + l]: a sub-diagonal, b
// diagonal, c super-diagonal, f right-hand side. Gaussian elimination without pivoting, lane by
// lane exactly as TSdg::Thomas: b and f are eliminated in place, then f receives the solution.
CALEFAX_VECTOR void solve_panel(const double* __restrict a, double* __restrict b,
                                const double* __restrict c, double* __restrict f, int n, int L)
{
    for (int r = 1; r < n; r++)
    {
        const double* __restrict ar = a + (ptrdiff_t)r * L;
        double* __restrict br = b + (ptrdiff_t)r * L;
        double* __restrict fr = f + (ptrdiff_t)r * L;
        const double* __restrict bp = b + (ptrdiff_t)(r - 1) * L;
        const double* __restrict cp = c + (ptrdiff_t)(r - 1) * L;
        const double* __restrict fp = f + (ptrdiff_t)(r - 1) * L;
        for (int l = 0; l < L; l++)
        {
            // (a*c)/d and (a*g)/d: product, then division, then subtraction
            br[l] = br[l] - (ar[l] * cp[l]) / bp[l];
            fr[l] = fr[l] - (ar[l] * fp[l]) / bp[l];
        }
    }
    double* __restrict fl = f + (ptrdiff_t)(n - 1) * L;
    const double* __restrict bl = b + (ptrdiff_t)(n - 1) * L;
    for (int l = 0; l < L; l++)
        fl[l] = fl[l] / bl[l];
    for (int r = n - 2; r >= 0; r--)
    {
        double* __restrict fr = f + (ptrdiff_t)r * L;
        const double* __restrict fn = f + (ptrdiff_t)(r + 1) * L;
        const double* __restrict br = b + (ptrdiff_t)r * L;
        const double* __restrict cr = c + (ptrdiff_t)r * L;
        for (int l = 0; l < L; l++)
            fr[l] = (fr[l] - cr[l] * fn[l]) / br[l];
    }
}

// Inner nodes k0..k1-1 of one line of constant (i, j) that share the coefficient row cr: T0 points
// at T[i][j][0], T1p at T1[i][j][0], T2p at T2[i][j][0]; S at the source of node (i, j, 0); rows
// written at A[k] ... F[k]. With one row for the whole run the loop needs no gathers.
CALEFAX_VECTOR void inner_run_x(const double* __restrict T0, ptrdiff_t si, ptrdiff_t sj,
                                const double* __restrict cr, const double* __restrict S,
                                double sum_x, int k0, int k1,
                                double* __restrict A, double* __restrict B,
                                double* __restrict C, double* __restrict F)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {T0[k - si], T0[k - sj], T0[k - 1], T0[k],
                             T0[k + si], T0[k + sj], T0[k + 1]};
        F[k] = adi::inner_x(cr, t, sum_x, S[k], A[k], B[k], C[k]);
    }
}

CALEFAX_VECTOR void inner_run_y(const double* __restrict T0, const double* __restrict T1p,
                                ptrdiff_t si, ptrdiff_t sj, const double* __restrict cr,
                                const double* __restrict S, double ry, double sum_y, int k0,
                                int k1, double* __restrict A,
                                double* __restrict B, double* __restrict C,
                                double* __restrict F)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {T0[k - si], T0[k - sj], T0[k - 1], T0[k],
                             T0[k + si], T0[k + sj], T0[k + 1]};
        adi::Neighbours t1 = {T1p[k - si], 0.0, 0.0, T1p[k], T1p[k + si], 0.0, 0.0};
        F[k] = adi::inner_y(cr, t, t1, ry, sum_y, S[k], A[k], B[k], C[k]);
    }
}

CALEFAX_VECTOR void inner_run_z(const double* __restrict T0, const double* __restrict T1p,
                                const double* __restrict T2p, ptrdiff_t si, ptrdiff_t sj,
                                const double* __restrict cr, const double* __restrict S,
                                double ry, double rz, double sum_z,
                                int k0, int k1, double* __restrict A, double* __restrict B,
                                double* __restrict C, double* __restrict F)
{
    for (int k = k0; k < k1; k++)
    {
        adi::Neighbours t = {T0[k - si], T0[k - sj], T0[k - 1], T0[k],
                             T0[k + si], T0[k + sj], T0[k + 1]};
        adi::Neighbours t1 = {T1p[k - si], 0.0, 0.0, T1p[k], T1p[k + si], 0.0, 0.0};
        adi::Neighbours t2 = {0.0, T2p[k - sj], 0.0, T2p[k], 0.0, T2p[k + sj], 0.0};
        F[k] = adi::inner_z(cr, t, t1, t2, ry, rz, sum_z, S[k], A[k], B[k], C[k]);
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
    size_t panel = (size_t)((nx > ny ? nx : ny) + 1) * (nz + 1);
    a = new double[panel];
    b = new double[panel];
    c = new double[panel];
    f = new double[panel];
    w = new double[4 * (size_t)z_tile * (nz + 1)];
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
    delete[] w;
    delete[] src;
    delete[] face_row;
}

void Sweeps::step(double tau)
{
    sweep_x(tau);
    sweep_y(tau);
    sweep_z(tau);
}

// ---- x sweep: panel of plane j, lanes k, recurrence over i -----------------------------------
void Sweeps::sweep_x(double tau)
{
    const double sum_x = (s.ry + s.ry) + 1.0 + (s.rz + s.rz);
    const int L = nz + 1;
    const double* coef0 = s.coef[0];
    for (int j = 0; j <= ny; j++)
    {
        for (int i = 0; i <= nx; i++)
        {
            ptrdiff_t base = i * si + j * sj;
            double *A = a + (ptrdiff_t)i * L, *B = b + (ptrdiff_t)i * L;
            double *C = c + (ptrdiff_t)i * L, *F = f + (ptrdiff_t)i * L;
            bool face_line = i == 0 || i == nx || j == 0 || j == ny;
            int k0 = face_line ? L : 1, k1 = face_line ? L : nz;
            const int* id = s.coef_id[0][0] + base;
            for (int k = k0, e; k < k1; k = e)
            {
                for (e = k + 1; e < k1 && id[e] == id[k]; e++)
                    ;
                inner_run_x(s.T[0][0] + base, si, sj, coef0 + 8 * (ptrdiff_t)id[k], src + base,
                            sum_x, k, e, A, B, C, F);
            }
            for (int k = 0; k <= nz; k++)
            {
                if (k >= k0 && k < k1)
                    continue;
                Neighbours t = around(s.T, i, j, k, nx, ny, nz);
                F[k] = face_x(face_row[s.type_bc(i, j, k)], t, tau, src[base + k], A[k], B[k],
                              C[k]);
            }
        }
        solve_panel(a, b, c, f, nx + 1, L);
        for (int i = 0; i <= nx; i++)
            memcpy(s.T1[i][j], f + (ptrdiff_t)i * L, sizeof(double) * L);
    }
}

// ---- y sweep: panel of plane i, lanes k, recurrence over j -----------------------------------
void Sweeps::sweep_y(double tau)
{
    const double sum_y = (s.ry + 1.0) + (s.rz + s.rz);
    const int L = nz + 1;
    const double* coef0 = s.coef[0];
    for (int i = 0; i <= nx; i++)
    {
        for (int j = 0; j <= ny; j++)
        {
            ptrdiff_t base = i * si + j * sj;
            double *A = a + (ptrdiff_t)j * L, *B = b + (ptrdiff_t)j * L;
            double *C = c + (ptrdiff_t)j * L, *F = f + (ptrdiff_t)j * L;
            bool face_line = i == 0 || i == nx || j == 0 || j == ny;
            int k0 = face_line ? L : 1, k1 = face_line ? L : nz;
            const int* id = s.coef_id[0][0] + base;
            for (int k = k0, e; k < k1; k = e)
            {
                for (e = k + 1; e < k1 && id[e] == id[k]; e++)
                    ;
                inner_run_y(s.T[0][0] + base, s.T1[0][0] + base, si, sj,
                            coef0 + 8 * (ptrdiff_t)id[k], src + base, s.ry, sum_y, k, e, A, B, C,
                            F);
            }
            for (int k = 0; k <= nz; k++)
            {
                if (k >= k0 && k < k1)
                    continue;
                Neighbours t = around(s.T, i, j, k, nx, ny, nz);
                Neighbours t1 = around(s.T1, i, j, k, nx, ny, nz);
                F[k] = face_y(face_row[s.type_bc(i, j, k)], t, t1, tau, src[base + k], A[k],
                              B[k], C[k]);
            }
        }
        solve_panel(a, b, c, f, ny + 1, L);
        memcpy(s.T2[i][0], f, sizeof(double) * (size_t)si);
    }
}

// ---- z sweep: lines (i, j) in tiles of a few j, lanes j, recurrence over k ------------------
// Rows are assembled in node order (each line contiguous along k), then a tile of lines is
// transposed so that its lanes are contiguous for the solve, and the solution is transposed back
// into T3. A tile's arrays stay in the first-level cache.
void Sweeps::sweep_z(double tau)
{
    const double sum_z = (s.ry + 1.0) + s.rz;
    const int Lk = nz + 1;
    const int tile = z_tile;
    const size_t span = (size_t)tile * Lk;
    double *wa = w, *wb = w + span, *wc = w + 2 * span, *wf = w + 3 * span;
    const double* coef0 = s.coef[0];
    for (int i = 0; i <= nx; i++)
    {
        for (int j0 = 0; j0 <= ny; j0 += tile)
        {
            int lanes = ny + 1 - j0 < tile ? ny + 1 - j0 : tile;
            for (int l = 0; l < lanes; l++)
            {
                int j = j0 + l;
                ptrdiff_t base = i * si + j * sj;
                double *A = wa + (ptrdiff_t)l * Lk, *B = wb + (ptrdiff_t)l * Lk;
                double *C = wc + (ptrdiff_t)l * Lk, *F = wf + (ptrdiff_t)l * Lk;
                bool face_line = i == 0 || i == nx || j == 0 || j == ny;
                int k0 = face_line ? Lk : 1, k1 = face_line ? Lk : nz;
                const int* id = s.coef_id[0][0] + base;
                for (int k = k0, e; k < k1; k = e)
                {
                    for (e = k + 1; e < k1 && id[e] == id[k]; e++)
                        ;
                    inner_run_z(s.T[0][0] + base, s.T1[0][0] + base, s.T2[0][0] + base, si, sj,
                                coef0 + 8 * (ptrdiff_t)id[k], src + base, s.ry, s.rz, sum_z, k, e,
                                A, B, C, F);
                }
                for (int k = 0; k <= nz; k++)
                {
                    if (k >= k0 && k < k1)
                        continue;
                    Neighbours t = around(s.T, i, j, k, nx, ny, nz);
                    Neighbours t1 = around(s.T1, i, j, k, nx, ny, nz);
                    Neighbours t2 = around(s.T2, i, j, k, nx, ny, nz);
                    F[k] = face_z(face_row[s.type_bc(i, j, k)], t, t1, t2, tau, src[base + k],
                                  A[k], B[k], C[k]);
                }
            }
            transpose(wa, a, lanes, Lk);
            transpose(wb, b, lanes, Lk);
            transpose(wc, c, lanes, Lk);
            transpose(wf, f, lanes, Lk);
            solve_panel(a, b, c, f, Lk, lanes);
            transpose(f, wf, Lk, lanes);
            memcpy(s.T3[i][j0], wf, sizeof(double) * (size_t)lanes * Lk);
        }
        // T = T3 plane by plane, once no later plane reads the plane of T: plane i reads T of
        // planes i-1..i+1, so plane i-1 is free now, and the copy reads T3 while it is in cache.
        if (i > 0)
            memcpy(s.T[i - 1][0], s.T3[i - 1][0], sizeof(double) * (size_t)si);
    }
    memcpy(s.T[nx][0], s.T3[nx][0], sizeof(double) * (size_t)si);
}

} // namespace adi
