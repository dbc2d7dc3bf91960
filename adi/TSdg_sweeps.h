// adi/TSdg_sweeps.h: the batched x, y and z sweeps of the convection run, with their work space
#ifndef ADI_TSDG_SWEEPS_H
#define ADI_TSDG_SWEEPS_H

#include "adi/TSdg.h"

#include <cstddef>
#include <vector>

namespace adi
{

// The lines of a sweep are independent (a sweep reads T and the earlier sweeps' fields only), so
// the sweeps solve them a panel at a time: all lines of one plane, side by side, their Thomas
// recurrences interleaved across the panel. Every line's arithmetic is exactly that of assembling
// it node by node (TSdg_equations.h) and solving it with TSdg::Thomas, so the results are the same
// to the bit; only the order in which lines are visited, and so how memory is walked, differs.
//   x sweep: the panel of plane j holds the lines (j, k), k = 0..nz, recurring over i (several
//            planes j side by side when the lines along z are short);
//   y sweep: the panel of plane i holds the lines (i, k), recurring over j (several planes i side
//            by side when the lines along z are short, solved in a panel of their own and then
//            copied into T2);
//   z sweep: the lines (i, j) of plane i, in tiles of at most z_tile lines, recurring over k.
// Panels keep rows [r][lane] with the lanes contiguous; the x and y sweeps solve their right-hand
// sides in place in T1 and T2, whose rows are already lane-contiguous. The node fields of the
// solver are single blocks (TSdg), addressed here as flat arrays with strides si = (ny+1)(nz+1),
// sj = nz+1, 1.
//
// What does not change from step to step is worked out once per run (TSdg_sweeps_plan.cpp): the
// source term of each node, the runs of nodes sharing a coefficient row along each line, the line
// tables of lines of at most short_line nodes inside the faces (assembled whole, TSdg_short.h),
// and which panels have the same matrix as the panel before, whose eliminated diagonals are then
// reused (the same numbers, computed once). The y and z sweeps go plane by plane together, so
// that the z sweep finds its data in cache. Work space is made by the constructor; nothing is
// allocated by step().
//
// Threads share a sweep by whole panels: each takes a contiguous range of planes (j for the x
// sweep, i for the y and z sweeps) with work space of its own, and assembles in full the first
// panel of its range. No line's arithmetic depends on which thread solves it, so the field is the
// same to the bit for every number of threads.
struct Run // nodes of a line that share one row
{
    int end;           // the run is k..end-1, k being the end of the run before (or 1)
    const double* row; // their row: a coefficient row inside the faces, a face row on them
};
struct Span
{
    int begin, end;             // a line's runs of nodes 1..nz-1, runs[begin..end-1]
    const double *bottom, *top; // face rows of its end nodes k = 0 and k = nz
    const double* table;        // a short line inside the faces: its line table (TSdg_short.h)
};

class Sweeps
{
public:
    // Allocates the panels of every thread (s.threads of them; 0: every core the process may use)
    // and the per-node source ((q0 + q0)*dx)*dx/k of s; s's coefficients (coef and the face table)
    // must be built, and stay unchanged while the object is used. Throws std::bad_alloc when the
    // memory cannot be had.
    explicit Sweeps(TSdg& s);
    ~Sweeps();
    Sweeps(const Sweeps&) = delete;
    Sweeps& operator=(const Sweeps&) = delete;

    // One time step: T1, T2, T3 from T, then T = T3. tau: the base material's time term.
    void step(double tau);
    // The per-node source term ((q0 + q0)*dx)*dx/k, a node field's shape.
    const double* source() const { return src; }
    // Node p (flat index) gets power density q0: TSdg::power and its source term change, the
    // coefficient rows stay as they are.
    void set_power(ptrdiff_t p, double q0)
    {
        s.power[0][0][p] = q0;
        src[p] = source_term(q0);
    }
    // The threads that share each sweep.
    int threads() const { return (int)work.size(); }

    // Of the field the last step made: its smallest and largest value, and whether every value
    // is finite.
    double lo = 0.0, hi = 0.0;
    bool finite = true;

private:
    // A panel of planes p0..p1-1 side by side, so that short lines still fill the lanes: planes j
    // of the x sweep (their rows T1[i][p0..p1-1][*] are one run of memory), planes i of the y
    // sweep. reuse: its matrix is that of the thread's block before it.
    struct Block
    {
        int p0, p1;
        bool reuse;
    };
    // One thread's work space: each sweep's panel matrix, kept from one panel to the next (sub-
    // diagonals, eliminated diagonals, super-diagonals, [r][lane]), the z tile, the boundary rows.
    struct Work
    {
        std::vector<double> xa, xd, xc; // x sweep: rows i, lanes (j, k) of a block of planes
        std::vector<double> ya, yd, yc; // y sweep: rows j, lanes (i, k) of a block of planes
        std::vector<double> yf;         // y sweep: right-hand sides of a block of several planes
        std::vector<double> za, zd, zc; // z sweep: rows k, lanes j, tile after tile of the plane
        std::vector<double> zg;         // z tile right-hand sides as assembled, [lane][k]
        std::vector<double> zf; // the same transposed, [k][lane]; eliminated, then the solution
        std::vector<double> row_a, row_c; // x, y: boundary rows when a panel's matrix is kept
        std::vector<double> row_b;        // x, y: diagonals of the row being assembled
        double range[3];                  // lo, hi and the finite check of the planes copied
        std::vector<Block> x_blocks;      // the thread's panels of the x sweep
        std::vector<Block> y_blocks;      // and of the y sweep
    };

    // A line lies on an outer face of the grid (every node takes a face row) or inside the x and
    // y faces (its two end nodes k = 0 and k = nz take face rows, the others inner rows).
    static bool on_face(int i, int j, int nx, int ny)
    {
        return i == 0 || i == nx || j == 0 || j == ny;
    }
    // The range [a, b) of n planes that thread t of nt takes: contiguous, sizes differing by one
    // at most.
    static void share(int n, int t, int nt, int& a, int& b)
    {
        a = (int)((long long)n * t / nt);
        b = (int)((long long)n * (t + 1) / nt);
    }

    TSdg& s;
    double source_term(double q0) const { return ((q0 + q0) * s.dx) * s.dx / s.k; }
    int nx, ny, nz;
    ptrdiff_t si, sj;             // strides of i and j in a node field
    static const int z_tile = 32; // z lines solved side by side
    std::vector<Work> work;       // one per thread
    std::vector<double> zeros;    // nz+1 zeros: the values beyond a face of the grid
    double* src;                  // per-node source term, a node field's shape
    std::vector<Run> runs;      // the run lists of the lines, lines with the same runs sharing one
    std::vector<Span> lines;    // line (i, j) at i*(ny+1) + j
    std::vector<char> same_i;   // plane i's y and z matrices are those of plane i-1
    std::vector<double> tables; // line tables of the short lines, lines with the same rows sharing
    // Lines of at most short_line nodes inside the faces are taken whole (TSdg_short.h), with
    // line tables of at most table_values values in all.
    static const int short_line = 16;
    static const size_t table_values = (size_t)1 << 21;
    void make_tables();
    int z_lanes; // z lines per tile: the plane's lines in tiles of equal size
    int z_tiles; // tiles a plane
    // tile t of plane i at i*z_tiles + t: tile_short (its lines inside the faces are all short
    // lines) | tile_shared (its lines all have the one matrix)
    std::vector<char> tile_flags;
    static const char tile_short = 1, tile_shared = 2;

    const Span* line(int i, int j) const { return lines.data() + (ptrdiff_t)i * (ny + 1) + j; }
    const Run* first_run(const Span* l) const { return runs.data() + l->begin; }
    const Run* last_run(const Span* l) const { return runs.data() + l->end; }

    // x sweep (Axis 0): the panel of planes j = p0..p1-1, rows i; y sweep (Axis 1): the panel of
    // planes i = p0..p1-1, rows j. reuse: the panel's matrix is the one this thread's panel
    // before left.
    template <int Axis> void panel(Work& w, int p0, int p1, double tau, bool reuse);
    template <int Axis>
    void assemble(int i, int j, double tau, double sum, bool kept, double* A, double* MA, double* B,
                  double* MC, double* C, double* F) const;
    // Thread t's blocks of m planes j (x sweep, Axis 0) or i (y sweep, Axis 1) from its share of
    // the planes.
    template <int Axis> std::vector<Block> blocks(int t, int m) const;
    // z sweep, plane i; reuse as above.
    void plane_z(Work& w, int i, double tau, bool reuse);
};

} // namespace adi

#endif
