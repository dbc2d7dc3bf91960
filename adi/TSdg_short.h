// adi/TSdg_short.h: whole short lines inside the faces of the grid, in one vector pass each
#ifndef ADI_TSDG_SHORT_H
#define ADI_TSDG_SHORT_H

#include "adi/TSdg_lanes.h"
#include "adi/TSdg_sweeps.h"

#include <cstddef>

// A line inside the x and y faces of a grid with few planes is mostly end nodes: its nodes k = 0
// and k = nz take face rows, the nodes between them coefficient rows, and assembling it run by run
// and end node by end node costs more in start-up than in arithmetic. These kernels take the line
// whole instead: its rows are laid out beforehand in a line table E of 11 slots of L = nz + 1
// values (slot q of node k at E[q*L + k]: the coefficient row {w_xm, .., w_diag} of an inner node
// in slots 0..7, the face row {b_xm, .., b_dz} of an end node in slots 0..10), and the line goes
// four nodes at a time (the last four overlapping the four before when L is not a multiple of four;
// node by node when L < 4). Four nodes that hold an end node are formed both as inner nodes and as
// face nodes, with the very functions of TSdg_equations.h, each node keeping the form its place
// asks for; the others as inner nodes only. So every node gets the bits of the run-by-run assembly,
// and the lanes need no branches.
//
// A kernel takes a batch of such lines, the lines of one row of a panel of the x or y sweep, or of
// a tile of the z sweep. Lines of the batch with the same table go together, four nodes of each in
// turn, so that the table is read once for all of them.
namespace adi
{

// Slots of a line table, for each node of the line.
const int line_slots = 11;

// n short lines side by side, all with line tables, and where their results go.
struct LineBatch
{
    const Span* line;    // line q's span (and its table) at line[q*span_step]
    ptrdiff_t span_step; //   (1: lines along j, ny + 1: lines along i)
    int n, L;            // lines, nodes a line
    ptrdiff_t at, step;  // node 0 of line q at at + q*step in the node fields (T, T1, T2, S)
    ptrdiff_t si, sj;    // strides of i and j in the node fields
    double* F;           // line q's right-hand side of node k at F[q*fs + k]
    ptrdiff_t fs;        //   (the distance between two lines' right-hand sides)
    double *A, *B, *C;   // with `matrix`, its row at [q*ao + k*os] (B: the diagonal)
    ptrdiff_t ao, os;    //   (x and y: ao = L, os = 1; z: ao = 1, os = the tile's lanes)
    bool matrix;         // whether the rows are wanted (the panel's matrix is not kept)
};

void short_lines_x(const LineBatch& b, const double* T, const double* S, double tau, double sum_x);

void short_lines_y(const LineBatch& b, const double* T, const double* T1, const double* S,
                   double tau, double ry, double sum_y);

void short_lines_z(const LineBatch& b, const double* T, const double* T1, const double* T2,
                   const double* S, double tau, double ry, double rz, double sum_z);

} // namespace adi

#endif
