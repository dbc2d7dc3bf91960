// model/TS3D_cells.cpp: blocks to node rows and power, by the cells or by the older assignment
#include "model/TS3D.h"

#include <algorithm>

void TS3D::Build_face_rows()
{
    face_coef.assign(11 * (27 + cells.face.size()), 0.0);
    for (int t = 0; t < 27; t++)
        std::copy(bc_coef[t], bc_coef[t] + 11, face_coef.begin() + 11 * t);
    for (size_t r = 0; r < cells.face.size(); r++)
    {
        const Octants& o = cells.face[r];
        // the boundary type from the octants outside the grid: per axis 1 when the cells on the
        // minus side are outside (tested first), 2 when those on the plus side are, else 0
        int cls[3];
        for (int a = 0; a < 3; a++)
        {
            bool out[2] = {true, true};
            for (int c = 0; c < 8; c++)
                if (o[c] != CELL_OUTSIDE)
                    out[c >> (2 - a) & 1] = false;
            cls[a] = out[0] ? 1 : out[1] ? 2 : 0;
        }
        cell_face_row(*this, o, 9 * cls[0] + 3 * cls[1] + cls[2], &face_coef[11 * (27 + r)]);
    }
}

void TS3D::Build_cell_rows(double** coef) const
{
    const int first = 27 * n_layers + 1;
    for (size_t r = 0; r < cells.inner.size(); r++)
        cell_inner_row(*this, cells.inner[r], coef[first + (int)r]);
}

void TS3D::assign_blocks(const std::vector<BlockRecord>& blocks, const std::vector<int>& layer,
                         const std::vector<double>& density,
                         const std::function<void(int, int, int, int, double)>& node)
{
    cells.clear();
    if (!legacy_rows)
    {
        CellOwners owners(nx, ny, nz, blocks);
        for_each_node_cells(*this, owners, layer, density, cells, node);
        return;
    }
    // The older assignment: a node takes the row of its place in the last block covering it and
    // that block's share of its density; a face node keeps its boundary type as its row.
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
            for (int k = 0; k <= nz; k++)
                node(i, j, k, type_bc(i, j, k), 0.0);
    for (size_t b = 0; b < blocks.size(); b++)
    {
        BlockRecord r = blocks[b];
        r.power = density[b];
        for_each_block_node(r,
                            [&](int i, int j, int k, int code, double share)
                            {
                                int t = type_bc(i, j, k);
                                node(i, j, k, t == 0 ? layer[b] * 27 + code + 1 : t, share);
                            });
    }
}
