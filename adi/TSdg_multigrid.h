// adi/TSdg_multigrid.h: a symmetric 7-point operator on a box of nodes, and the multigrid cycle
// with z-line relaxation that preconditions the steady solve
#ifndef ADI_TSDG_MULTIGRID_H
#define ADI_TSDG_MULTIGRID_H

#include <cstddef>
#include <memory>
#include <vector>

namespace adi
{

// A symmetric operator on mx x my x mz unknowns, laid out as the node fields of TSdg (k fastest,
// then j, then i; p = (i*my + j)*mz + k):
//   (A u)_p = d_p u_p - sum over the six neighbours q of w_pq u_q,
// with w between p and its +x neighbour in ex[p], +y in ey[p], +z in ez[p] (0 on the last plane
// of that axis). Links are >= 0 and d_p is at least the sum of p's links.
struct Stencil
{
    int mx = 0, my = 0, mz = 0;
    std::vector<double> d, ex, ey, ez;

    void resize(int x, int y, int z);
    size_t size() const { return (size_t)mx * my * mz; }
    ptrdiff_t si() const { return (ptrdiff_t)my * mz; }
    ptrdiff_t sj() const { return mz; }
    // y = A x
    void apply(const double* x, double* y) const;
    // Sum of the six link weights of node p = (i, j, k): its own +x, +y, +z links and the -x, -y,
    // -z links stored at its neighbours below.
    double links(ptrdiff_t p, int i, int j, int k) const
    {
        double s = ex[p] + ey[p] + ez[p];
        if (i > 0)
            s += ex[p - si()];
        if (j > 0)
            s += ey[p - sj()];
        if (k > 0)
            s += ez[p - 1];
        return s;
    }
};

// One symmetric V-cycle as a preconditioner of a Stencil operator whose z links are the strong
// ones (thin layers: dz much below dx and dy). Relaxation solves whole z lines at once (Thomas,
// factors kept), line by line in lexicographic order of (i, j) on the way down and in the reverse
// order on the way up, so that the cycle is symmetric. Coarse levels join 2 x 2 z lines (3 at an
// odd end) into one, keeping every k; a coarse link is the sum of the fine links it replaces,
// divided along x and y by the distance of the coarse nodes in fine spacings, so that a coarse
// level conducts as the fine one does; a node's loss to the ambient (d_p minus its links) is
// summed. The coarsest level is one z line, solved exactly. With positive losses every level is
// positive definite, so the cycle is a symmetric positive definite preconditioner for conjugate
// gradients.
class LineMultigrid
{
public:
    // fine must outlive the object and stay unchanged; every line's matrix must be positive
    // definite (a node with no links and no loss has d_p > 0 anyway).
    explicit LineMultigrid(const Stencil& fine, int sweeps = 1);

    // z = B r, one cycle with zero start.
    void apply(const double* r, double* z);
    int levels() const { return (int)ops.size(); }
    // Unknowns of all levels over those of the finest.
    double complexity() const;

private:
    struct Level
    {
        std::vector<double> piv;  // 1/pivot of each z line's factor, per unknown
        std::vector<double> x, b; // the level's correction and right-hand side (coarse levels)
        std::vector<int> ci, cj;  // i, j -> coarse i, j
        std::vector<int> ni, nj;  // coarse i, j -> number of fine planes joined
    };
    std::vector<const Stencil*> ops;
    std::vector<std::unique_ptr<Stencil>> own;
    std::vector<Level> lev;
    std::vector<double> g; // one line's right-hand side
    int nu;

    void coarsen(const Stencil& A, Level& L, Stencil& C);
    void factor_lines(const Stencil& A, Level& L);
    void relax(int l, const double* b, double* x, bool forward, bool zero_start);
    void cycle(int l, const double* b, double* x);
};

} // namespace adi

#endif
