// mpi/Results.h: the result files of a distributed run, written by rank 0
#ifndef MPI_RESULTS_H
#define MPI_RESULTS_H

#include "mpi/Operator.h"

#include <string>
#include <vector>

namespace dist
{

// The probe temperature and the cut planes of a field u = T - T_amb distributed over op's DMDA.
// Only rank 0 holds a plane; the other processes send it their part.
class Results
{
public:
    explicit Results(const Operator& op);

    // T at the model's probe node, on every process.
    double probe(Vec u) const;
    // Writes every cut plane of the model as the single-machine run does (one line per row, each
    // value followed by a tab; a plane of another axis letter is reported on standard output and
    // its file left empty). Rank 0 adds the name of each file it could not create or write to
    // failed. Collective.
    void write_cut_planes(Vec u, std::vector<std::string>& failed) const;

private:
    const Operator& op;
    const TS3D& m;
    bool is_root;
    MPI_Comm comm;
};

} // namespace dist

#endif
