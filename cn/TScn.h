// cn/TScn.h: the Crank-Nicolson solver of the thermal model on one sparse symmetric system
#ifndef CN_TSCN_H
#define CN_TSCN_H

#include "model/TS3D.h"
#include "sparse/SSMat.h"

#include <istream>
#include <ostream>
#include <string>

// TScn advances the temperature field of the built-in TS3D model by the Crank-Nicolson scheme on
// the whole grid at once. Every step solves
//     (C + K)*T_new = (C - K)*T_old + 2*Q (+ boundary terms)
// with C the capacity terms and K the conductances, both scaled by dx^2/k, and Q = power*dx^2/k;
// the factor 2 of the half-and-half weighting is carried in C. The matrix C + K is the SSMat A
// (upper triangle); it does not change between steps, so it is factored once before the loop and
// each step costs one pair of triangular solves or one PCG solve plus an O(n_nodes) update of
// the right-hand side.
//
// Node numbering: every per-node array is flat, and the same number is a row and column of A.
// Node (i, j, k), 0 <= i <= nx, 0 <= j <= ny, 0 <= k <= nz, has n = i + (nx+1)*(k + (nz+1)*j):
// x fastest, then z, then y. Its x neighbours are n -+ 1, its z neighbours n -+ (nx+1), its y
// neighbours n -+ P with P = (nx+1)*(nz+1). (TSdg keeps [i][j][k] arrays instead.)
//
// Coefficient rows (Build_CN_C): 8 doubles, slots
//     0 x link to n-1, 1 y link to n-P, 2 z link to n-(nx+1), 3 capacity,
//     4 x link to n+1, 5 y link to n+P, 6 z link to n+(nx+1), 7 diagonal conductance factor;
// row 0 is the base material, row 27*index + p (p = 1..27, the position code of the node in its
// block) belongs to layer index.
//
// Lifecycle and ownership: the object owns coef_id, power, coef with its rows, T and rhs, and
// releases them in its destructor. A is made empty by the constructor and released by the run
// once the run no longer needs it; rhs_perm, A_perm and L are made and released within a run.
// An object therefore serves one run: a second run on it is refused. A that no run has used is
// released by the destructor. Copying is not allowed.
class TScn : public TS3D
{
public:
    int n_coef_rows;  // rows of coef: 27*n_layers + 1 once read_geometry has run, else 0
    int* coef_id;     // [n_nodes] row of each node: inner nodes in coef, face nodes in the face
                      // table (TS3D::face_row; their boundary type until blocks are read)
    double* power;    // [n_nodes] node's share of its block's power density, W/m^3; 0.0 if bare
    double** coef;    // [n_coef_rows][8] coefficient rows (Build_CN_C); null before read_geometry
    double* T;        // [n_nodes] current temperature; 35.0 from the constructor
    double* rhs;      // [n_nodes] right-hand side of the system of the coming step
    double* rhs_perm; // [n_nodes] rhs in minimum-degree order; method 1 within a run, else null
    SSMat* A;         // system matrix C + K, n = n_nodes; empty until a run, null after it
    SSMat* A_perm;    // A in minimum-degree order; method 1 within a run, else null
    SSMat* L;         // factor U, A ~ U'*U (threshold factor for method 3); within a run only
    std::string blocks_file; // the input file of blocks that a run reads; "TSinput.txt"

    // ---- construction ------------------------------------------------------------------------
    // Built-in model TS3D(nx, ny, nz, dt, T_amb) (spacing 1e-6 on every axis, so ry = rz = 1),
    // an empty A of dimension n_nodes, T = 35.0 (not T_amb), rhs = power = 0.0, coef_id 0 inside
    // and the boundary type on the faces.
    TScn(int nx, int ny, int nz, double dt, double T_amb);
    // The model of the items of a data file (read_data_file), which hands rejections back; the
    // same arrays, T starting at the data file's T_amb. The runs take the data file's steps and
    // probe when called with them.
    TScn(const DataFile& d, const char* data_file);
    // Releases the arrays the object owns, and A when no run has released it.
    ~TScn();
    TScn(const TScn&) = delete;
    TScn& operator=(const TScn&) = delete;

    // ---- input of blocks ---------------------------------------------------------------------
    // Reads the blocks of blocks_file as the stream version below does. Returns false with error
    // set when the file cannot be opened or read ("FILE: cannot open the input file") or a record
    // is rejected ("FILE:LINE: ...").
    bool read_geometry(std::string& error);
    // Reads the block records of in: "*" after any white space starts a comment line (at most 200
    // characters skipped). If every record reads whole and lies in the grid, then for each record
    // in file order: "Layer Name= NAME" on standard output; the layer is the first table record
    // named NAME without regard to case, or else "Layer NAME is not defined" is printed and the
    // previous block's layer is kept (0 for the first block); then every node gets its row id and
    // power from the blocks (TS3D::assign_blocks: from its cells, or with legacy_rows the older
    // assignment), and coef is made anew, zeroed, with the rows they need. Otherwise returns
    // false with error = "FILE:LINE: ...", printing and applying nothing. Layer names of any
    // length are accepted. An input without blocks is warned about (warning) and read.
    bool read_geometry(std::istream& in, const char* file, std::string& error);

    // ---- coefficients ------------------------------------------------------------------------
    // Rewrites row 0 (base material) and rows 27*m.index + 1..27 of coef for layer m, every value
    // relative to the base material and scaled by dx^2/k; sets k_ratio = m.k / k.
    // Needs coef (read_geometry) and 0 <= m.index < n_layers.
    void Build_CN_C(material m);

    // ---- runs --------------------------------------------------------------------------------
    // Shared by both runs. method: 1 multiple minimum degree + Cholesky, 2 Cholesky, 3 PCG with
    // the threshold (1e-4) Cholesky factor, tolerance 1e-10, at most 1000 iterations, starting
    // from T; any other value writes the method menu instead of solving and leaves T unchanged.
    // steps >= 0 steps are made; node (px, py, pz) of the grid is recorded after every step.
    // Each returns 0, or 1 with an error line (report_error) on standard error when:
    // - the object has already run, steps < 0 or the recorded node lies outside the grid
    //   (refused before the blocks are read or anything is written);
    // - the blocks cannot be read (nothing is written);
    // - the factorisation meets a pivot that is not positive (no step is made and nothing more
    //   is written; the result file stays empty);
    // - the result file cannot be created or written (reported after the rest of the output).
    // Every array of the run, A, A_perm, L and rhs_perm are released on every path.

    // Faces held at 83.0 (inner nodes start at 35.0); the report goes to "Crank_Nicolson.txt".
    int Crank_Nicolson(int method, int steps, int px, int py, int pz);
    // Faces exchange heat with T_amb through h (boundary rows of Build_BC); every node starts
    // from T as it stands (35.0 from the constructor). "Iteration = N" on standard output after
    // every step; the report goes to "Crank_Nicolson_Conv.txt".
    int Crank_Nicolson_Convection(int method, int steps, int px, int py, int pz);

    // Node number of node (i, j, k).
    int node(int i, int j, int k) const { return i + (nx + 1) * (k + (nz + 1) * j); }

private:
    // The skeleton of both runs: checks, blocks, rows, A and the first right-hand side (the
    // assemble_ routine of the run), the factor, the time loop (solve, then the right-hand side
    // brought to the next step by the advance_ routine), the report and the release.
    int run(bool convective, int method, int steps, int px, int py, int pz);
    // Faces held at 83.0: sets them in T, assembles A with identity face rows and the first rhs.
    void assemble_fixed();
    // rhs += (C - K)*d at the inner nodes (d = T_new - T).
    void advance_fixed(const double* d);
    // Convective faces: A with the face rows and the first rhs at every node.
    void assemble_convective();
    // rhs += (C - K)*d at every node.
    void advance_convective(const double* d);
    // Refuses a run when A is gone (the object has run), steps < 0 or (px, py, pz) is outside
    // the grid: one error line "RUN: ..." on standard error, false. Reads nothing else.
    bool run_accepted(const char* run, int steps, int px, int py, int pz);
    // Makes the factor of method from the sorted A: method 1 also perm (createVectorI), A_perm,
    // rhs_perm and x_perm, and releases A; method 3 keeps A for its products; other methods make
    // nothing. Returns false after an error line "RUN: ..." when a factorisation fails.
    bool make_factor(const char* run, int method, int*& perm, double*& x_perm);
    // T_new of one step from rhs with the factor of method (T_new is PCG's start vector for
    // method 3); any other method writes the menu and leaves T_new unchanged.
    // T_new: in/out, n_nodes;  x_perm: workspace (method 1);  work: workspace, n_nodes
    void solve_step(int method, const int* perm, double* x_perm, double* T_new, double* work);
    // Releases L, A (if still held), A_perm, rhs_perm and the method-1 arrays; nulls the members.
    void release_factor(int*& perm, double*& x_perm);
    // The per-node arrays of both constructors, T at T_start; A empty.
    void make_arrays(double T_start);
};

#endif
