// model/TS3D.h: the thermal model shared by both solvers: grid, time step, faces, layers, probe,
// cut planes
#ifndef MODEL_TS3D_H
#define MODEL_TS3D_H

#include "model/cells.h"
#include "model/material.h"

#include <functional>
#include <vector>

struct DataFile;

// TS3D describes the simulated chip independently of the solution method. The chip is a box of
// nx x ny x nz grid intervals; temperatures live on the (nx+1)(ny+1)(nz+1) nodes, numbered from 0
// on each axis, i along x, j along y, k along z. Units are SI (m, s, W/(m K), kg/m^3, J/(kg K),
// W/(m^2 K)); temperatures are in the scale of T_amb.
//
// The six outer faces lose heat to T_amb by convection through h; the boundary table bc_coef holds
// one row of 11 weights per boundary type 0..26 (type_bc) and is filled by Build_BC.
//
// Ownership: the object owns the layer table with every name buffer, bc_coef (rows and spine) and
// the cut-plane arrays with their name buffers; all are made with new[] and released by the
// destructor. Copying is not allowed.
class TS3D
{
public:
    int n_steps;       // number of time steps of a transient run (>= 0)
    int nx, ny, nz;    // grid intervals along x, y, z (>= 1 from a data file); nodes: one more each
    int probe_x;       // x index of the probe node recorded after every step, 0..nx
    int probe_y;       // y index of the probe node, 0..ny
    int probe_z;       // z index of the probe node, 0..nz
    int n_nodes;       // (nx+1)*(ny+1)*(nz+1)
    int n_layers;      // number of records in layers; always 10
    double dx, dy, dz; // node spacing along x, y, z, m
    double dt;         // time step, s
    double k_ratio; // scratch of the coefficient builders: layer k / base k of the last layer built
    double ry;      // y conductance relative to x in the equations scaled by dx^2/k: (dx/dy)^2
    double rz;      // z conductance relative to x: (dx/dz)^2
    double** bc_coef; // 27 rows of 11 boundary weights, one row per boundary type (Build_BC)
    int n_cuts;       // number of cut planes written at the end of a run
    char* cut_axis;   // n_cuts axis letters: 'x', 'y' or 'z' in either case (others are reported)
    int* cut_index;   // n_cuts node indices: the position of each plane along its axis
    char** cut_file;  // n_cuts output file names, each in its own buffer
    double rho;       // density of the base material, kg/m^3
    double cp;        // specific heat of the base material, J/(kg K)
    double k;         // thermal conductivity of the base material, W/(m K)
    double h[6];      // face convection coefficients: x-max, x-min, y-max, y-min, z-max, z-min
    double T_amb;     // ambient temperature; also the initial temperature of the ADI fields
    material* layers; // the layer table: n_layers records

    // ---- cells (model/cells.h) -----------------------------------------------------------------
    // false: every node's row is built from its eight cells, so that heat leaving one node
    // arrives at the other wherever blocks touch each other or the faces. true: the rows of the
    // older assignment (a node takes the row of its place in the last block covering it, a face
    // node the base material's boundary row), which do not conserve energy where a block
    // touches another block or a face of the grid; kept to reproduce stored results.
    bool legacy_rows;
    CellArrangements cells;        // the arrangements met by assign_blocks
    std::vector<double> face_coef; // face rows, 11 values each, by face id (Build_face_rows)

    // ---- construction ------------------------------------------------------------------------
    // Reads the data file. On a file that cannot be opened prints "No input file is read!"; on any
    // unreadable or invalid item prints one line naming the file and the item; both end the program
    // with status 1. See model/datafile.h for the parser that hands the rejection back instead.
    explicit TS3D(const char* data_file);
    // The model of the items d of a data file (read_data_file, model/datafile.h), which hands
    // rejections back; data_file names the file in warnings.
    TS3D(const DataFile& d, const char* data_file);
    // Built-in model: spacing 1e-6 on every axis, silicon base, h = 30000 on every face, the
    // built-in ten-layer table; no steps, probe at node (0, 0, 0), no cut planes.
    TS3D(int nx, int ny, int nz, double dt, double T_amb);
    ~TS3D();
    TS3D(const TS3D&) = delete;
    TS3D& operator=(const TS3D&) = delete;

    // ---- boundary conditions -----------------------------------------------------------------
    // Boundary type 9*bx + 3*by + bz of node (i, j, k): per axis 1 on the min face (tested
    // first), 2 on the max face, 0 inside. Reads only nx, ny, nz.
    int type_bc(int i, int j, int k) const;
    // Fills every value of the 27 rows of bc_coef from h, dx, dy, dz, k, T_amb, ry and rz.
    void Build_BC();
    // Face table: rows 0..26 a copy of bc_coef (Build_BC must have run), then the rows of the
    // face arrangements in cells, by the cell rules.
    void Build_face_rows();
    // The face row of face id id (a boundary type or 27 + arrangement).
    const double* face_row(int id) const { return face_coef.data() + 11 * (size_t)id; }
    // Rows 0 (base material) and 27*l.index + 1..27 of coef: the layer table's rows for layer l,
    // the nodes of a block of l by their place in it (model/cells.h). Needs 0 <= l.index <
    // n_layers.
    void Build_layer_rows(const material& l, double** coef) const;
    // Inner rows 27*n_layers + 1 + r of coef: the inner arrangements r of cells.
    void Build_cell_rows(double** coef) const;

    // ---- blocks ------------------------------------------------------------------------------
    // Calls node(i, j, k, id, q0) for every node of the grid with its row id (an inner node's
    // row of the coefficient table, a face node's face id) and power density q0, blocks of layer
    // layer[b] and density density[b]: from the cells (refilling cells), or with legacy_rows the
    // older assignment (face nodes: their boundary type and the share of the last block).
    void assign_blocks(const std::vector<BlockRecord>& blocks, const std::vector<int>& layer,
                       const std::vector<double>& density,
                       const std::function<void(int, int, int, int, double)>& node);
    // The same from the cells for the nodes of box only (what one process of a distributed run
    // owns): cells then holds the arrangements of those nodes, so that Build_cell_rows and
    // Build_face_rows make the rows they need. Ignores legacy_rows.
    void assign_blocks(const NodeBox& box, const std::vector<BlockRecord>& blocks,
                       const std::vector<int>& layer, const std::vector<double>& density,
                       const std::function<void(int, int, int, int, double)>& node);

    // ---- field display on standard output (titled blocks of 13-character columns) ------------
    // v[0..last], one value per line.
    void show_1D(double* v, const char* title, int last);
    // rows m[0..last_row], each on one line, columns 0..last_col.
    void show_2D_Matrix(double** m, const char* title, int last_row, int last_col);
    // field f[x][y]: one line per y from last_y down to 0, x from 0 to last_x along the line.
    void show_2D(double** f, const char* title, int last_x, int last_y);
    // field f[x][y][z]: one block per z from last_z down to 0, laid out as show_2D, an empty line
    // after each block.
    void show_3D(double*** f, const char* title, int last_x, int last_y, int last_z);

protected:
    // Sets what both constructors share once the scalar members are known: n_nodes, bc_coef
    // (zeros), ry and rz.
    void finish_setup();
};

#endif
