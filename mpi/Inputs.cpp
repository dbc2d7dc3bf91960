// mpi/Inputs.cpp: the inputs read on rank 0, broadcast, and parsed by every process
#include "mpi/Inputs.h"

#include "app/fatal.h"
#include "model/datafile.h"
#include "model/text_file.h"

#include <sstream>
#include <unistd.h>

namespace dist
{

namespace
{

// Rank 0's text of path, or its error, on every process; true when it was read.
bool shared_text(MPI_Comm comm, const char* path, const char* what, std::string& text,
                 std::string& error)
{
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    int ok = 1;
    std::string payload;
    if (rank == 0)
    {
        ok = read_text_file(path, what, text, error) ? 1 : 0;
        payload = ok ? text : error;
    }
    MPI_Bcast(&ok, 1, MPI_INT, 0, comm);
    unsigned long long size = payload.size();
    MPI_Bcast(&size, 1, MPI_UNSIGNED_LONG_LONG, 0, comm);
    payload.resize(size);
    // in pieces below 2^31 bytes, the most one call may move
    for (unsigned long long at = 0; at < size; at += 1ull << 30)
    {
        unsigned long long n = std::min(size - at, 1ull << 30);
        MPI_Bcast(&payload[at], (int)n, MPI_CHAR, 0, comm);
    }
    (ok ? text : error) = payload;
    return ok != 0;
}

// Runs make with standard error silenced on every rank but 0, so that the model's warnings are
// written once.
template <typename Make> void once_on_stderr(MPI_Comm comm, Make make)
{
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    if (rank == 0)
    {
        make();
        return;
    }
    fflush(stderr);
    int saved = dup(2);
    FILE* null = fopen("/dev/null", "w");
    if (saved >= 0 && null)
        dup2(fileno(null), 2);
    make();
    fflush(stderr);
    if (saved >= 0 && null)
        dup2(saved, 2);
    if (null)
        fclose(null);
    if (saved >= 0)
        close(saved);
}

} // namespace

bool read_inputs(MPI_Comm comm, const char* data_file, const char* input_file, Inputs& in,
                 std::string& error)
{
    std::string text;
    if (!shared_text(comm, data_file, "data", text, error))
        return false;
    DataFile d;
    {
        std::istringstream s(text);
        if (!parse_data_file(s, data_file, d, error))
            return false;
    }
    once_on_stderr(comm, [&]() { in.model.reset(new TS3D(d, data_file)); });
    TS3D& m = *in.model;

    if (!shared_text(comm, input_file, "input", text, error))
        return false;
    std::istringstream s(text);
    bool read_whole = parse_block_records(s, input_file, COMMENT_AT_NEXT_CHAR, in.blocks, error);
    // the checks in the order of the single-machine reader: a record that does not read whole,
    // then a corner outside the grid, then the layer names
    in.layer.assign(in.blocks.size(), -1);
    in.density.assign(in.blocks.size(), 0.0);
    std::string first_unknown;
    for (size_t b = 0; b < in.blocks.size(); b++)
    {
        in.density[b] = in.blocks[b].power;
        in.layer[b] = find_layer(m.layers, m.n_layers, in.blocks[b].layer.c_str());
        if (in.layer[b] >= 0)
            continue;
        in.unknown_layers.push_back(in.blocks[b].layer);
        if (first_unknown.empty())
        {
            std::ostringstream w;
            w << input_file << ":" << in.blocks[b].line << ": block '" << in.blocks[b].name
              << "' names layer '" << in.blocks[b].layer << "', which is not in the layer table";
            first_unknown = w.str();
        }
    }
    if (!read_whole)
        return false;
    for (const BlockRecord& b : in.blocks)
        if (!block_inside_grid(b, m.nx, m.ny, m.nz, input_file, error))
            return false;
    if (!in.unknown_layers.empty())
    {
        error = first_unknown;
        if (in.unknown_layers.size() > 1)
            error += " (and " + std::to_string(in.unknown_layers.size() - 1) +
                     " more unknown layer names)";
        return false;
    }
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    if (in.blocks.empty() && rank == 0)
        warning(std::string(input_file) +
                ": no block: the chip is all base material with no power");
    return true;
}

} // namespace dist
