// model/TS3D.cpp: construction of the thermal model from a data file or from built-in values
#include "model/TS3D.h"

#include "app/fatal.h"
#include "model/datafile.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace
{

// A new[] copy of s that the model owns.
char* copy_name(const std::string& s)
{
    char* p = new char[s.size() + 1];
    memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

// The data file's items; any rejection ends the program before a result file is touched.
DataFile read_or_exit(const char* data_file)
{
    DataFile d;
    std::string error;
    if (!read_data_file(data_file, d, error))
    {
        if (!std::ifstream(data_file))
            std::cout << "No input file is read!" << std::endl;
        input_error(error.c_str());
    }
    return d;
}

} // namespace

TS3D::TS3D(const char* data_file) : TS3D(read_or_exit(data_file), data_file)
{
}

TS3D::TS3D(const DataFile& d, const char* data_file)
{
    const double spacing[3] = {d.dx, d.dy, d.dz};
    for (int a = 0; a < 3; a++)
        if (spacing[a] > 0.01)
        {
            std::ostringstream w;
            w << data_file << ": d"
              << "xyz"[a] << " = " << spacing[a]
              << " m is larger than 1 cm: spacings are in metres";
            warning(w.str());
        }
    n_steps = d.n_steps;
    nx = d.nx;
    ny = d.ny;
    nz = d.nz;
    dx = d.dx;
    dy = d.dy;
    dz = d.dz;
    dt = d.dt;
    T_amb = d.T_amb;
    for (int f = 0; f < 6; f++)
        h[f] = d.h[f];
    k_ratio = 0.0;

    n_layers = DATA_FILE_LAYERS;
    layers = new material[n_layers];
    for (int r = 0; r < n_layers; r++)
    {
        layers[r].name = copy_name(d.layers[r].name);
        layers[r].index = r;
        layers[r].tag = r;
        layers[r].k = d.layers[r].k;
        layers[r].rho = d.layers[r].rho;
        layers[r].cp = d.layers[r].cp;
    }
    k = layers[d.base_layer].k;
    rho = layers[d.base_layer].rho;
    cp = layers[d.base_layer].cp;

    probe_x = d.probe_x;
    probe_y = d.probe_y;
    probe_z = d.probe_z;
    n_cuts = (int)d.cuts.size();
    cut_axis = new char[n_cuts];
    cut_index = new int[n_cuts];
    cut_file = new char*[n_cuts];
    for (int c = 0; c < n_cuts; c++)
    {
        cut_axis[c] = d.cuts[c].axis;
        cut_index[c] = d.cuts[c].index;
        cut_file[c] = copy_name(d.cuts[c].file);
    }
    finish_setup();
}

// Built-in model of a silicon die with the ten-layer table below.
TS3D::TS3D(int nx, int ny, int nz, double dt, double T_amb)
    : n_steps(0), nx(nx), ny(ny), nz(nz), probe_x(0), probe_y(0), probe_z(0), n_layers(10),
      dx(1e-6), dy(1e-6), dz(1e-6), dt(dt), k_ratio(0.0), n_cuts(0), cut_axis(nullptr),
      cut_index(nullptr), cut_file(nullptr), rho(2329.0), cp(700.0), k(131.0), T_amb(T_amb)
{
    for (int f = 0; f < 6; f++)
        h[f] = 30000.0;
    static const struct
    {
        const char* name;
        int tag;
        double k, rho, cp;
    } table[10] = {
        {"SI", 16, 131.0, 2329.0, 700.0},      {"POLY", 13, 25.06, 7544.0, 2326.0},
        {"M5", 18, 150.0, 2400.0, 800.0},      {"M4", 28, 150.0, 2400.0, 800.0},
        {"M3", 31, 150.0, 2400.0, 800.0},      {"Al", 33, 23.6, 2699.0, 901.3},
        {"Al", 38, 17.6, 2699.0, 901.3},       {"Cu_Bulk", 0, 397.0, 8954.5, 383.6},
        {"Cu_300", 38, 315.82, 8954.5, 383.6}, {"ACTIVE", 38, 150.0, 2400.0, 800.0},
    };
    layers = new material[n_layers];
    for (int r = 0; r < n_layers; r++)
    {
        layers[r].name = copy_name(table[r].name);
        layers[r].index = r;
        layers[r].tag = table[r].tag;
        layers[r].k = table[r].k;
        layers[r].rho = table[r].rho;
        layers[r].cp = table[r].cp;
    }
    finish_setup();
}

// n_nodes, a zeroed boundary table, and the relative conductances of y and z.
void TS3D::finish_setup()
{
    n_nodes = (nx + 1) * (ny + 1) * (nz + 1);
    legacy_rows = false;
    bc_coef = new double*[27];
    for (int t = 0; t < 27; t++)
    {
        bc_coef[t] = new double[11];
        for (int c = 0; c < 11; c++)
            bc_coef[t][c] = 0.0;
    }
    // In the equations scaled by dx^2/k a y link conducts (dx/dy)^2 times an x link, and the
    // convection of a y face scales the same way; likewise for z.
    ry = (dx / dy) * (dx / dy);
    rz = (dx / dz) * (dx / dz);
}

TS3D::~TS3D()
{
    for (int r = 0; r < n_layers; r++)
        delete[] layers[r].name;
    delete[] layers;
    for (int t = 0; t < 27; t++)
        delete[] bc_coef[t];
    delete[] bc_coef;
    for (int c = 0; c < n_cuts; c++)
        delete[] cut_file[c];
    delete[] cut_axis;
    delete[] cut_index;
    delete[] cut_file;
}
