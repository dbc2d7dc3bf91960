// mpi/Operator.cpp: the rows of the own nodes and the matrix, source and capacity from them
#include "mpi/Operator.h"

#include <cmath>

namespace dist
{

Operator::Operator(Inputs& in, DM da) : m(*in.model), da(da)
{
    PetscObjectGetComm((PetscObject)da, &comm);
    PetscInt xs, ys, zs, xm, ym, zm;
    DMDAGetCorners(da, &xs, &ys, &zs, &xm, &ym, &zm);
    box = {{(int)xs, (int)ys, (int)zs},
           {(int)(xs + xm - 1), (int)(ys + ym - 1), (int)(zs + zm - 1)}};
    ext = box;
    for (int a = 0; a < 3; a++)
        ext.lo[a] = std::max(box.lo[a] - 1, 0);
    id.assign((size_t)(ext.hi[0] - ext.lo[0] + 1) * (ext.hi[1] - ext.lo[1] + 1) *
                  (ext.hi[2] - ext.lo[2] + 1),
              0);
    q.assign((size_t)xm * ym * zm, 0.0);
    m.assign_blocks(ext, in.blocks, in.layer, in.density,
                    [&](int i, int j, int k, int row, double q0)
                    {
                        id[at_ext(i, j, k)] = row;
                        if (i >= box.lo[0] && j >= box.lo[1] && k >= box.lo[2])
                            q[at_own(i, j, k)] = q0;
                    });
    const size_t rows = 27 * (size_t)m.n_layers + 1 + m.cells.inner.size();
    table.assign(8 * rows, 0.0);
    std::vector<double*> coef(rows);
    for (size_t r = 0; r < rows; r++)
        coef[r] = table.data() + 8 * r;
    for (int l = 0; l < m.n_layers; l++)
        m.Build_layer_rows(m.layers[l], coef.data());
    m.Build_cell_rows(coef.data());
    m.Build_BC();
    m.Build_face_rows();
    tau = (m.rho * m.cp * pow(m.dx, 2.0)) / (m.k * m.dt);
}

size_t Operator::at_ext(int i, int j, int k) const
{
    const size_t nj = ext.hi[1] - ext.lo[1] + 1, nk = ext.hi[2] - ext.lo[2] + 1;
    return ((size_t)(i - ext.lo[0]) * nj + (j - ext.lo[1])) * nk + (k - ext.lo[2]);
}

size_t Operator::at_own(int i, int j, int k) const
{
    const size_t nj = box.hi[1] - box.lo[1] + 1, nk = box.hi[2] - box.lo[2] + 1;
    return ((size_t)(i - box.lo[0]) * nj + (j - box.lo[1])) * nk + (k - box.lo[2]);
}

// As the steady state of the ADI run reads a node's row (adi/TSdg_steady.cpp).
Operator::Terms Operator::terms(int i, int j, int k) const
{
    Terms t;
    const int r = id[at_ext(i, j, k)];
    if (i > 0 && i < m.nx && j > 0 && j < m.ny && k > 0 && k < m.nz)
    {
        const double* c = table.data() + 8 * (size_t)r;
        const double w[6] = {c[0], c[1], c[2], c[4], c[5], c[6]};
        std::copy(w, w + 6, t.w);
        t.diag = (c[7] + c[7] * m.ry) + c[7] * m.rz;
        t.cap = c[3];
    }
    else
    {
        const double* f = m.face_row(r);
        const double w[6] = {f[0], f[1], f[2], f[4], f[5], f[6]};
        std::copy(w, w + 6, t.w);
        t.diag = (f[3] * f[8] + f[3] * f[9]) + f[3] * f[10];
        t.cap = f[3] * tau;
    }
    return t;
}

PetscErrorCode Operator::assemble(Mat M, double time_weight, bool held) const
{
    PetscFunctionBeginUser;
    const int last[3] = {m.nx, m.ny, m.nz};
    for (int i = box.lo[0]; i <= box.hi[0]; i++)
        for (int j = box.lo[1]; j <= box.hi[1]; j++)
            for (int k = box.lo[2]; k <= box.hi[2]; k++)
            {
                const Terms t = terms(i, j, k);
                MatStencil row = {k, j, i, 0}, col[7];
                PetscScalar v[7];
                int n = 0;
                col[n] = row;
                v[n++] = held && t.diag == 0.0 ? 1.0 : t.diag + time_weight * t.cap;
                const int at[3] = {i, j, k};
                for (int a = 0; a < 3; a++)
                {
                    int lo[3] = {i, j, k}, hi[3] = {i, j, k};
                    lo[a]--;
                    hi[a]++;
                    if (at[a] > 0)
                    {
                        col[n] = {lo[2], lo[1], lo[0], 0};
                        v[n++] = -terms(lo[0], lo[1], lo[2]).w[3 + a];
                    }
                    if (at[a] < last[a])
                    {
                        col[n] = {hi[2], hi[1], hi[0], 0};
                        v[n++] = -t.w[3 + a];
                    }
                }
                PetscCall(MatSetValuesStencil(M, 1, &row, n, col, v, INSERT_VALUES));
            }
    PetscCall(MatAssemblyBegin(M, MAT_FINAL_ASSEMBLY));
    PetscCall(MatAssemblyEnd(M, MAT_FINAL_ASSEMBLY));
    PetscCall(MatSetOption(M, MAT_SYMMETRIC, PETSC_TRUE));
    PetscFunctionReturn(0);
}

PetscErrorCode Operator::source(Vec b) const
{
    return fill(b, [&](int i, int j, int k) { return ((q[at_own(i, j, k)] * m.dx) * m.dx) / m.k; });
}

PetscErrorCode Operator::capacity(Vec c) const
{
    return fill(c, [&](int i, int j, int k) { return terms(i, j, k).cap; });
}

void Operator::powered_nodes(bool isolated, long long& nodes, double& density_sum) const
{
    long long n = 0;
    double sum = 0.0;
    for (int i = box.lo[0]; i <= box.hi[0]; i++)
        for (int j = box.lo[1]; j <= box.hi[1]; j++)
            for (int k = box.lo[2]; k <= box.hi[2]; k++)
            {
                const double q0 = q[at_own(i, j, k)];
                if (q0 != 0.0 && (!isolated || terms(i, j, k).diag == 0.0))
                {
                    n++;
                    sum += q0;
                }
            }
    MPI_Allreduce(&n, &nodes, 1, MPI_LONG_LONG, MPI_SUM, comm);
    MPI_Allreduce(&sum, &density_sum, 1, MPI_DOUBLE, MPI_SUM, comm);
}

double Operator::power_in() const
{
    double sum = 0.0, all = 0.0;
    for (double q0 : q)
        sum += ((q0 * m.dx) * m.dx) / m.k;
    MPI_Allreduce(&sum, &all, 1, MPI_DOUBLE, MPI_SUM, comm);
    return all * (m.k * m.dy * m.dz / m.dx);
}

double Operator::heat_out(Vec u) const
{
    const PetscScalar*** v;
    DMDAVecGetArrayRead(da, u, &v);
    double out = 0.0, all = 0.0;
    for (int i = box.lo[0]; i <= box.hi[0]; i++)
        for (int j = box.lo[1]; j <= box.hi[1]; j++)
            for (int k = box.lo[2]; k <= box.hi[2]; k++)
            {
                int t = m.type_bc(i, j, k);
                if (t == 0)
                    continue;
                double conv[3];
                face_convection(m, t, conv);
                out += (conv[0] + conv[1] + conv[2]) * v[k][j][i];
            }
    DMDAVecRestoreArrayRead(da, u, &v);
    MPI_Allreduce(&out, &all, 1, MPI_DOUBLE, MPI_SUM, comm);
    return all * (m.k * m.dy * m.dz / m.dx);
}

DM make_grid(const TS3D& m, MPI_Comm comm)
{
    DM da;
    DMDACreate3d(comm, DM_BOUNDARY_NONE, DM_BOUNDARY_NONE, DM_BOUNDARY_NONE, DMDA_STENCIL_STAR,
                 m.nx + 1, m.ny + 1, m.nz + 1, PETSC_DECIDE, PETSC_DECIDE, PETSC_DECIDE, 1, 1,
                 nullptr, nullptr, nullptr, &da);
    DMSetFromOptions(da);
    DMSetUp(da);
    return da;
}

} // namespace dist
