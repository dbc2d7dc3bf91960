// adi/TSdg_geometry.cpp: blocks of the input file into coef_id and power; rectangles in memory
#include "adi/TSdg.h"

#include "app/fatal.h"
#include "model/blocks.h"
#include "model/text_file.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

// Opens the input file and hands its text to the reader below; any rejection ends the program.
void TSdg::read_geometry(const char* input_file)
{
    std::string text, error;
    if (!read_text_file(input_file, "input", text, error))
        input_error(error.c_str());
    std::istringstream in(text);
    if (!read_geometry(in, input_file, error))
        input_error(error.c_str());
}

// coef zeroed and sized for the rows the blocks need; then every node's row id and power from the
// blocks (TS3D::assign_blocks). Nothing is applied unless every record reads whole, lies in the
// grid and names a known layer.
bool TSdg::read_geometry(std::istream& in, const char* file, std::string& error)
{
    std::vector<BlockRecord> blocks;
    bool read_whole = parse_block_records(in, file, COMMENT_AT_NEXT_CHAR, blocks, error);

    std::vector<int> index(blocks.size());
    std::vector<double> density(blocks.size());
    int unknown = 0;
    std::string first_unknown;
    for (size_t b = 0; b < blocks.size(); b++)
    {
        density[b] = blocks[b].power;
        index[b] = find_layer(layers, n_layers, blocks[b].layer.c_str());
        if (index[b] < 0)
        {
            std::cout << "Layer " << blocks[b].layer << " is not defined" << std::endl;
            if (unknown++ == 0)
            {
                std::ostringstream s;
                s << file << ":" << blocks[b].line << ": block '" << blocks[b].name
                  << "' names layer '" << blocks[b].layer << "', which is not in the layer table";
                first_unknown = s.str();
            }
        }
    }
    if (!read_whole)
        return false;
    for (const BlockRecord& b : blocks)
        if (!block_inside_grid(b, nx, ny, nz, file, error))
            return false;
    if (unknown > 0)
    {
        error = first_unknown;
        if (unknown > 1)
            error += " (and " + std::to_string(unknown - 1) + " more unknown layer names)";
        return false;
    }
    if (blocks.empty())
        warning(std::string(file) + ": no block: the chip is all base material with no power");

    assign_blocks(blocks, index, density,
                  [&](int i, int j, int k, int id, double q0)
                  {
                      coef_id[i][j][k] = id;
                      power[i][j][k] = q0;
                  });
    make_coef(27 * n_layers + 1 + (int)cells.inner.size());
    records = std::move(blocks);
    return true;
}

namespace
{

// Cell range of a rectangle edge pair in units of which one interval is 10.
inline int cell_of(int v)
{
    return (v + 5) / 10;
}

// Covered width of cell c of a span v1..v2 whose cells run c0..c1.
inline double covered(int c, int c0, int c1, int v1, int v2)
{
    double w = 10.0;
    if (c == c0)
        w -= v1 - (c0 - 0.5) * 10;
    if (c == c1)
        w -= (c1 + 0.5) * 10 - v2;
    return w;
}

} // namespace

void TSdg::read_geometry_Zelkor(int** rects, int n_rects, double unit, int thickness, int, int, int,
                                int, double* rect_power)
{
    // The rectangle reader has always announced itself with this line, and callers that parse
    // the console expect it before anything else it prints.
    std::cout << "test\n";
    dx = 10 * unit;
    dy = 10 * unit;
    dz = 2 * thickness * unit;
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
            for (int k = 0; k <= nz; k++)
                power[i][j][k] = 0.0;
    if (nz < 2)
        return;

    for (int b = 0; b < n_rects; b++)
    {
        int x1 = rects[b][0], y1 = rects[b][1], x2 = rects[b][2], y2 = rects[b][3];
        int i0 = cell_of(x1), i1 = cell_of(x2), j0 = cell_of(y1), j1 = cell_of(y2);
        for (int i = i0; i <= i1; i++)
        {
            if (i + 1 < 0 || i + 1 > nx)
                continue;
            int ax = (i == i0) ? 0 : (i == i1) ? 2 : 1;
            double wx = covered(i, i0, i1, x1, x2);
            for (int j = j0; j <= j1; j++)
            {
                if (j + 1 < 0 || j + 1 > ny)
                    continue;
                int ay = (j == j0) ? 0 : (j == j1) ? 2 : 1;
                double wy = covered(j, j0, j1, y1, y2);
                // Overlapping rectangles add their power, spread by covered area.
                power[i + 1][j + 1][1] += rect_power[b] * wx * wy / (dz * 100.0);
                power[i + 1][j + 1][2] = power[i + 1][j + 1][1];
                // nodes on a face of the grid keep their face rows
                if (i + 1 < nx && j + 1 < ny)
                {
                    coef_id[i + 1][j + 1][1] = 8 * 27 + 9 * ax + 3 * ay + 0 + 1;
                    if (nz > 2)
                        coef_id[i + 1][j + 1][2] = 8 * 27 + 9 * ax + 3 * ay + 2 + 1;
                }
            }
        }
    }
}

void TSdg::get_temperature(int** rects, int na, int nb, double** out_a, double** out_b)
{
    if (na < 2 || nb < 2)
        return;
    int na1 = na - 1, nb1 = nb - 1;
    int split = (na - 1) * nb;
    int count = (nb - 1) * na + (na - 1) * nb;
    for (int r = 0; r < count; r++)
    {
        int i0 = cell_of(rects[r][0]), i1 = cell_of(rects[r][2]);
        int j0 = cell_of(rects[r][1]), j1 = cell_of(rects[r][3]);
        double sum = 0.0;
        int cells = 0;
        for (int i = i0; i <= i1; i++)
            for (int j = j0; j <= j1; j++)
            {
                if (i + 1 < 0 || i + 1 > nx || j + 1 < 0 || j + 1 > ny || nz < 2)
                    continue;
                sum += T[i + 1][j + 1][1] + T[i + 1][j + 1][2];
                cells++;
            }
        double avg = cells > 0 ? sum / (2 * cells) : NAN;
        if (r < split)
            out_a[r % na1][r / na1] = avg;
        else
        {
            int q = r - split;
            out_b[q / nb1][q % nb1] = avg;
        }
    }
}
