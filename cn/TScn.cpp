// cn/TScn.cpp: Crank-Nicolson solver state: construction, release and the reader of "TSinput.txt"
#include "cn/TScn.h"

#include "app/fatal.h"
#include "model/blocks.h"
#include "model/text_file.h"

#include <algorithm>
#include <iostream>
#include <sstream>
#include <vector>

TScn::TScn(int nx, int ny, int nz, double dt, double T_amb)
    : TS3D(nx, ny, nz, dt, T_amb), n_coef_rows(0), coef(nullptr), rhs_perm(nullptr),
      A_perm(nullptr), L(nullptr), blocks_file("TSinput.txt")
{
    make_arrays(35.0);
}

TScn::TScn(const DataFile& d, const char* data_file)
    : TS3D(d, data_file), n_coef_rows(0), coef(nullptr), rhs_perm(nullptr), A_perm(nullptr),
      L(nullptr), blocks_file("TSinput.txt")
{
    make_arrays(T_amb);
}

void TScn::make_arrays(double T_start)
{
    A = new SSMat(n_nodes);
    T = new double[n_nodes];
    power = new double[n_nodes];
    rhs = new double[n_nodes];
    coef_id = new int[n_nodes];
    for (int n = 0; n < n_nodes; n++)
    {
        T[n] = T_start;
        rhs[n] = 0.0;
        power[n] = 0.0;
    }
    // a face node's row id is its boundary type until blocks are read
    for (int j = 0; j <= ny; j++)
        for (int k = 0; k <= nz; k++)
            for (int i = 0; i <= nx; i++)
                coef_id[node(i, j, k)] = type_bc(i, j, k);
}

// A run releases A, A_perm, L and rhs_perm and nulls them; whatever is still held here was never
// used by a run (or the run was refused).
TScn::~TScn()
{
    delete[] T;
    delete[] rhs;
    delete[] power;
    delete[] coef_id;
    if (coef != nullptr)
    {
        for (int r = 0; r < n_coef_rows; r++)
            delete[] coef[r];
        delete[] coef;
    }
    delete A;
    delete A_perm;
    delete L;
    delete[] rhs_perm;
}

// The whole file is read into memory first, so that the reader can report lines.
bool TScn::read_geometry(std::string& error)
{
    std::string text;
    if (!read_text_file(blocks_file.c_str(), "input", text, error))
        return false;
    std::istringstream in(text);
    return read_geometry(in, blocks_file.c_str(), error);
}

bool TScn::read_geometry(std::istream& in, const char* file, std::string& error)
{
    // ---- records: nothing is applied unless all read whole and lie in the grid ---------------
    std::vector<BlockRecord> blocks;
    if (!parse_block_records(in, file, COMMENT_AFTER_BLANKS, blocks, error))
        return false;
    for (const BlockRecord& b : blocks)
        if (!block_inside_grid(b, nx, ny, nz, file, error))
            return false;
    if (blocks.empty())
        warning(std::string(file) + ": no block: the chip is all base material with no power");

    // ---- layers in file order; an unknown layer keeps the previous block's index -------------
    std::vector<int> index(blocks.size());
    std::vector<double> density(blocks.size());
    int layer = 0;
    for (size_t b = 0; b < blocks.size(); b++)
    {
        std::cout << "Layer Name= " << blocks[b].layer << std::endl;
        int found = find_layer(layers, n_layers, blocks[b].layer.c_str());
        if (found < 0)
            std::cout << "Layer " << blocks[b].layer << " is not defined" << std::endl;
        else
            layer = layers[found].index;
        index[b] = layer;
        density[b] = blocks[b].power;
    }
    assign_blocks(blocks, index, density,
                  [&](int i, int j, int k, int id, double q0)
                  {
                      int n = node(i, j, k);
                      coef_id[n] = id;
                      power[n] = q0;
                  });

    // ---- coefficient table: 27 rows per layer, the base row and the cells' rows, all 0.0 ------
    if (coef != nullptr)
    {
        for (int r = 0; r < n_coef_rows; r++)
            delete[] coef[r];
        delete[] coef;
    }
    n_coef_rows = 27 * n_layers + 1 + (int)cells.inner.size();
    coef = new double*[n_coef_rows];
    for (int r = 0; r < n_coef_rows; r++)
    {
        coef[r] = new double[8];
        for (int c = 0; c < 8; c++)
            coef[r][c] = 0.0;
    }
    return true;
}
