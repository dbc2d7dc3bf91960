// mpi/Results.cpp: the probe value and the cut planes gathered to rank 0
#include "mpi/Results.h"

#include "model/datafile.h"

#include <fstream>
#include <iostream>

namespace dist
{

Results::Results(const Operator& op) : op(op), m(op.model())
{
    PetscObjectGetComm((PetscObject)op.dm(), &comm);
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    is_root = rank == 0;
}

double Results::probe(Vec u) const
{
    const NodeBox& b = op.own();
    const int at[3] = {m.probe_x, m.probe_y, m.probe_z};
    bool mine = true;
    for (int a = 0; a < 3; a++)
        mine = mine && at[a] >= b.lo[a] && at[a] <= b.hi[a];
    double v = 0.0, all = 0.0;
    if (mine)
    {
        const PetscScalar*** f;
        DMDAVecGetArrayRead(op.dm(), u, &f);
        v = f[at[2]][at[1]][at[0]];
        DMDAVecRestoreArrayRead(op.dm(), u, &f);
    }
    MPI_Allreduce(&v, &all, 1, MPI_DOUBLE, MPI_SUM, comm);
    return m.T_amb + all;
}

void Results::write_cut_planes(Vec u, std::vector<std::string>& failed) const
{
    const NodeBox& b = op.own();
    const int last[3] = {m.nx, m.ny, m.nz};
    int size = 1;
    MPI_Comm_size(comm, &size);
    const PetscScalar*** f;
    DMDAVecGetArrayRead(op.dm(), u, &f);
    for (int c = 0; c < m.n_cuts; c++)
    {
        const char axis = m.cut_axis[c];
        const int a = cut_axis_index(axis);
        if (a < 0)
        {
            if (is_root)
            {
                std::ofstream out(m.cut_file[c]);
                if (!out)
                {
                    failed.push_back(m.cut_file[c]);
                    continue;
                }
                std::cout << "The cut plane must be x, y, or z!\n";
                out.close();
                if (out.fail())
                    failed.push_back(m.cut_file[c]);
            }
            continue;
        }
        // rows along r, columns along s: x planes (z, y), y planes (z, x), z planes (y, x)
        const int r = a == 2 ? 1 : 2, s = a == 0 ? 1 : 0, p = m.cut_index[c];
        int part[4] = {0, 0, 0, 0}; // first row, rows, first column, columns
        std::vector<double> mine;
        if (p >= b.lo[a] && p <= b.hi[a])
        {
            part[0] = b.lo[r];
            part[1] = b.hi[r] - b.lo[r] + 1;
            part[2] = b.lo[s];
            part[3] = b.hi[s] - b.lo[s] + 1;
            for (int row = b.lo[r]; row <= b.hi[r]; row++)
                for (int col = b.lo[s]; col <= b.hi[s]; col++)
                {
                    int n[3];
                    n[a] = p;
                    n[r] = row;
                    n[s] = col;
                    mine.push_back(m.T_amb + f[n[2]][n[1]][n[0]]);
                }
        }
        std::vector<int> parts(is_root ? 4 * (size_t)size : 0), counts, offsets;
        MPI_Gather(part, 4, MPI_INT, parts.data(), 4, MPI_INT, 0, comm);
        std::vector<double> all;
        if (is_root)
        {
            int total = 0;
            for (int q = 0; q < size; q++)
            {
                counts.push_back(parts[4 * q + 1] * parts[4 * q + 3]);
                offsets.push_back(total);
                total += counts.back();
            }
            all.resize((size_t)total);
        }
        MPI_Gatherv(mine.data(), (int)mine.size(), MPI_DOUBLE, all.data(), counts.data(),
                    offsets.data(), MPI_DOUBLE, 0, comm);
        if (!is_root)
            continue;
        const size_t cols = (size_t)last[s] + 1;
        std::vector<double> plane(((size_t)last[r] + 1) * cols, 0.0);
        for (int q = 0; q < size; q++)
        {
            const double* v = all.data() + offsets[q];
            for (int row = 0; row < parts[4 * q + 1]; row++)
                for (int col = 0; col < parts[4 * q + 3]; col++)
                    plane[(size_t)(parts[4 * q] + row) * cols + parts[4 * q + 2] + col] = *v++;
        }
        std::ofstream out(m.cut_file[c]);
        if (!out)
        {
            failed.push_back(m.cut_file[c]);
            continue;
        }
        for (int row = 0; row <= last[r]; row++)
        {
            for (size_t col = 0; col < cols; col++)
                out << plane[row * cols + col] << "\t";
            out << std::endl;
        }
        out.close();
        if (out.fail())
            failed.push_back(m.cut_file[c]);
    }
    DMDAVecRestoreArrayRead(op.dm(), u, &f);
}

} // namespace dist
