// adi/TSdg_assembly.h: the right-hand sides and rows of the nodes of a line, run by run
#ifndef ADI_TSDG_ASSEMBLY_H
#define ADI_TSDG_ASSEMBLY_H

#include "adi/TSdg_equations.h"
#include "adi/TSdg_lanes.h"
#include "adi/TSdg_sweeps.h"

#include <cstddef>

namespace adi
{

void rhs_run_x(const double* __restrict T0, ptrdiff_t si, ptrdiff_t sj, const double* __restrict S,
               double sum_x, const adi::Run* run, const adi::Run* last, double* __restrict F);

void rhs_run_y(const double* __restrict T0, const double* __restrict T1p, ptrdiff_t si,
               ptrdiff_t sj, const double* __restrict S, double ry, double sum_y,
               const adi::Run* run, const adi::Run* last, double* __restrict F);

void rhs_run_z(const double* __restrict T0, const double* __restrict T1p,
               const double* __restrict T2p, ptrdiff_t si, ptrdiff_t sj, const double* __restrict S,
               double ry, double rz, double sum_z, const adi::Run* run, const adi::Run* last,
               double* __restrict F);

// Nodes k0..k1-1 of a line on an outer face of the grid, all with the face row b. The
// line's own values are u (T), u1 (T1), u2 (T2); the rows beside it (x-1, y-1, x+1, y+1) are
// xm, ym, xp, yp (T), x1m, x1p (T1) and y2m, y2p (T2), each either a row of the field or a row of
// zeros where the line lies on that face, so that the loop needs no branches. The row of node k
// goes to A, B, C at [k*os], its right-hand side to F[k].
void face_run_x(const double* __restrict b, const double* __restrict xm,
                const double* __restrict ym, const double* __restrict u,
                const double* __restrict xp, const double* __restrict yp,
                const double* __restrict S, double tau, int k0, int k1, double* __restrict A,
                double* __restrict B, double* __restrict C, double* __restrict F);

void face_run_y(const double* __restrict b, const double* __restrict xm,
                const double* __restrict ym, const double* __restrict u,
                const double* __restrict xp, const double* __restrict yp,
                const double* __restrict x1m, const double* __restrict u1,
                const double* __restrict x1p, const double* __restrict S, double tau, int k0,
                int k1, double* __restrict A, double* __restrict B, double* __restrict C,
                double* __restrict F);

// The z form writes the rows only with `matrix`.
void face_run_z(const double* __restrict b, const double* __restrict xm,
                const double* __restrict ym, const double* __restrict u,
                const double* __restrict xp, const double* __restrict yp,
                const double* __restrict x1m, const double* __restrict u1,
                const double* __restrict x1p, const double* __restrict y2m,
                const double* __restrict u2, const double* __restrict y2p,
                const double* __restrict S, double tau, int k0, int k1, bool matrix,
                double* __restrict A, double* __restrict B, double* __restrict C, ptrdiff_t os,
                double* __restrict F);

// The rows of the inner nodes of a line, run by run: row(k, c) with c the coefficient row of node
// k. A row does not depend on the temperatures, so a panel that needs its rows (its matrix is not
// kept) fills them here and forms the right-hand sides with the forms above.
template <typename Row> void fill_rows(const Run* run, const Run* last, Row row)
{
    for (int k0 = 1; run < last; k0 = (run++)->end)
        for (int k = k0; k < run->end; k++)
            row(k, run->row);
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

} // namespace adi

#endif
