// model/Units.h: the units of a chip (its distinct block names), the cells and nodes each owns, and
// the exact power densities of a power trace
#ifndef MODEL_UNITS_H
#define MODEL_UNITS_H

#include "model/PowerTrace.h"
#include "model/blocks.h"
#include "model/cells.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

// A unit is one name of the input file's blocks; a unit made of several rectangles has several
// blocks. Units are numbered in the order in which their names first appear. A unit owns the cells
// its blocks own after overlaps (model/cells.h: a later block wins), and its nodes are the corners
// of those cells.
//
// A unit given W watts gets the density W/V on every one of its blocks, V the volume of the cells
// it owns (cells*(dx*dy*dz)): so its blocks share the watts in proportion to their cell volume, and
// since a block injects exactly its density times the volume of its cells, the unit injects W.
class Units
{
public:
    // The blocks must lie in the grid of nx x ny x nz intervals of spacing dx, dy, dz (m).
    Units(int nx, int ny, int nz, double dx, double dy, double dz,
          const std::vector<BlockRecord>& blocks);

    size_t size() const { return names.size(); }
    const std::string& name(size_t u) const { return names[u]; }
    int find(const std::string& name) const; // the unit of that name, -1 if none
    const std::vector<int>& blocks_of(size_t u) const { return unit_blocks[u]; }
    long long cells(size_t u) const { return unit_cells[u]; }
    long long block_cells_owned(size_t b) const { return block_cells[b]; } // cells block b owns
    double volume(size_t u) const { return (double)unit_cells[u] * cell_volume; }
    double density(size_t u, double watts) const { return watts / volume(u); }
    // "" when watts on unit u give a finite density; else why not, as "power W W of unit 'NAME'
    // is too large: ...".
    std::string density_overflow(size_t u, double watts) const;
    // Flat indices ((i*(ny+1) + j)*(nz+1) + k) of the unit's nodes, ascending.
    const std::vector<int>& nodes(size_t u) const { return unit_nodes[u]; }
    // Power of the blocks that no unit of column_unit covers (their input densities), W.
    double other_watts(const std::vector<int>& column_unit) const;

    // column_unit[c]: the unit that column c of the trace names. Refuses, with error
    // "TRACE:LINE: ...", a name that is no block's, a unit that owns no cell, and a power whose
    // density over the unit's volume is beyond the range of doubles.
    bool bind(const PowerTrace& trace, const std::string& trace_file, std::vector<int>& column_unit,
              std::string& error) const;
    // Block densities for one interval: the units of the columns get watts[c]/V on their blocks,
    // every other block its input density.
    void densities(const std::vector<int>& column_unit, const double* watts,
                   std::vector<double>& density) const;

    // Prepares node_powers for the nodes that touch a cell of the units listed.
    void watch(const std::vector<int>& units);
    // Calls f(p, q0) for every watched node p (flat index, ascending) with the mean power density
    // of its cells under the block densities given (model/cells.h: cells_power, the order of the
    // whole-grid assignment), so that a node gets the very value an input file of those densities
    // gives it.
    template <typename F> void node_powers(const std::vector<double>& density, F f) const
    {
        for (size_t w = 0; w + 1 < watch_begin.size(); w++)
        {
            int b = watch_begin[w];
            f((ptrdiff_t)watch_node[w],
              cells_power(&watch_block[b], &watch_count[b], watch_begin[w + 1] - b, density));
        }
    }

private:
    int nx, ny, nz;
    double cell_volume;
    std::vector<double> input_density; // per block
    std::vector<int> block_unit;       // per block
    std::vector<long long> block_cells;
    std::vector<std::string> names;
    std::unordered_map<std::string, int> unit_of; // a name's unit
    std::vector<std::vector<int>> unit_blocks;
    std::vector<long long> unit_cells;
    std::vector<std::vector<int>> unit_nodes;
    CellOwners owners;
    // watched nodes: node watch_node[w] has blocks watch_block[watch_begin[w]..watch_begin[w+1]-1]
    std::vector<int> watch_node, watch_begin, watch_block, watch_count;

    // The distinct blocks owning octants of node (i, j, k) in order of first appearance, with the
    // number of octants each owns; returns their number.
    int node_blocks(int i, int j, int k, int blocks[8], int count[8]) const;
};

#endif
