// model/cells.h: the grid's cells, which block owns each, and a node's coefficients from its cells
#ifndef MODEL_CELLS_H
#define MODEL_CELLS_H

#include "model/blocks.h"
#include "model/material.h"

#include <array>
#include <functional>
#include <map>
#include <vector>

class TS3D;

// The cells of a grid of nx x ny x nz intervals are the boxes between eight neighbouring nodes;
// cell (ci, cj, ck) spans nodes ci..ci+1, cj..cj+1, ck..ck+1. Every piece of physics of the model
// belongs to cells: a cell is made of one material and has one power density. A node's equation
// is built from its eight cells (its octants): octant o = 4*sx + 2*sy + sz, where s = 1 for the
// cell on the plus side of the node along that axis and 0 for the minus side.
//
// A block covers the cells between its corner nodes. On an axis along which it is zero intervals
// thick (x1 == x2) it covers the one layer of cells on the plus side of that node plane, or on the
// minus side when the plane is the grid's last one: the side its nodes' rows have always assumed.
// Where blocks overlap, a cell belongs to the block that comes last in the file.

const int CELL_BASE = -1;    // a cell of the base material (no block covers it)
const int CELL_OUTSIDE = -2; // an octant beyond a face of the grid

// Side (0 minus, 1 plus) of octant o along axis a (0 x, 1 y, 2 z).
inline int octant_side(int o, int a)
{
    return (o >> (2 - a)) & 1;
}

// The materials of a node's eight cells: a layer index, CELL_BASE or CELL_OUTSIDE.
typedef std::array<int, 8> Octants;

// A box of grid nodes: lo[a]..hi[a] on axis a (0 x, 1 y, 2 z), both ends included.
struct NodeBox
{
    int lo[3], hi[3];
};

// Which block owns each cell: of the whole grid, or only of the cells round a box of nodes (what
// one process of a distributed run needs for the rows of its own nodes).
class CellOwners
{
public:
    // Cells of blocks[b] get owner b, later blocks overwriting earlier ones; corners must lie in
    // the grid (block_inside_grid).
    CellOwners(int nx, int ny, int nz, const std::vector<BlockRecord>& blocks);
    // The same for the cells that touch a node of box only (box inside the grid); octant_owner
    // may then be asked about the nodes of box only.
    CellOwners(int nx, int ny, int nz, const std::vector<BlockRecord>& blocks, const NodeBox& box);
    // Owner (block number) of octant o of node (i, j, k), -1 for a base cell, -2 outside the grid.
    int octant_owner(int i, int j, int k, int o) const;
    // Cells owned by each block, in block order (of the cells held).
    std::vector<long long> cells_per_block() const;

private:
    int nx, ny, nz;
    int c0[3], cn[3];       // the cells held: c0[a]..c0[a]+cn[a]-1 on axis a
    std::vector<int> owner; // [ci][cj][ck] relative to c0, ck fastest
    void fill(const std::vector<BlockRecord>& blocks);
};

// Cell range lo..hi-1 that a block spanning nodes a..b covers along an axis of n intervals.
void block_cell_range(int a, int b, int n, int& lo, int& hi);

// The distinct arrangements of cells that the grid's nodes have and that no row of the layer table
// describes. Node ids: an inner node's row in the solver's coefficient table is
//   0                          all eight cells base material;
//   27*layer + position code   base cells and cells of one layer, arranged as in a block of it
//                              (the 27 rows the layer table builds for each layer);
//   27*n_layers + 1 + r        arrangement inner[r];
// a face node's row in the face table (TS3D::face_row) is
//   its boundary type 0..26    every cell inside the grid base material (the rows of Build_BC);
//   27 + r                     arrangement face[r].
struct CellArrangements
{
    std::vector<Octants> inner;
    std::vector<Octants> face;
    std::map<Octants, int> inner_ids, face_ids; // arrangement -> r
    void clear();
};

// Row of the layer table that describes an inner node with cells o, or -1 when none does.
int layer_table_row(const Octants& o);

// Mean power density of a node's cells: n blocks, blocks[g] owning count[g] of its eight cells,
// listed in the order in which they first appear among octants 0..7. The shares (count/8)*density
// are added in that order: the one evaluation order of a node's power, wherever it is made.
inline double cells_power(const int* blocks, const int* count, int n,
                          const std::vector<double>& density)
{
    double q0 = 0.0;
    for (int g = 0; g < n; g++)
    {
        double share = (count[g] * 0.125) * density[(size_t)blocks[g]];
        q0 = g == 0 ? share : q0 + share;
    }
    return q0;
}

// Walks every node of the model's grid (i outer, then j, then k) and calls
// node(i, j, k, id, q0) with the node's row id (see CellArrangements; new arrangements are added
// to arr) and q0, the mean power density of its eight cells, cells outside the grid counting 0.
// Block b is of layer layer[b] and has power density density[b]. The densities of the cells of
// one block are added as (count*density), blocks in order, then divided by 8, so that a node of
// one block gets exactly density/1, /2, /4 or /8.
void for_each_node_cells(const TS3D& m, const CellOwners& cells, const std::vector<int>& layer,
                         const std::vector<double>& density, CellArrangements& arr,
                         const std::function<void(int, int, int, int, double)>& node);
// The same over the nodes of box only (in the same order), cells holding at least their cells.
void for_each_node_cells(const TS3D& m, const CellOwners& cells, const std::vector<int>& layer,
                         const std::vector<double>& density, CellArrangements& arr,
                         const NodeBox& box,
                         const std::function<void(int, int, int, int, double)>& node);

// ---- the cell rules: a node's row from its cells ----------------------------------------------
// Rows are dimensionless, relative to the base conductivity k and scaled by dx^2/k as the ADI
// equations are. Every cell's size enters the rules; today every cell of a grid has the grid's
// spacing (dx, dy, dz).
//
// Inner row {w_xm, w_ym, w_zm, cap, w_xp, w_yp, w_zp, w_diag}:
//   link to a neighbour: sum over the four cells round the link of k_c/k * (cross-section of the
//                        cell's quarter)/(the node's quarter) * (spacing)/(cell length), over 4,
//                        times ry or rz along y and z: the mean relative conductivity;
//   cap:                 2*(mean rho*cp of the eight cells)*dx^2/(k*dt);
//   w_diag:              2*(mean relative conductivity of the eight cells).
void cell_inner_row(const TS3D& m, const Octants& o, double row[8]);

// Face row {b_xm, b_ym, b_zm, b_share, b_xp, b_yp, b_zp, b_conv, b_dx, b_dy, b_dz} of a node with
// boundary type t whose cells outside the grid are CELL_OUTSIDE:
//   links:     as for an inner node, cells outside the grid conducting nothing;
//   b_share:   sum over the cells inside of (rho*cp)_c/(rho*cp) over 4: the node's time term is
//              b_share*tau, tau = rho*cp*dx^2/(k*dt) of the base material;
//   b_dx:      (b_xm + b_xp + convection through the x face the node lies on)/b_share, likewise
//              b_dy, b_dz, so that b_share*b_dx is the node's self weight along x;
//   b_conv:    twice the sum over its faces of convection weight times T_amb.
// The convection weight of a face is h*d/k times the axis factor (1, ry, rz) times the node's share
// of the face (the cells inside touching it, over 4).
void cell_face_row(const TS3D& m, const Octants& o, int t, double row[11]);

// ---- the layer table: base material and one layer, arranged as round the nodes of a block ----
// A node with n (0, 1, 2, 4 or 8) of its eight cells in layer l and the others base material:
// cap = 2*(mean rho*cp of the cells)*dx^2/(k*dt) and diag = 2*(mean relative conductivity), in the
// evaluation orders that every solver's rows share.
void layer_node_terms(const TS3D& m, const material& l, int n, double& cap, double& diag);
// Relative weight of a link whose four cells hold n (0, 1, 2 or 4) cells of layer l: their mean
// relative conductivity, before the axis factor.
double layer_link_weight(const TS3D& m, const material& l, int n);

// Convection weight of each face axis (x, y, z) of a node of boundary type t, in the units of the
// rows above (0 on an axis on which the node is not on a face).
void face_convection(const TS3D& m, int t, double conv[3]);

#endif
