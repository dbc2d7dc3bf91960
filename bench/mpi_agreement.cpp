// bench/mpi_agreement.cpp: calefax-mpi against the single-machine engine on the files given, for
// the figures of the README (run under mpirun, see bench/mpi_scaling.sh):
//   mpi_agreement steady DATA INPUT         the steady states
//   mpi_agreement transient DATA INPUT N    N steps of each engine from T_amb
// prints the largest difference, the largest rise above T_amb and their ratio.
#include "tests/mpi_reference.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <petscsys.h>

int main(int argc, char** argv)
{
    if (argc < 4 || (strcmp(argv[1], "transient") == 0 && argc < 5))
    {
        std::cerr << "usage: mpi_agreement steady|transient DATA INPUT [STEPS] [PETSc options]\n";
        return 2;
    }
    const bool steady = strcmp(argv[1], "steady") == 0;
    const char *data = argv[2], *input = argv[3];
    const int steps = steady ? 0 : atoi(argv[4]);
    PetscInitialize(&argc, &argv, nullptr, nullptr);
    int rank = 0, size = 1;
    MPI_Comm_rank(PETSC_COMM_WORLD, &rank);
    MPI_Comm_size(PETSC_COMM_WORLD, &size);
    FieldDifference d = steady ? steady_difference(data, input, PETSC_COMM_WORLD)
                               : transient_difference(data, input, steps, PETSC_COMM_WORLD);
    if (rank == 0)
    {
        if (!d.error.empty() || !d.adi_error.empty())
            std::cout << "error: " << d.error << " / " << d.adi_error << std::endl;
        else
            std::cout << argv[1] << " on " << size << " processes: largest difference " << d.diff
                      << " K, largest rise " << d.scale << " K, relative " << d.relative() << ", "
                      << d.iterations << " Krylov iterations" << std::endl;
    }
    PetscFinalize();
    return d.error.empty() && d.adi_error.empty() ? 0 : 1;
}
