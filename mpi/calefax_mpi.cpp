// mpi/calefax_mpi.cpp: the distributed simulator:
//   mpirun -n P calefax-mpi [options] data_file input_file [PETSc options]
#include "app/fatal.h"
#include "mpi/Inputs.h"
#include "mpi/Operator.h"
#include "mpi/Results.h"
#include "mpi/SteadySolver.h"
#include "mpi/Transient.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace
{

struct Options
{
    std::vector<const char*> files;
    std::vector<char*> petsc; // program name, then the PETSc options and their values
    bool steady = false;
    long steps = -1;
};

void help()
{
    std::cout
        << "Usage: mpirun -n P calefax-mpi [options] data_file input_file [PETSc options]\n"
           "\n"
           "Advances the temperature of the chip of data_file, with the blocks of input_file,\n"
           "by Crank-Nicolson steps on a grid distributed over the P processes, and writes the\n"
           "probe history (Calefax_transient.txt) and the cut planes named in data_file, as\n"
           "Calefax does. Options may stand before or after the file names.\n"
           "\n"
           "  --steady   compute the steady state instead (no time steps): write the cut planes\n"
           "             and Calefax_steady.txt (the probe), print the residual per iteration\n"
           "             and the balance of power in and heat out\n"
           "  --steps N  run N steps instead of the data file's n_steps\n"
           "  --help     print this text and exit\n"
           "\n"
           "Words starting with one dash are PETSc options, and a plain word right after one is\n"
           "its value (give flags such as -ksp_monitor after the files or before another\n"
           "option). Defaults: -ksp_type cg, the algebraic multigrid preconditioner PETSc has\n"
           "(hypre's BoomerAMG, else gamg), -ksp_rtol 1e-10, -ksp_max_it 400.\n";
}

// Returns -1 to run; else the exit status (0 after --help, 2 after an error line).
int parse(int argc, char** argv, Options& o, bool root)
{
    static const char* const single[] = {"--from-steady", "--energy", "--legacy-rows"};
    static const char* const valued[] = {"--field", "--field-every", "--power", "--unit-temps",
                                         "--interval"};
    o.petsc.push_back(argv[0]);
    for (int a = 1; a < argc; a++)
    {
        const std::string arg = argv[a];
        if (arg == "--")
        {
            for (a++; a < argc; a++)
                o.files.push_back(argv[a]);
            break;
        }
        if (arg == "--help")
        {
            if (root)
                help();
            return 0;
        }
        if (arg == "--steady")
            o.steady = true;
        else if (arg == "--steps")
        {
            char* end = nullptr;
            const char* v = a + 1 < argc ? argv[++a] : "";
            o.steps = strtol(v, &end, 10);
            if (*v == '\0' || *end != '\0' || o.steps < 0 || o.steps > 1000000000)
            {
                if (root)
                    report_error("--steps takes a whole number of steps from 0, not '" +
                                 std::string(v) + "'");
                return 2;
            }
        }
        else if (arg.compare(0, 2, "--") == 0)
        {
            bool calefax_only = false;
            for (const char* s : single)
                calefax_only = calefax_only || arg == s;
            for (const char* s : valued)
                calefax_only = calefax_only || arg == s;
            if (root)
                report_error(calefax_only
                                 ? arg + " is an option of Calefax, not of calefax-mpi"
                                 : "unknown option '" + arg + "' (see calefax-mpi --help)");
            return 2;
        }
        else if (arg.size() > 1 && arg[0] == '-')
        {
            o.petsc.push_back(argv[a]);
            if (a + 1 < argc && argv[a + 1][0] != '-')
                o.petsc.push_back(argv[++a]);
        }
        else
            o.files.push_back(argv[a]);
    }
    if (o.files.size() != 2)
    {
        if (root)
            report_error(
                "calefax-mpi takes a data file and an input file (see calefax-mpi --help)");
        return 2;
    }
    return -1;
}

// Peak resident memory of each process, on rank 0: the largest and the smallest, MiB.
void memory_line(MPI_Comm comm, bool root)
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    double mib = u.ru_maxrss / 1024.0, hi = 0.0, lo = 0.0;
    MPI_Reduce(&mib, &hi, 1, MPI_DOUBLE, MPI_MAX, 0, comm);
    MPI_Reduce(&mib, &lo, 1, MPI_DOUBLE, MPI_MIN, 0, comm);
    if (root)
        std::cout << "Peak memory per process:  " << std::fixed << std::setprecision(1) << lo
                  << " to " << hi << " MiB" << std::defaultfloat << std::setprecision(6)
                  << std::endl;
}

int run_steady(const dist::Operator& op, Vec u, bool root)
{
    const TS3D& m = op.model();
    dist::SteadySolver solver(op);
    double t0 = MPI_Wtime();
    dist::SteadyOutcome r = solver.solve(u, root ? &std::cout : nullptr);
    double t1 = MPI_Wtime();
    if (!r.converged)
    {
        if (root)
            report_error(r.error);
        return 1;
    }
    dist::Results results(op);
    double probe = results.probe(u);
    std::vector<std::string> failed;
    if (root)
    {
        std::cout << std::setprecision(12);
        std::cout << "Power in:                     " << r.power_in << " W" << std::endl;
        std::cout << "Heat out through the faces:   " << r.heat_out << " W" << std::endl;
        std::cout << std::setprecision(3);
        std::cout << "Balance (relative):           " << r.balance() << std::endl;
        std::cout << "Steady state after " << r.iterations << " iterations (" << r.method
                  << "), relative residual " << r.residual << " (" << t1 - t0 << " s)" << std::endl;
        std::cout << std::setprecision(6);
        std::ofstream out("Calefax_steady.txt");
        out << "\\" << m.nx + 1 << "X" << m.ny + 1 << "X" << m.nz + 1 << std::endl;
        out << probe << std::endl;
        out.close();
        if (out.fail())
            failed.push_back("Calefax_steady.txt");
    }
    results.write_cut_planes(u, failed);
    if (root)
    {
        std::cout << "The mesh size is:  " << m.nx + 1 << "X" << m.ny + 1 << "X" << m.nz + 1
                  << std::endl;
        std::cout << "Done!" << std::endl;
    }
    return report_unwritten(failed);
}

int run_transient(const dist::Operator& op, Vec u, int n_steps, bool root)
{
    const TS3D& m = op.model();
    std::ofstream out;
    if (root)
    {
        out.open("Calefax_transient.txt");
        out << "\\" << m.nx + 1 << "X" << m.ny + 1 << "X" << m.nz + 1 << std::endl;
    }
    VecSet(u, 0.0);
    double t0 = MPI_Wtime();
    dist::Transient cn(op);
    dist::Results results(op);
    double t_setup = 0.0;
    for (int step = 0; step < n_steps; step++)
    {
        std::string error;
        if (!cn.step(u, error))
        {
            if (root)
                report_error(error);
            return 1;
        }
        if (step == 0)
            t_setup = MPI_Wtime() - t0;
        double probe = results.probe(u);
        if (root)
        {
            std::cout << "Iteration = " << step << std::endl;
            out << step + 1 << "      " << probe << std::endl;
        }
    }
    double t1 = MPI_Wtime();
    std::vector<std::string> failed;
    results.write_cut_planes(u, failed);
    if (!root)
        return 0;
    std::cout << "The mesh size is:  " << m.nx + 1 << "X" << m.ny + 1 << "X" << m.nz + 1
              << std::endl;
    std::cout << "Done!" << std::endl;
    std::cout << "\n\nRun time of the Calefax Simulator is...  " << t1 - t0 << " seconds"
              << std::endl;
    if (n_steps > 0)
        std::cout << "Crank-Nicolson (" << cn.method() << "): " << cn.iterations()
                  << " iterations in " << n_steps << " steps; first step (with the set-up) "
                  << t_setup << " s, then "
                  << (n_steps > 1 ? (t1 - t0 - t_setup) / (n_steps - 1) : 0.0) << " s per step"
                  << std::endl;
    out.close();
    if (out.fail())
        failed.insert(failed.begin(), "Calefax_transient.txt");
    return report_unwritten(failed);
}

} // namespace

int main(int argc, char** argv)
{
    MPI_Init(&argc, &argv);
    int rank = 0, size = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    const bool root = rank == 0;
    Options o;
    int status = parse(argc, argv, o, root);
    if (status >= 0)
    {
        MPI_Finalize();
        return status;
    }
    int pargc = (int)o.petsc.size();
    o.petsc.push_back(nullptr);
    char** pargv = o.petsc.data();
    PetscInitialize(&pargc, &pargv, nullptr, nullptr);
    {
        dist::Inputs in;
        std::string error;
        bool ok = dist::read_inputs(PETSC_COMM_WORLD, o.files[0], o.files[1], in, error);
        if (root)
            for (const std::string& name : in.unknown_layers)
                std::cout << "Layer " << name << " is not defined" << std::endl;
        if (!ok)
        {
            if (root)
                report_error(error);
            status = 1;
        }
        else
        {
            TS3D& m = *in.model;
            DM da = dist::make_grid(m, PETSC_COMM_WORLD);
            PetscInt px, py, pz;
            DMDAGetInfo(da, nullptr, nullptr, nullptr, nullptr, &px, &py, &pz, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr);
            if (root)
                std::cout << "calefax-mpi: " << m.nx + 1 << "X" << m.ny + 1 << "X" << m.nz + 1
                          << " nodes on " << size << " processes (" << px << " x " << py << " x "
                          << pz << ")" << std::endl;
            {
                dist::Operator op(in, da);
                Vec u;
                DMCreateGlobalVector(da, &u);
                int steps = o.steps >= 0 ? (int)o.steps : m.n_steps;
                status = o.steady ? run_steady(op, u, root) : run_transient(op, u, steps, root);
                VecDestroy(&u);
            }
            DMDestroy(&da);
            memory_line(PETSC_COMM_WORLD, root);
        }
    }
    PetscFinalize();
    MPI_Finalize();
    return status;
}
