// fuzz/fuzz_readers.h: the readers run on bytes held in memory, and their results judged
// against what each reader promises; shared by the fuzz targets and the regression test
#ifndef FUZZ_FUZZ_READERS_H
#define FUZZ_FUZZ_READERS_H

// Each *_verdict function hands the bytes to one reader as the whole content of a file, stores
// the reader's rejection in *error ("" when the input was accepted) and returns "" when every
// promise of the reader holds, else a line naming the first promise broken. The promises: a
// rejection is one line located in the file ("NAME:..."); an accepted input satisfies every
// range the solvers rely on unchecked; a rejected block file applies nothing. A crash, a
// sanitizer report or a hang inside the reader is caught by the caller's harness instead.
//
// The block readers work on a solver made once by the caller (a TSdg or TScn of the built-in
// model); its coef_id and power are cleared before each input.

#include "adi/TSdg.h"
#include "cn/TScn.h"
#include "model/PowerTrace.h"
#include "model/Units.h"
#include "model/datafile.h"
#include "sparse/SSMat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <streambuf>
#include <string>

// Returns the broken promise cond, with the line of this file that states it.
#define FUZZ_PROMISE(cond)                                                                         \
    do                                                                                             \
    {                                                                                              \
        if (!(cond))                                                                               \
            return std::string("fuzz/fuzz_readers.h:") + std::to_string(__LINE__) +                \
                   ": promise broken: " #cond;                                                     \
    } while (0)

// True when error is a rejection located in file: "FILE:" and some text after it.
inline bool located_in(const std::string& error, const char* file)
{
    std::string prefix = std::string(file) + ":";
    return error.size() > prefix.size() && error.compare(0, prefix.size(), prefix) == 0;
}

// ---- data file ---------------------------------------------------------------------------------

// bytes as the data file "fuzz.dat" through parse_data_file; an accepted file meets every range
// of model/datafile.h.
inline std::string datafile_verdict(const std::string& bytes, std::string* error)
{
    std::istringstream in(bytes);
    DataFile d;
    error->clear();
    if (!parse_data_file(in, "fuzz.dat", d, *error))
    {
        FUZZ_PROMISE(located_in(*error, "fuzz.dat"));
        return "";
    }
    FUZZ_PROMISE(error->empty());
    FUZZ_PROMISE(d.n_steps >= 0);
    FUZZ_PROMISE(d.nx >= 1 && d.ny >= 1 && d.nz >= 1);
    FUZZ_PROMISE((d.nx + 1LL) * (d.ny + 1LL) * (d.nz + 1LL) <= DATA_FILE_MAX_NODES);
    const double positive[4] = {d.dx, d.dy, d.dz, d.dt};
    for (double v : positive)
        FUZZ_PROMISE(std::isfinite(v) && v > 0.0);
    FUZZ_PROMISE(std::isnormal(d.dx * d.dx) && std::isnormal(d.dy * d.dy) &&
                 std::isnormal(d.dz * d.dz) && std::isnormal(d.dx * d.dy * d.dz));
    FUZZ_PROMISE(std::isfinite(d.T_amb));
    for (double h : d.h)
        FUZZ_PROMISE(std::isfinite(h) && h >= 0.0);
    for (const DataFile::Layer& L : d.layers)
    {
        FUZZ_PROMISE(!L.name.empty());
        FUZZ_PROMISE(std::isfinite(L.k) && L.k >= 0.0);
        FUZZ_PROMISE(std::isfinite(L.rho) && L.rho > 0.0);
        FUZZ_PROMISE(std::isfinite(L.cp) && L.cp > 0.0);
    }
    FUZZ_PROMISE(d.base_layer >= 0 && d.base_layer < DATA_FILE_LAYERS);
    FUZZ_PROMISE(same_name(d.layers[d.base_layer].name.c_str(), d.base.c_str()));
    FUZZ_PROMISE(d.layers[d.base_layer].k > 0.0);
    const int last[3] = {d.nx, d.ny, d.nz};
    const int probe[3] = {d.probe_x, d.probe_y, d.probe_z};
    for (int a = 0; a < 3; a++)
        FUZZ_PROMISE(probe[a] >= 0 && probe[a] <= last[a]);
    for (const DataFile::Cut& c : d.cuts)
    {
        int a = cut_axis_index(c.axis);
        FUZZ_PROMISE(a < 0 || (c.index >= 0 && c.index <= last[a]));
        FUZZ_PROMISE(!c.file.empty());
    }
    return "";
}

// ---- block files -------------------------------------------------------------------------------

// bytes as the ADI input file "fuzz.in" through s.read_geometry; afterwards every node names a
// row (of coef inside, of the face table on the faces) and holds a finite power, all zero when
// the file was rejected.
inline std::string input_verdict(TSdg& s, const std::string& bytes, std::string* error)
{
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++)
            {
                s.coef_id[i][j][k] = 0;
                s.power[i][j][k] = 0.0;
            }
    std::istringstream in(bytes);
    error->clear();
    bool ok = s.read_geometry(in, "fuzz.in", *error);
    FUZZ_PROMISE(ok ? error->empty() : located_in(*error, "fuzz.in"));
    FUZZ_PROMISE(s.n_coef_rows == 27 * s.n_layers + 1 + (int)s.cells.inner.size());
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++)
            {
                int id = s.coef_id[i][j][k];
                double p = s.power[i][j][k];
                bool face = i == 0 || i == s.nx || j == 0 || j == s.ny || k == 0 || k == s.nz;
                int rows = face ? 27 + (int)s.cells.face.size() : s.n_coef_rows;
                FUZZ_PROMISE(id >= 0 && id < rows && std::isfinite(p));
                FUZZ_PROMISE(ok || (id == 0 && p == 0.0));
            }
    return "";
}

// bytes as "TSinput.txt" through s.read_geometry; the same promises on coef_id and power.
inline std::string tsinput_verdict(TScn& s, const std::string& bytes, std::string* error)
{
    for (int n = 0; n < s.n_nodes; n++)
    {
        s.coef_id[n] = 0;
        s.power[n] = 0.0;
    }
    std::istringstream in(bytes);
    error->clear();
    bool ok = s.read_geometry(in, "TSinput.txt", *error);
    FUZZ_PROMISE(ok ? error->empty() : located_in(*error, "TSinput.txt"));
    FUZZ_PROMISE(!ok || (s.coef != nullptr &&
                         s.n_coef_rows == 27 * s.n_layers + 1 + (int)s.cells.inner.size()));
    for (int n = 0; n < s.n_nodes; n++)
    {
        const int i = n % (s.nx + 1), k = n / (s.nx + 1) % (s.nz + 1),
                  j = n / ((s.nx + 1) * (s.nz + 1));
        bool face = i == 0 || i == s.nx || j == 0 || j == s.ny || k == 0 || k == s.nz;
        int rows =
            face ? 27 + (int)s.cells.face.size() : 27 * s.n_layers + 1 + (int)s.cells.inner.size();
        FUZZ_PROMISE(s.coef_id[n] >= 0 && s.coef_id[n] < rows);
        FUZZ_PROMISE(std::isfinite(s.power[n]));
        FUZZ_PROMISE(ok || (s.coef_id[n] == 0 && s.power[n] == 0.0));
    }
    return "";
}

// ---- matrix file -------------------------------------------------------------------------------

// bytes as the matrix file "fuzz.mtx" (format 2) through SSMat::read_text, read from memory; an
// accepted matrix is in the sorted state with indices in range, no stored zero and no repeat.
inline std::string matrix_verdict(const std::string& bytes, std::string* error)
{
    error->clear();
    FILE* f = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
    FUZZ_PROMISE(f != nullptr);
    SSMat* A = SSMat::read_text(f, "fuzz.mtx", 2, error);
    if (A == nullptr)
    {
        FUZZ_PROMISE(located_in(*error, "fuzz.mtx"));
        return "";
    }
    std::string broken;
    long long by_rows = 0, by_cols = 0;
    for (int k = 0; k < A->n && broken.empty(); k++)
    {
        int last = -1;
        for (SSMat::Entry* e = A->row[k]; e != nullptr && broken.empty(); e = e->row_next)
        {
            if (e->i != k || e->j < k || e->j >= A->n || e->j <= last)
                broken = "row " + std::to_string(k) + " out of order";
            else if (!std::isfinite(e->value) || e->value == 0.0)
                broken = "row " + std::to_string(k) + " stores a zero or non-finite value";
            last = e->j;
            by_rows++;
        }
        last = -1;
        for (SSMat::Entry* e = A->col[k]; e != nullptr && broken.empty(); e = e->col_next)
        {
            if (e->j != k || e->i > k || e->i < 0 || e->i <= last)
                broken = "column " + std::to_string(k) + " out of order";
            last = e->i;
            by_cols++;
        }
    }
    if (broken.empty() && (by_rows != A->nnz || by_cols != A->nnz))
        broken = "nnz " + std::to_string(A->nnz) + " differs from the entries in the lists";
    bool empty_error = error->empty();
    delete A;
    FUZZ_PROMISE(empty_error);
    return broken.empty() ? "" : "fuzz.mtx: promise broken: " + broken;
}

// ---- power trace -------------------------------------------------------------------------------

// The units a trace is bound to: "core0" and "core1" on a die of 8 x 8 x 4 intervals, "cache" made
// of two blocks, and "hidden", whose one block "die" covers again (it owns no cell).
inline Units trace_units()
{
    const std::vector<BlockRecord> blocks = {
        {"hidden", 1, 1, 3, 3, 3, 4, "Si", 1e9, 1}, {"die", 0, 0, 0, 8, 8, 4, "Si", 0.0, 2},
        {"core0", 1, 1, 3, 3, 3, 4, "Si", 1e9, 3},  {"core1", 5, 1, 3, 7, 3, 4, "Si", 1e9, 4},
        {"cache", 1, 5, 3, 4, 7, 4, "Si", 5e8, 5},  {"cache", 4, 5, 3, 7, 7, 4, "Si", 5e8, 6}};
    return Units(8, 8, 4, 1e-4, 1e-4, 1e-4, blocks);
}

// bytes as the power trace "fuzz.trace" through PowerTrace::read, then bound to the units of
// trace_units(): a refused trace holds nothing; an accepted one has distinct names and one finite
// power >= 0 per name and interval; a bound one names units that own cells, and every interval
// gives every block a finite density >= 0.
inline std::string trace_verdict(const Units& units, const std::string& bytes, std::string* error)
{
    std::istringstream in(bytes);
    PowerTrace t;
    error->clear();
    if (!t.read(in, "fuzz.trace", *error))
    {
        FUZZ_PROMISE(located_in(*error, "fuzz.trace"));
        FUZZ_PROMISE(t.names().empty() && t.intervals() == 0);
        return "";
    }
    FUZZ_PROMISE(error->empty() && t.intervals() >= 1 && !t.names().empty());
    const std::vector<std::string>& names = t.names();
    for (size_t a = 0; a < names.size(); a++)
    {
        FUZZ_PROMISE(!names[a].empty() && names[a].find_first_of(" \t\v\f\n") == std::string::npos);
        for (size_t b = 0; b < a; b++)
            FUZZ_PROMISE(names[a] != names[b]);
    }
    for (size_t r = 0; r < t.intervals(); r++)
        for (size_t c = 0; c < names.size(); c++)
            FUZZ_PROMISE(std::isfinite(t.row(r)[c]) && t.row(r)[c] >= 0.0);
    std::vector<int> column_unit;
    if (!units.bind(t, "fuzz.trace", column_unit, *error))
    {
        FUZZ_PROMISE(located_in(*error, "fuzz.trace"));
        return "";
    }
    FUZZ_PROMISE(error->empty() && column_unit.size() == names.size());
    std::vector<double> density;
    for (size_t r = 0; r < t.intervals(); r++)
    {
        for (int u : column_unit)
            FUZZ_PROMISE(u >= 0 && (size_t)u < units.size() && units.cells((size_t)u) > 0);
        units.densities(column_unit, t.row(r), density);
        for (double q : density)
            FUZZ_PROMISE(std::isfinite(q) && q >= 0.0);
    }
    return "";
}

// ---- shared by the fuzz targets --------------------------------------------------------------

// Accepts and drops everything: the block readers echo layer names on std::cout, which would only
// slow a fuzzer down and bury its reports.
class NullBuffer : public std::streambuf
{
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// Ends the input's run: returns 0 when no promise was broken; otherwise prints the broken promise
// and the reader's rejection and aborts, which libFuzzer keeps as a crash with its input.
inline int judge(const std::string& broken, const std::string& error)
{
    if (broken.empty())
        return 0;
    fprintf(stderr, "%s\n(rejection: %s)\n", broken.c_str(), error.c_str());
    abort();
}

#endif
