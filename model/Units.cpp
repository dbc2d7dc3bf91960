// model/Units.cpp: units of the blocks, their cells and nodes, trace densities
#include "model/Units.h"

#include <algorithm>
#include <cmath>
#include <sstream>

Units::Units(int nx, int ny, int nz, double dx, double dy, double dz,
             const std::vector<BlockRecord>& blocks)
    : nx(nx), ny(ny), nz(nz), cell_volume(dx * dy * dz), owners(nx, ny, nz, blocks)
{
    block_cells = owners.cells_per_block();
    block_cells.resize(blocks.size(), 0); // blocks after the last owning one own nothing
    for (size_t b = 0; b < blocks.size(); b++)
    {
        input_density.push_back(blocks[b].power);
        int u = find(blocks[b].name);
        if (u < 0)
        {
            u = (int)names.size();
            names.push_back(blocks[b].name);
            unit_of.emplace(blocks[b].name, u);
            unit_blocks.emplace_back();
            unit_cells.push_back(0);
        }
        block_unit.push_back(u);
        unit_blocks[u].push_back((int)b);
        unit_cells[u] += block_cells[b];
    }
    unit_nodes.resize(names.size());
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
            for (int k = 0; k <= nz; k++)
            {
                int bl[8], count[8], seen[8], n_seen = 0;
                int n = node_blocks(i, j, k, bl, count);
                for (int g = 0; g < n; g++)
                {
                    int u = block_unit[(size_t)bl[g]];
                    if (std::find(seen, seen + n_seen, u) != seen + n_seen)
                        continue;
                    seen[n_seen++] = u;
                    unit_nodes[(size_t)u].push_back((i * (ny + 1) + j) * (nz + 1) + k);
                }
            }
}

int Units::find(const std::string& name) const
{
    auto u = unit_of.find(name);
    return u == unit_of.end() ? -1 : u->second;
}

int Units::node_blocks(int i, int j, int k, int blocks[8], int count[8]) const
{
    int n = 0;
    for (int c = 0; c < 8; c++)
    {
        int b = owners.octant_owner(i, j, k, c);
        if (b < 0)
            continue;
        int g = 0;
        while (g < n && blocks[g] != b)
            g++;
        if (g == n)
        {
            blocks[n] = b;
            count[n++] = 0;
        }
        count[g]++;
    }
    return n;
}

double Units::other_watts(const std::vector<int>& column_unit) const
{
    double w = 0.0;
    for (size_t b = 0; b < block_unit.size(); b++)
        if (std::find(column_unit.begin(), column_unit.end(), block_unit[b]) == column_unit.end())
            w += input_density[b] * ((double)block_cells[b] * cell_volume);
    return w;
}

bool Units::bind(const PowerTrace& trace, const std::string& trace_file,
                 std::vector<int>& column_unit, std::string& error) const
{
    column_unit.clear();
    const std::string at = trace_file + ":" + std::to_string(trace.names_line()) + ": ";
    for (const std::string& n : trace.names())
    {
        int u = find(n);
        if (u < 0)
        {
            error = at + "unit '" + n + "' is not the name of a block of the input file";
            return false;
        }
        if (unit_cells[(size_t)u] == 0)
        {
            error =
                at + "unit '" + n + "' owns no cell: later blocks cover every cell of its blocks";
            return false;
        }
        column_unit.push_back(u);
    }
    for (size_t r = 0; r < trace.intervals(); r++)
        for (size_t c = 0; c < column_unit.size(); c++)
        {
            const std::string why = density_overflow((size_t)column_unit[c], trace.row(r)[c]);
            if (why.empty())
                continue;
            error = trace_file + ":" + std::to_string(trace.row_line(r)) + ": " + why;
            column_unit.clear();
            return false;
        }
    return true;
}

std::string Units::density_overflow(size_t u, double watts) const
{
    if (std::isfinite(density(u, watts)))
        return "";
    std::ostringstream what;
    what << "power " << watts << " W of unit '" << names[u] << "' is too large: over the unit's "
         << volume(u) << " m^3 its density is beyond the range of numbers";
    return what.str();
}

void Units::densities(const std::vector<int>& column_unit, const double* watts,
                      std::vector<double>& density) const
{
    density = input_density;
    for (size_t c = 0; c < column_unit.size(); c++)
    {
        size_t u = (size_t)column_unit[c];
        double q = this->density(u, watts[c]);
        for (int b : unit_blocks[u])
            density[(size_t)b] = q;
    }
}

void Units::watch(const std::vector<int>& units)
{
    std::vector<bool> watched(names.size(), false);
    for (int u : units)
        watched[(size_t)u] = true;
    watch_node.clear();
    watch_block.clear();
    watch_count.clear();
    watch_begin.assign(1, 0);
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
            for (int k = 0; k <= nz; k++)
            {
                int bl[8], count[8];
                int n = node_blocks(i, j, k, bl, count);
                bool touch = false;
                for (int g = 0; g < n; g++)
                    touch = touch || watched[(size_t)block_unit[(size_t)bl[g]]];
                if (!touch)
                    continue;
                watch_node.push_back((i * (ny + 1) + j) * (nz + 1) + k);
                watch_block.insert(watch_block.end(), bl, bl + n);
                watch_count.insert(watch_count.end(), count, count + n);
                watch_begin.push_back((int)watch_block.size());
            }
}
