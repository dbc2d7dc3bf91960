// cn/TScn_rows.h: the right-hand-side rows that both Crank-Nicolson runs evaluate, node by node
#ifndef CN_TSCN_ROWS_H
#define CN_TSCN_ROWS_H

// Internal to cn/: v is a flat node field of TScn (n = i + X*(k + (nz+1)*j), X = nx + 1 the z
// stride, P = (nx+1)*(nz+1) the y stride). The runs apply these rows twice: to T for the first
// right-hand side, and to d = T_new - T to bring the right-hand side to the next step. The sums
// run left to right in the order written, which fixes the rounding.
namespace cn
{

// v[m] for a node number m in 0..n_nodes-1; 0.0 for a number outside (a missing neighbour).
inline double node_or_zero(const double* v, int m, int n_nodes)
{
    return (m >= 0 && m < n_nodes) ? v[m] : 0.0;
}

// Explicit half of an inner node's row c (coef row, s = ry + 1 + rz):
//   c[0]*v[n-1] + c[2]*v[n-X] + c[1]*v[n-P] + (c[3] - c[7]*s)*v[n]
//     + c[4]*v[n+1] + c[6]*v[n+X] + c[5]*v[n+P]
inline double inner_terms(const double* c, const double* v, int n, int X, int P, int n_nodes,
                          double s)
{
    return c[0] * node_or_zero(v, n - 1, n_nodes) + c[2] * node_or_zero(v, n - X, n_nodes) +
           c[1] * node_or_zero(v, n - P, n_nodes) + (c[3] - c[7] * s) * v[n] +
           c[4] * node_or_zero(v, n + 1, n_nodes) + c[6] * node_or_zero(v, n + X, n_nodes) +
           c[5] * node_or_zero(v, n + P, n_nodes);
}

// Explicit half of a convective boundary node's row bc (bc_coef row of its type):
//   bc[0]*v[n-1] + bc[2]*v[n-X] + bc[1]*v[n-P] + ((cap_base - bc[8] - bc[9] - bc[10])*bc[3])*v[n]
//     + bc[4]*v[n+1] + bc[6]*v[n+X] + bc[5]*v[n+P]
// The weight towards a missing neighbour is 0, so a number of another grid line adds nothing.
inline double face_terms(const double* bc, double cap_base, const double* v, int n, int X, int P,
                         int n_nodes)
{
    return bc[0] * node_or_zero(v, n - 1, n_nodes) + bc[2] * node_or_zero(v, n - X, n_nodes) +
           bc[1] * node_or_zero(v, n - P, n_nodes) +
           ((cap_base - bc[8] - bc[9] - bc[10]) * bc[3]) * v[n] +
           bc[4] * node_or_zero(v, n + 1, n_nodes) + bc[6] * node_or_zero(v, n + X, n_nodes) +
           bc[5] * node_or_zero(v, n + P, n_nodes);
}

} // namespace cn

#endif
