// app/calefax_cn.cpp: calefax-cn, the Crank-Nicolson solver as a command, and the library's example
//
//   calefax-cn NX NY NZ DT T_AMB METHOD STEPS PX PY PZ [--convection] [--blocks FILE]
//   calefax-cn --data DATA_FILE [--blocks FILE] METHOD [--convection]
//
// It reads the blocks of "TSinput.txt" in the current directory (or --blocks FILE) and runs the
// fixed-face run ("Crank_Nicolson.txt") or, with --convection, the convective run
// ("Crank_Nicolson_Conv.txt"), on the built-in 1 um model or on the chip of a data file.
// Calling the solver from C++ takes three lines, as main() below shows:
//     TScn solver(nx, ny, nz, dt, T_amb);            // built-in model, 1 um spacing
//     int status = solver.Crank_Nicolson(method, steps, px, py, pz);
//     // or solver.Crank_Nicolson_Convection(...); status 0 on success
#include "app/fatal.h"
#include "cn/TScn.h"
#include "model/datafile.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

const char* const usage =
    "usage: calefax-cn NX NY NZ DT T_AMB METHOD STEPS PX PY PZ [--convection] [--blocks FILE]\n"
    "       calefax-cn --data DATA_FILE [--blocks FILE] METHOD [--convection]\n"
    "  NX NY NZ  grid intervals along x, y, z (>= 1; spacing 1 um on every axis)\n"
    "  DT        time step, s (> 0)\n"
    "  T_AMB     ambient temperature (the faces exchange heat with it under --convection)\n"
    "  METHOD    1 minimum degree + Cholesky, 2 Cholesky, 3 conjugate gradients\n"
    "  STEPS     number of time steps (>= 0)\n"
    "  PX PY PZ  node recorded after every step (0..NX, 0..NY, 0..NZ)\n"
    "  --convection   convective faces instead of faces held at 83.0\n"
    "  --blocks FILE  read the blocks from FILE (default TSinput.txt in the current directory)\n"
    "  --data FILE    the chip of a Calefax data file: its grid, spacings, time step, steps,\n"
    "                 ambient, faces, layers and probe; the field starts at its ambient\n"
    "                 temperature. With --convection and the same blocks it is the chip that\n"
    "                 Calefax DATA_FILE FILE advances by ADI.\n"
    "  --help         print this text and exit\n";

// One refused argument: a line on standard error, status 1.
int refuse(const std::string& what)
{
    report_error("calefax-cn: " + what);
    return 1;
}

// The whole of text as an int in lo..hi.
bool read_int(const char* text, int lo, int hi, int& v)
{
    char* end;
    errno = 0;
    long x = strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || x < lo || x > hi)
        return false;
    v = (int)x;
    return true;
}

// The whole of text as a finite double.
bool read_double(const char* text, double& v)
{
    char* end;
    errno = 0;
    v = strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(v);
}

} // namespace

int main(int argc, char** argv)
{
    bool convection = false;
    const char* data = nullptr;
    const char* blocks = nullptr;
    std::vector<const char*> args;
    for (int a = 1; a < argc; a++)
    {
        std::string arg = argv[a];
        if (arg == "--help")
        {
            fputs(usage, stdout);
            return 0;
        }
        else if (arg == "--convection")
            convection = true;
        else if (arg == "--data" || arg == "--blocks")
        {
            if (a + 1 >= argc)
                return refuse(arg + " needs a file name");
            (arg == "--data" ? data : blocks) = argv[++a];
        }
        else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0)
            return refuse("unknown option '" + arg + "' (see calefax-cn --help)");
        else
            args.push_back(argv[a]);
    }
    if (args.size() != (data ? 1u : 10u))
    {
        fputs(usage, stderr);
        return 1;
    }
    int method;
    const char* method_arg = args[data ? 0 : 5];

    // ---- the chip of a data file -------------------------------------------------------------
    if (data)
    {
        if (!read_int(method_arg, 1, 3, method))
            return refuse(std::string("METHOD must be 1, 2 or 3, not '") + method_arg + "'");
        DataFile d;
        std::string error;
        if (!read_data_file(data, d, error))
            return refuse(error);
        TScn solver(d, data);
        if (blocks)
            solver.blocks_file = blocks;
        return convection
                   ? solver.Crank_Nicolson_Convection(method, d.n_steps, d.probe_x, d.probe_y,
                                                      d.probe_z)
                   : solver.Crank_Nicolson(method, d.n_steps, d.probe_x, d.probe_y, d.probe_z);
    }

    // ---- the built-in model: arguments, each checked before anything is read or written ----
    int n[3];
    const char* axis = "XYZ";
    for (int a = 0; a < 3; a++)
        if (!read_int(args[a], 1, INT_MAX - 1, n[a]))
            return refuse(std::string("N") + axis[a] + " must be an integer >= 1, not '" + args[a] +
                          "'");
    long long nodes = (n[0] + 1LL) * (n[1] + 1LL) * (n[2] + 1LL);
    if (nodes > DATA_FILE_MAX_NODES) // the bound of a data file's grid
        return refuse("the grid has " + std::to_string(nodes) + " nodes, more than " +
                      std::to_string(DATA_FILE_MAX_NODES));
    double dt, T_amb;
    if (!read_double(args[3], dt) || dt <= 0.0)
        return refuse(std::string("DT must be a positive number, not '") + args[3] + "'");
    if (!read_double(args[4], T_amb))
        return refuse(std::string("T_AMB must be a finite number, not '") + args[4] + "'");
    if (!read_int(method_arg, 1, 3, method))
        return refuse(std::string("METHOD must be 1, 2 or 3, not '") + method_arg + "'");
    int steps;
    if (!read_int(args[6], 0, INT_MAX, steps))
        return refuse(std::string("STEPS must be an integer >= 0, not '") + args[6] + "'");
    int p[3];
    for (int a = 0; a < 3; a++)
        if (!read_int(args[7 + a], 0, n[a], p[a]))
            return refuse(std::string("P") + axis[a] + " must be a node index in 0.." +
                          std::to_string(n[a]) + ", not '" + args[7 + a] + "'");

    TScn solver(n[0], n[1], n[2], dt, T_amb);
    if (blocks)
        solver.blocks_file = blocks;
    if (convection)
        return solver.Crank_Nicolson_Convection(method, steps, p[0], p[1], p[2]);
    return solver.Crank_Nicolson(method, steps, p[0], p[1], p[2]);
}
