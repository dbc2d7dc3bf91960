// adi/TSdg_sweeps.cpp: panels of independent ADI lines, assembled and solved side by side
#include "adi/TSdg_sweeps.h"

#include "adi/TSdg_assembly.h"
#include "adi/TSdg_equations.h"
#include "adi/TSdg_lanes.h"
#include "adi/TSdg_short.h"

#include <algorithm>
#include <cstring>
#include <omp.h>

namespace adi
{

// The y and z sweeps go plane by plane together: plane i of the z sweep reads T2 of plane i only,
// which the y panel of plane i has just solved, and T and T1 of planes i-1..i+1, which that panel
// has just read; so all of it is still in cache.
//
// T = T3 plane by plane, once no later plane reads the plane of T: planes i-1, i, i+1 read T of
// plane i, so a thread copies plane i-1 after solving plane i, while T3 is in cache, except the
// first and last plane of its range, which the threads beside it read; those wait for every
// thread to finish. The range of the field is the smallest and largest value of the threads'
// ranges, and the finite check their sum of zeros (0 unless a value is not finite), so neither
// depends on how the planes were shared.
void Sweeps::step(double tau)
{
    const int nt = (int)work.size();
    for (Work& w : work)
    {
        w.range[0] = w.range[1] = s.T3[0][0][0];
        w.range[2] = 0.0;
    }
#pragma omp parallel num_threads(nt)
    {
        const int t = omp_get_thread_num();
        Work& w = work[t];
        for (const Block& x : w.x_blocks)
            panel<0>(w, x.p0, x.p1, tau, x.reuse);
#pragma omp barrier
        int a, b;
        share(nx + 1, t, nt, a, b);
        for (const Block& y : w.y_blocks)
        {
            panel<1>(w, y.p0, y.p1, tau, y.reuse);
            for (int i = y.p0; i < y.p1; i++)
            {
                plane_z(w, i, tau, i > a && same_i[i]);
                if (i - 1 > a)
                    copy_range(s.T3[i - 1][0], s.T[i - 1][0], si, w.range);
            }
        }
#pragma omp barrier
        if (a < b)
            copy_range(s.T3[a][0], s.T[a][0], si, w.range);
        if (b - 1 > a)
            copy_range(s.T3[b - 1][0], s.T[b - 1][0], si, w.range);
    }
    lo = work[0].range[0];
    hi = work[0].range[1];
    double z = work[0].range[2];
    for (int t = 1; t < nt; t++)
    {
        lo = std::min(lo, work[t].range[0]);
        hi = std::max(hi, work[t].range[1]);
        z = z + work[t].range[2];
    }
    finite = z == 0.0;
}

// ---- x and y sweeps: one panel --------------------------------------------------------------
// x (Axis 0): panel of planes j = p0..p1-1, lanes (j, k), recurrence over i, solved into the rows
// of T1 (T1[i][p0..p1-1][*], one run of memory); y (Axis 1): panel of planes i = p0..p1-1, lanes
// (i, k), recurrence over j, solved in plane i of T2 (one plane), or apart and then copied there.
// Each row is eliminated as soon as it is assembled, while it is in the first-level cache; the
// panel keeps the sub-diagonals, the eliminated diagonals and the super-diagonals, which the next
// panel reuses when its matrix is the same.
template <int Axis> void Sweeps::panel(Work& w, int p0, int p1, double tau, bool reuse)
{
    const bool X = Axis == 0;
    const double sum = X ? (s.ry + s.ry) + 1.0 + (s.rz + s.rz) : (s.ry + 1.0) + (s.rz + s.rz);
    const int L = nz + 1, W = (p1 - p0) * L, last = X ? nx : ny;
    // row r of the right-hand side at F0 + r*rs: in place, or in the y panel of several planes
    const bool apart = !X && p1 - p0 > 1;
    const ptrdiff_t rs = X ? si : apart ? W : sj;
    const double* T0 = s.T[0][0];
    double* F0 = X ? s.T1[0][p0] : apart ? w.yf.data() : s.T2[p0][0];
    double *A0 = X ? w.xa.data() : w.ya.data(), *D0 = X ? w.xd.data() : w.yd.data(),
           *C0 = X ? w.xc.data() : w.yc.data();
    double* B = w.row_b.data();
    const int ahead = 3; // x: rows fetched ahead
    for (int r = 0; r <= last; r++)
    {
        if (X && r + ahead <= nx)
        {
            // The rows of an x panel lie a plane apart: fetch a later row's new data early.
            const ptrdiff_t later = (ptrdiff_t)(r + ahead) * si + p0 * sj;
            const double* yp = p1 - 1 < ny ? T0 + later + sj : T0 + later;
            for (int k = 0; k < W; k += 8)
            {
                __builtin_prefetch(yp + k);
                __builtin_prefetch(src + later + k);
                __builtin_prefetch(F0 + (ptrdiff_t)(r + ahead) * si + k, 1);
            }
        }
        double *A = A0 + (ptrdiff_t)r * W, *D = D0 + (ptrdiff_t)r * W, *C = C0 + (ptrdiff_t)r * W,
               *F = F0 + r * rs;
        // rows of boundary nodes: into the panel, or, when its matrix is kept, into scratch
        // (writing the same values again would only make the panel's cache lines dirty)
        double *MA = reuse ? w.row_a.data() : A, *MC = reuse ? w.row_c.data() : C;
        for (int q = p0, o = 0; q < p1;)
        {
            // short lines inside the faces, as many side by side as there are, in one batch
            int q1 = q;
            while (q1 < p1 && (X ? line(r, q1) : line(q1, r))->table)
                q1++;
            if (q1 > q)
            {
                const LineBatch b{X ? line(r, q) : line(q, r),
                                  X ? 1 : ny + 1,
                                  q1 - q,
                                  L,
                                  X ? r * si + q * sj : q * si + r * sj,
                                  X ? sj : si,
                                  si,
                                  sj,
                                  F + o,
                                  L,
                                  A + o,
                                  B + o,
                                  C + o,
                                  L,
                                  1,
                                  !reuse};
                if (X)
                    short_lines_x(b, T0, src, tau, sum);
                else
                    short_lines_y(b, T0, s.T1[0][0], src, tau, s.ry, sum);
                o += (q1 - q) * L;
                q = q1;
                continue;
            }
            assemble<Axis>(X ? r : q, X ? q : r, tau, sum, reuse, A + o, MA + o, B + o, MC + o,
                           C + o, F + o);
            q++;
            o += L;
        }
        if (r == 0)
        {
            if (!reuse)
                memcpy(D, B, sizeof(double) * W);
        }
        else if (reuse)
            eliminate_rhs(A, D - W, F - rs, F, W);
        else
            eliminate_row(A, B, C - W, D - W, F - rs, D, F, W);
    }
    back_substitute(D0, C0, F0, last + 1, W, rs);
    if (apart)
        for (int q = p0, o = 0; q < p1; q++, o += L)
            for (int r = 0; r <= last; r++)
                memcpy(s.T2[q][r], F0 + r * rs + o, sizeof(double) * L);
}

// Line (i, j) of the x (Axis 0) or y (Axis 1) sweep: right-hand sides into F, diagonals into B,
// the inner rows' sub- and super-diagonals into A and C unless the matrix is kept, the end nodes'
// into MA and MC.
template <int Axis>
void Sweeps::assemble(int i, int j, double tau, double sum, bool kept, double* A, double* MA,
                      double* B, double* MC, double* C, double* F) const
{
    const bool X = Axis == 0;
    const ptrdiff_t base = i * si + j * sj;
    const double* T0 = s.T[0][0];
    const double* T10 = s.T1[0][0];
    const double *t0 = T0 + base, *t10 = T10 + base, *S = src + base;
    const Span* ln = line(i, j);
    auto end_node = [&](int k, const Neighbours& t, const Neighbours& t1)
    {
        const double* b = k == 0 ? ln->bottom : ln->top;
        F[k] = X ? face_x(b, t, tau, S[k], MA[k], B[k], MC[k])
                 : face_y(b, t, t1, tau, S[k], MA[k], B[k], MC[k]);
    };
    if (on_face(i, j, nx, ny))
    {
        Beside u = beside(T0, base, i, j, nx, ny, si, sj, zeros.data());
        Beside u1 = X ? u : beside(T10, base, i, j, nx, ny, si, sj, zeros.data());
        int k0 = 1;
        for (const Run* run = first_run(ln); run < last_run(ln); k0 = (run++)->end)
            if (X)
                face_run_x(run->row, u.xm, u.ym, t0, u.xp, u.yp, S, tau, k0, run->end, MA, B, MC,
                           F);
            else
                face_run_y(run->row, u.xm, u.ym, t0, u.xp, u.yp, u1.xm, t10, u1.xp, S, tau, k0,
                           run->end, MA, B, MC, F);
        for (int k : {0, nz})
            end_node(k, around_flat(T0, base + k, si, sj, i, j, k, nx, ny, nz),
                     X ? Neighbours{} : around_flat(T10, base + k, si, sj, i, j, k, nx, ny, nz));
        return;
    }
    if (X)
        rhs_run_x(t0, si, sj, S, sum, first_run(ln), last_run(ln), F);
    else
        rhs_run_y(t0, t10, si, sj, S, s.ry, sum, first_run(ln), last_run(ln), F);
    if (!kept)
        fill_rows(first_run(ln), last_run(ln),
                  [&](int k, const double* c)
                  {
                      if (X)
                          inner_x(c, Neighbours{}, sum, 0.0, A[k], B[k], C[k]);
                      else
                          inner_y(c, Neighbours{}, Neighbours{}, s.ry, sum, 0.0, A[k], B[k], C[k]);
                  });
    end_node(0, end_around(t0, 0, si, sj, true),
             X ? Neighbours{} : end_around(t10, 0, si, sj, true));
    end_node(nz, end_around(t0, nz, si, sj, false),
             X ? Neighbours{} : end_around(t10, nz, si, sj, false));
}

// ---- z sweep: lines (i, j) in tiles of z_lanes values of j, lanes j, recurrence over k --------
// Each line's right-hand sides are assembled along k as the line lies in memory (zg, [lane][k]),
// then transposed to the lane-contiguous layout [k][lane] (zf), solved there, and transposed
// into T3. The matrix of plane i (za, zd, zc: tile after tile, each [k][lane]) is assembled and
// eliminated only when it differs from plane i-1's. A tile's work space (zg, zf) stays in cache.
void Sweeps::plane_z(Work& w, int i, double tau, bool reuse)
{
    const double sum_z = (s.ry + 1.0) + s.rz;
    const int Lk = nz + 1;
    const double* T0 = s.T[0][0];
    const double* T10 = s.T1[0][0];
    const double* T20 = s.T2[0][0];
    for (int j0 = 0; j0 <= ny; j0 += z_lanes)
    {
        const int lanes = ny + 1 - j0 < z_lanes ? ny + 1 - j0 : z_lanes;
        double *A = w.za.data() + (ptrdiff_t)j0 * Lk, *D = w.zd.data() + (ptrdiff_t)j0 * Lk,
               *C = w.zc.data() + (ptrdiff_t)j0 * Lk;
        double *zg = w.zg.data(), *zf = w.zf.data();
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
        const char flags = tile_flags[(size_t)i * z_tiles + j0 / z_lanes];
        for (int l = 0; l < lanes; l++)
        {
            const int j = j0 + l;
            const ptrdiff_t base = i * si + j * sj;
            const Span* ln = line(i, j);
            if (ln->table)
            {
                // short lines inside the faces, as many side by side as there are, in one batch
                int l1 = l;
                while (l1 < lanes && ln[l1 - l].table)
                    l1++;
                const LineBatch b{
                    ln, 1,     l1 - l, Lk,    base, sj,    si,    sj, zg + (ptrdiff_t)l * Lk,
                    Lk, A + l, D + l,  C + l, 1,    lanes, !reuse};
                short_lines_z(b, T0, T10, T20, src, tau, s.ry, s.rz, sum_z);
                l = l1 - 1;
                continue;
            }
            if (on_face(i, j, nx, ny))
            {
                Beside u = beside(T0, base, i, j, nx, ny, si, sj, zeros.data());
                Beside u1 = beside(T10, base, i, j, nx, ny, si, sj, zeros.data());
                Beside u2 = beside(T20, base, i, j, nx, ny, si, sj, zeros.data());
                int k0 = 1;
                for (const Run* r = first_run(ln); r < last_run(ln); k0 = (r++)->end)
                    face_run_z(r->row, u.xm, u.ym, T0 + base, u.xp, u.yp, u1.xm, T10 + base, u1.xp,
                               u2.ym, T20 + base, u2.yp, src + base, tau, k0, r->end, !reuse, A + l,
                               D + l, C + l, lanes, zg + (ptrdiff_t)l * Lk);
                for (int k : {0, nz})
                {
                    ptrdiff_t p = base + k;
                    boundary(l, k, k == 0 ? ln->bottom : ln->top,
                             around_flat(T0, p, si, sj, i, j, k, nx, ny, nz),
                             around_flat(T10, p, si, sj, i, j, k, nx, ny, nz),
                             around_flat(T20, p, si, sj, i, j, k, nx, ny, nz));
                }
                continue;
            }
            const double *t0 = T0 + base, *t10 = T10 + base, *t20 = T20 + base, *S = src + base;
            double* G = zg + (ptrdiff_t)l * Lk;
            rhs_run_z(t0, t10, t20, si, sj, S, s.ry, s.rz, sum_z, first_run(ln), last_run(ln), G);
            if (!reuse)
                fill_rows(first_run(ln), last_run(ln),
                          [&](int k, const double* c)
                          {
                              const ptrdiff_t q = (ptrdiff_t)k * lanes + l;
                              adi::inner_z(c, Neighbours{}, Neighbours{}, Neighbours{}, s.ry, s.rz,
                                           sum_z, 0.0, A[q], D[q], C[q]);
                          });
        }
        // The end nodes of the lines inside the faces, all together: each is one long chain of
        // additions, and side by side the chains overlap.
        for (int l = 0; l < lanes && !(flags & tile_short); l++)
        {
            const int j = j0 + l;
            const Span* ln = line(i, j);
            if (on_face(i, j, nx, ny) || ln->table)
                continue;
            const ptrdiff_t base = i * si + j * sj, top = base + nz;
            boundary(l, 0, ln->bottom, end_around(T0, base, si, sj, true),
                     end_around(T10, base, si, sj, true), end_around(T20, base, si, sj, true));
            boundary(l, nz, ln->top, end_around(T0, top, si, sj, false),
                     end_around(T10, top, si, sj, false), end_around(T20, top, si, sj, false));
        }
        transpose(zg, zf, lanes, Lk);
        if (!reuse)
            eliminate_diagonals(A, D, C, Lk, lanes);
        // Lines inside the faces with the same runs have the same matrix: then the tile reads it
        // from its first lane only.
        if (flags & tile_shared)
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
