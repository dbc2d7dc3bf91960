// adi/TSdg_sweeps.cpp: panels of independent ADI lines, assembled and solved side by side
#include "adi/TSdg_sweeps.h"

#include "adi/TSdg_assembly.h"
#include "adi/TSdg_equations.h"
#include "adi/TSdg_lanes.h"
#include "adi/field_memory.h"

#include <algorithm>
#include <cstring>
#include <new>

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
        src[p] = source_term(q[p]); // faces included
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
                    F[k] =
                        face_x(k == 0 ? line->bottom : line->top, t, tau, S[k], MA[k], B[k], MC[k]);
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
                    F[k] = face_y(k == 0 ? line->bottom : line->top, t, t1, tau, S[k], MA[k], B[k],
                                  MC[k]);
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
                               u2.ym, T20 + base, u2.yp, src + base, tau, k0, r->end, !reuse, A + l,
                               D + l, C + l, lanes, zg + (ptrdiff_t)l * Lk);
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
