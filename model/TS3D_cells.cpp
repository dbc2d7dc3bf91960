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
                    out[octant_side(c, a)] = false;
            cls[a] = out[0] ? 1 : out[1] ? 2 : 0;
        }
        cell_face_row(*this, o, 9 * cls[0] + 3 * cls[1] + cls[2], &face_coef[11 * (27 + r)]);
    }
}

// A node has eight surrounding cells; along an axis on which it lies on the block's lowest plane
// (class 0) the layer's cells are on the plus side only, on the highest plane (2) on the minus
// side only, strictly inside (1) on both sides. A link to a neighbour touches the four cells on
// that side (layer_link_weight); the time term and self weight come from all eight
// (layer_node_terms).
void TS3D::Build_layer_rows(const material& l, double** coef) const
{
    double* row0 = coef[0];
    row0[0] = 1.0;
    row0[1] = ry;
    row0[2] = rz;
    layer_node_terms(*this, l, 0, row0[3], row0[7]);
    row0[4] = 1.0;
    row0[5] = ry;
    row0[6] = rz;

    // Cells of the layer on one side of an axis of class c: 1 or 2 across that axis.
    static const int across[3] = {1, 2, 1};
    const double factor[3] = {1.0, ry, rz};
    for (int t = 1; t <= 27; t++)
    {
        int c[3] = {(t - 1) / 9, ((t - 1) / 3) % 3, (t - 1) % 3};
        int n = across[c[0]] * across[c[1]] * across[c[2]];
        double* row = coef[27 * l.index + t];
        for (int a = 0; a < 3; a++)
        {
            int others = n / across[c[a]]; // cells across the two other axes
            // Layer on the minus side unless the node is on the block's lowest plane, on the plus
            // side unless it is on the highest.
            int cells_minus = (c[a] == 0) ? 0 : others;
            int cells_plus = (c[a] == 2) ? 0 : others;
            for (int side = 0; side < 2; side++)
            {
                int cells = side == 0 ? cells_minus : cells_plus;
                double w = layer_link_weight(*this, l, cells);
                // A weight of 1 is stored as the bare factor, any other as w*factor.
                double v = (cells == 0) ? factor[a] : (a == 0 ? w : w * factor[a]);
                row[side == 0 ? a : 4 + a] = v;
            }
        }
        layer_node_terms(*this, l, n, row[3], row[7]);
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

void TS3D::assign_blocks(const NodeBox& box, const std::vector<BlockRecord>& blocks,
                         const std::vector<int>& layer, const std::vector<double>& density,
                         const std::function<void(int, int, int, int, double)>& node)
{
    cells.clear();
    CellOwners owners(nx, ny, nz, blocks, box);
    for_each_node_cells(*this, owners, layer, density, cells, box, node);
}
