// adi/TSdg.cpp: construction and release of the ADI solver's fields and work arrays
#include "adi/TSdg.h"

#include "adi/field_memory.h"
#include "app/fatal.h"
#include "model/datafile.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <unistd.h>

namespace
{

// One contiguous block of (nx+1)(ny+1)(nz+1) values set to v, with the spines f[i] and f[i][j];
// returns null when the memory cannot be had. V is double or int.
template <typename V> V*** new_field(int nx, int ny, int nz, V v)
{
    size_t ni = (size_t)nx + 1, nj = (size_t)ny + 1, nk = (size_t)nz + 1;
    V*** f = new (std::nothrow) V**[ni];
    V** rows = new (std::nothrow) V*[ni * nj];
    V* data = adi::alloc_values<V>(ni * nj * nk);
    if (!f || !rows || !data)
    {
        delete[] f;
        delete[] rows;
        adi::free_values(data);
        return nullptr;
    }
    for (size_t p = 0; p < ni * nj * nk; p++)
        data[p] = v;
    for (size_t i = 0; i < ni; i++)
    {
        f[i] = rows + i * nj;
        for (size_t j = 0; j < nj; j++)
            f[i][j] = data + (i * nj + j) * nk;
    }
    return f;
}

// Releases a field made by new_field (null is allowed).
template <typename V> void delete_field(V*** f)
{
    if (!f)
        return;
    adi::free_values(f[0][0]);
    delete[] f[0];
    delete[] f;
}

double** new_rows(int n, int width)
{
    double** r = new double*[n];
    for (int p = 0; p < n; p++)
    {
        r[p] = new double[width];
        for (int c = 0; c < width; c++)
            r[p][c] = 0.0;
    }
    return r;
}

void delete_rows(double** r, int n)
{
    for (int p = 0; p < n; p++)
        delete[] r[p];
    delete[] r;
}

double* new_zeros(int n)
{
    double* v = new double[n];
    for (int p = 0; p < n; p++)
        v[p] = 0.0;
    return v;
}

} // namespace

TSdg::TSdg(const char* data_file) : TS3D(data_file)
{
    make_fields();
}

TSdg::TSdg(const DataFile& d, const char* data_file) : TS3D(d, data_file)
{
    make_fields(false);
}

TSdg::TSdg(int nx, int ny, int nz, double dt, double T_amb) : TS3D(nx, ny, nz, dt, T_amb)
{
    make_fields();
}

// The six node fields, the line buffers and the coefficient table. Refuses, before allocating, a
// grid whose fields would not fit in the machine's memory: the allocations themselves may succeed
// on an overcommitting system and fail only when touched. Counted per node: T, T1, T2, T3 and
// power (doubles), coef_id (an int), and the per-node source term the sweeps of a run make
// (adi/TSdg_sweeps.h): 52 bytes. The sweeps' panels are a few planes a thread, beside that.
bool TSdg::fits_in_memory(int nx, int ny, int nz, std::string& error)
{
    size_t nodes = ((size_t)nx + 1) * ((size_t)ny + 1) * ((size_t)nz + 1);
    size_t bytes = nodes * bytes_per_node;
    long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
    if (pages > 0 && page > 0 && bytes / (size_t)page >= (size_t)pages)
    {
        error = "a grid of " + std::to_string(nodes) + " nodes needs " +
                std::to_string(bytes >> 20) + " MiB, more than this machine's memory";
        return false;
    }
    return true;
}

void TSdg::make_fields(bool may_end)
{
    energy_audit = false;
    field_every = 0;
    size_t nodes = ((size_t)nx + 1) * ((size_t)ny + 1) * ((size_t)nz + 1);
    std::string error;
    if (!fits_in_memory(nx, ny, nz, error))
    {
        if (!may_end)
            throw std::bad_alloc();
        input_error(error.c_str());
    }

    power = new_field(nx, ny, nz, 0.0);
    T = new_field(nx, ny, nz, T_amb);
    T1 = new_field(nx, ny, nz, T_amb);
    T2 = new_field(nx, ny, nz, T_amb);
    T3 = new_field(nx, ny, nz, T_amb);
    coef_id = new_field(nx, ny, nz, 0);
    if ((!power || !T || !T1 || !T2 || !T3 || !coef_id) && !may_end)
    {
        for (double*** f : {power, T, T1, T2, T3})
            delete_field(f);
        delete_field(coef_id);
        throw std::bad_alloc();
    }
    if (!power || !T || !T1 || !T2 || !T3 || !coef_id)
        input_error(
            ("a grid of " + std::to_string(nodes) + " nodes is too large to allocate").c_str());

    tri_x = new_rows(nx + 1, 3);
    rhs_x = new_zeros(nx + 1);
    tri_y = new_rows(ny + 1, 3);
    rhs_y = new_zeros(ny + 1);
    tri_z = new_rows(nz + 1, 3);
    rhs_z = new_zeros(nz + 1);

    coef = nullptr;
    make_coef(27 * n_layers + 1);
    // A face node's row id is its boundary type until blocks are read.
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
            for (int kk = 0; kk <= nz; kk++)
                coef_id[i][j][kk] = type_bc(i, j, kk);
}

// The rows of coef lie in one block, 8 values apart, so that a sweep can address a row by its
// number from coef[0].
void TSdg::make_coef(int rows)
{
    if (coef)
    {
        delete[] coef[0];
        delete[] coef;
    }
    n_coef_rows = rows;
    coef = new double*[n_coef_rows];
    coef[0] = new double[8 * (size_t)n_coef_rows];
    for (int r = 0; r < n_coef_rows; r++)
    {
        coef[r] = coef[0] + 8 * (size_t)r;
        for (int c = 0; c < 8; c++)
            coef[r][c] = 0.0;
    }
}

TSdg::~TSdg()
{
    delete[] coef[0];
    delete[] coef;
    delete_field(T);
    delete_field(T1);
    delete_field(T2);
    delete_field(T3);
    delete_field(power);
    delete_field(coef_id);
    delete_rows(tri_x, nx + 1);
    delete[] rhs_x;
    delete_rows(tri_y, ny + 1);
    delete[] rhs_y;
    delete_rows(tri_z, nz + 1);
    delete[] rhs_z;
}

bool TSdg::outputs_inside_grid()
{
    const int last[3] = {nx, ny, nz};
    const int probe[3] = {probe_x, probe_y, probe_z};
    for (int a = 0; a < 3; a++)
        if (probe[a] < 0 || probe[a] > last[a])
        {
            report_error("probe node (" + std::to_string(probe_x) + ", " + std::to_string(probe_y) +
                         ", " + std::to_string(probe_z) + ") lies outside the grid of " +
                         std::to_string(nx + 1) + "X" + std::to_string(ny + 1) + "X" +
                         std::to_string(nz + 1) + " nodes");
            return false;
        }
    for (int c = 0; c < n_cuts; c++)
    {
        int a = cut_axis_index(cut_axis[c]);
        if (a >= 0 && (cut_index[c] < 0 || cut_index[c] > last[a]))
        {
            report_error("cut plane " + std::to_string(c + 1) + " (" + cut_file[c] + ") at index " +
                         std::to_string(cut_index[c]) + " lies outside the grid");
            return false;
        }
    }
    return true;
}
