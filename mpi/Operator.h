// mpi/Operator.h: the node equations of a process's own nodes, from the model's cell rules
#ifndef MPI_OPERATOR_H
#define MPI_OPERATOR_H

#include "model/TS3D.h"
#include "mpi/Inputs.h"

#include <petscdmda.h>
#include <vector>

namespace dist
{

// The grid is a DMDA: one point per node, x = i, y = j, z = k, star stencil of width 1. Each
// process builds the rows of its own nodes (and of the nodes one step below them on each axis,
// whose plus links it needs) with the model's cell walk over its box (TS3D::assign_blocks) and the
// model's rows (Build_layer_rows, Build_cell_rows, Build_BC, Build_face_rows): the same numbers
// the ADI run takes. In u = T - T_amb a node's heat balance reads, as in the ADI run and its
// steady state (adi/TSdg_steady.h),
//   time term:  cap*(u' - u)                (inner rows: cap; face rows: b_share*tau)
//   links:      sum w*(u_q - u_p) - conv*u_p  = -(A u)_p
//   source:     S = ((q0 + q0)*dx)*dx/k, b = S/2 = ((q0*dx)*dx)/k
// so the steady state is A u = b and a Crank-Nicolson step is (cap + A) u' = (cap - A) u + S,
// the step that the Douglas-Gunn sweeps split. A's link between two nodes is taken from the lower
// node's plus link, so A is exactly symmetric (the rows of the two nodes agree in all but,
// possibly, the last bits).
class Operator
{
public:
    // in's model and blocks; da a DMDA over the model's nodes. Refills the model's arrangements
    // and face table with those of this process's nodes.
    Operator(Inputs& in, DM da);

    // A + time_weight*cap into M (a matrix of da), rows of the own nodes; M is assembled after.
    // With held, nodes that have no link and no convection (every cell round them of zero
    // conductivity) get the equation u = 0 instead of an empty row.
    PetscErrorCode assemble(Mat M, double time_weight, bool held) const;
    // b = ((q0*dx)*dx)/k at every own node.
    PetscErrorCode source(Vec b) const;
    // The time terms cap.
    PetscErrorCode capacity(Vec c) const;

    // Of the whole grid (a reduction over the processes): the nodes with power, with isolated
    // only those that have no link and no convection either, and their mean power densities
    // summed.
    void powered_nodes(bool isolated, long long& nodes, double& density_sum) const;
    // Power of the cells, W, and heat out through the faces at u, W (reductions).
    double power_in() const;
    double heat_out(Vec u) const;

    const TS3D& model() const { return m; }
    DM dm() const { return da; }
    const NodeBox& own() const { return box; }

private:
    struct Terms
    {
        double w[6]; // links to -x, -y, -z, +x, +y, +z
        double diag; // the node's self weight: links and convection
        double cap;  // time term
    };
    // x = value(i, j, k) at every own node.
    template <typename Value> PetscErrorCode fill(Vec x, Value value) const
    {
        PetscFunctionBeginUser;
        PetscScalar*** v;
        PetscCall(DMDAVecGetArray(da, x, &v));
        for (int i = box.lo[0]; i <= box.hi[0]; i++)
            for (int j = box.lo[1]; j <= box.hi[1]; j++)
                for (int k = box.lo[2]; k <= box.hi[2]; k++)
                    v[k][j][i] = value(i, j, k);
        PetscCall(DMDAVecRestoreArray(da, x, &v));
        PetscFunctionReturn(0);
    }

    TS3D& m;
    DM da;
    NodeBox box, ext;          // own nodes; with the nodes one below them on each axis
    std::vector<int> id;       // row id of each node of ext, k fastest
    std::vector<double> q;     // mean power density of each own node, k fastest
    std::vector<double> table; // the coefficient rows, 8 values each
    double tau;                // the base material's time term
    MPI_Comm comm;

    size_t at_ext(int i, int j, int k) const;
    size_t at_own(int i, int j, int k) const;
    Terms terms(int i, int j, int k) const;
};

// The DMDA of m's nodes over the processes of comm (PETSc's split; -da_processors_x etc. from the
// options database), set up.
DM make_grid(const TS3D& m, MPI_Comm comm);

} // namespace dist

#endif
