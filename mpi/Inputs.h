// mpi/Inputs.h: the data file and input file of a distributed run, read once and shared
#ifndef MPI_INPUTS_H
#define MPI_INPUTS_H

#include "model/TS3D.h"
#include "model/blocks.h"

#include <memory>
#include <mpi.h>
#include <string>
#include <vector>

namespace dist
{

// What every process of a distributed run knows of the chip: the model (grid, time step, faces,
// layers, probe, cut planes; no node field) and the block list with each block's layer index and
// power density. The block list is small, so every process holds all of it.
struct Inputs
{
    std::unique_ptr<TS3D> model;
    std::vector<BlockRecord> blocks;
    std::vector<int> layer;                  // layer index of each block
    std::vector<double> density;             // power density of each block, W/m^3
    std::vector<std::string> unknown_layers; // names not in the layer table, in file order
};

// Rank 0 of comm reads both files and hands their text to every process, which parses it, so that
// all processes take the same decision and a file need only be visible to rank 0. Returns true
// with in filled, or false with error set to the same one line the single-machine program gives
// ("FILE:LINE: what was wrong", or the file that cannot be opened). Warnings about the inputs are
// written by rank 0 only.
bool read_inputs(MPI_Comm comm, const char* data_file, const char* input_file, Inputs& in,
                 std::string& error);

} // namespace dist

#endif
