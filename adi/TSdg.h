// adi/TSdg.h: the Douglas-Gunn alternating-direction implicit solver of the thermal model
#ifndef ADI_TSDG_H
#define ADI_TSDG_H

#include "model/TS3D.h"

#include <istream>
#include <string>
#include <vector>

namespace adi
{
class Workload;
}

// TSdg advances the temperature field of a TS3D model by the Douglas-Gunn ADI scheme: every time
// step is an x, a y and a z sweep, and every sweep solves one tridiagonal system per grid line
// (Thomas), so a step costs time linear in the number of nodes.
//
// Node fields are indexed [i][j][k] over (nx+1) x (ny+1) x (nz+1) nodes. Each field is one
// contiguous block of values (k fastest, then j, then i) with two spines of pointers into it,
// so f[i][j] + k addresses the value and the field is released in one go.
//
// Inner nodes take their equation from coef[coef_id[i][j][k]]: 8 slots w_xm, w_ym, w_zm, cap,
// w_xp, w_yp, w_zp, w_diag (Build_DG_C for the layer table's rows, Build_cell_rows for the other
// arrangements of cells). Nodes on the outer faces take theirs from face_row(coef_id[i][j][k])
// (Build_BC and Build_face_rows): their boundary type's row while their cells are all base
// material, a row from their cells otherwise (model/cells.h).
//
// The object owns every array below; copying is not allowed.
class TSdg : public TS3D
{
public:
    int n_coef_rows; // rows of coef: 27*n_layers + 1 + the inner arrangements of cells
    int*** coef_id;  // [nx+1][ny+1][nz+1] row of each node: inner nodes in coef, face nodes in
                     // the face table (their boundary type until blocks are read)
    double*** T;     // [nx+1][ny+1][nz+1] current temperature; starts at T_amb
    double*** T1;    // temperature after the x sweep of the last step
    double*** T2;    // temperature after the y sweep
    double*** T3;    // temperature after the z sweep
    double*** power; // [nx+1][ny+1][nz+1] mean power density of the node's cells, W/m^3
    double**
        coef; // [n_coef_rows][8] coefficient rows (Build_DG_C), one block: coef[r] = coef[0] + 8r
    double** tri_x; // [nx+1][3] tridiagonal rows {sub, diag, super} of one x line
    double** tri_y; // [ny+1][3] the same for a y line
    double** tri_z; // [nz+1][3] the same for a z line
    double* rhs_x;  // [nx+1] right-hand side of an x line; the solution after Thomas
    double* rhs_y;  // [ny+1] the same for a y line
    double* rhs_z;  // [nz+1] the same for a z line
    std::vector<BlockRecord> records; // the input file's blocks, as read_geometry accepted them
    bool energy_audit;      // the convection run prints its energy audit (adi/TSdg_audit.h)
    std::string field_file; // the convection run writes the field there at the end (.npy, .vti)
    int field_every;        // and every field_every steps to numbered files (0: never)
    adi::Workload* workload = nullptr; // the convection run's power trace and units file, if any
                                       // (adi/Workload.h; not owned)
    int threads = 0; // threads that share the lines of each sweep; 0: every core the process may
                     // use. The results are the same to the bit for every number of threads.

    // ---- construction ------------------------------------------------------------------------
    // Model from the data file (see TS3D), then the fields: T, T1, T2, T3 at T_amb, power 0,
    // coef_id 0 inside and the boundary type on the faces, coef and the line buffers 0. A grid too
    // large for the machine's memory is reported and ends the program with status 1.
    explicit TSdg(const char* data_file);
    // The same from the items of a data file already read (read_data_file), for callers that
    // must not end: they check fits_in_memory first, and a field that cannot be allocated after
    // all throws std::bad_alloc instead of ending the program.
    TSdg(const DataFile& d, const char* data_file);
    // True when the fields of a grid of nx x ny x nz intervals, and the work space of the sweeps
    // of a run on them, fit in this machine's memory;
    // otherwise false with error saying how much they need.
    // Counted per node: the six fields and the sweeps' source term, 52 bytes.
    static bool fits_in_memory(int nx, int ny, int nz, std::string& error);
    static constexpr size_t bytes_per_node = 6 * sizeof(double) + sizeof(int);
    // The same on the built-in model of TS3D(nx, ny, nz, dt, T_amb).
    TSdg(int nx, int ny, int nz, double dt, double T_amb);
    ~TSdg();
    TSdg(const TSdg&) = delete;
    TSdg& operator=(const TSdg&) = delete;

    // ---- input of blocks ---------------------------------------------------------------------
    // Reads the input file's blocks into coef_id and power (later blocks win where blocks
    // overlap) and remakes coef zeroed with the rows they need; warns when there is no block. A
    // file that cannot be opened, a record that cannot be read whole, a corner outside the grid or
    // a layer name not in the table (each such name reported by "Layer NAME is not defined") ends
    // the program with status 1 and a message naming the line.
    void read_geometry(const char* input_file);
    // The same on the text behind in; hands a rejection back as false with error set instead of
    // ending the program. Layer names not in the table are still printed on standard output.
    bool read_geometry(std::istream& in, const char* file, std::string& error);
    // Adds the power of n_rects rectangles rects[b] = {x1, y1, x2, y2} (one grid interval is 10
    // units, power rect_power[b]) to the slab of nodes k = 1, 2 shifted by one node along x and y,
    // and marks those nodes as layer 8; sets dx = dy = 10*unit, dz = 2*thickness*unit. Cells
    // outside the grid (or a grid with nz < 2) are skipped. The four ints after thickness are
    // unused.
    void read_geometry_Zelkor(int** rects, int n_rects, double unit, int thickness, int, int, int,
                              int, double* rect_power);
    // Averages T over the slab k = 1, 2 under each of (nb-1)*na + (na-1)*nb rectangles (as in
    // read_geometry_Zelkor) into out_a[r % (na-1)][r / (na-1)] for the first (na-1)*nb and
    // out_b[q / (nb-1)][q % (nb-1)] for the rest. Nothing is written when na or nb is below 2;
    // cells outside the grid are left out of an average, and an average over no cell is NaN.
    void get_temperature(int** rects, int na, int nb, double** out_a, double** out_b);

    // ---- coefficients and line solver --------------------------------------------------------
    // Rewrites row 0 (base material) and rows 27*m.index + 1..27 of coef for layer m; sets
    // k_ratio = m.k / k. Needs 0 <= m.index < n_layers.
    void Build_DG_C(material m);
    // Solves one tridiagonal system by the Thomas algorithm, no pivoting.
    // rows: in, n rows {sub, diag, super}; row 0's sub and row n-1's super unused; not modified
    // rhs:  in/out, n values: right-hand side on entry, solution on exit; n >= 1
    void Thomas(double**& rows, double*& rhs, int n);

    // ---- runs --------------------------------------------------------------------------------
    // Transient run with convection on the six faces: n_steps steps, "Iteration = " lines, the
    // cut-plane files, "Calefax_transient.txt" (written step by step) and the run time on
    // standard output, then the energy audit when energy_audit is set. Returns 0; or 1 when a
    // result file could not be created or written (reported on standard error after the rest
    // of the output), or when the field diverges (one line naming the step, at once).
    int Dauglas_Gunn_Convection();
    // Transient run with the six faces held at 83.0: "Iteration: " lines, the field after every
    // step, "Douglas_Gunn.txt". Returns 0, or 1 when the file could not be created or written.
    int Dauglas_Gunn();

    // ---- outputs -------------------------------------------------------------------------------
    // True when the probe node and every cut plane on axis x, y or z lie in the grid; otherwise
    // reports the first one outside on standard error and returns false.
    bool outputs_inside_grid();
    // Writes every cut plane of T into its file (one line per row, each value followed by a tab;
    // a plane of another axis letter is reported on standard output and its file left empty);
    // adds the name of each file that could not be created or written to failed.
    void write_cut_planes(std::vector<std::string>& failed);

private:
    // Makes every array above; shared by the constructors. A grid too large ends the program, or
    // with may_end false throws std::bad_alloc (the caller has checked fits_in_memory).
    void make_fields(bool may_end = true);
    // (Re)makes coef with rows rows of zeros.
    void make_coef(int rows);
};

#endif
