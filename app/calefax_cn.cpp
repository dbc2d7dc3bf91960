// app/calefax_cn.cpp: calefax-cn, the Crank-Nicolson solver as a command, and the library's example
//
//   calefax-cn NX NY NZ DT T_AMB METHOD STEPS PX PY PZ [--convection]
//
// It reads the blocks of "TSinput.txt" in the current directory and runs the fixed-face run
// ("Crank_Nicolson.txt") or, with --convection, the convective run ("Crank_Nicolson_Conv.txt").
// Calling the solver from C++ takes three lines, as main() below shows:
//     TScn solver(nx, ny, nz, dt, T_amb);            // built-in model, 1 um spacing
//     int status = solver.Crank_Nicolson(method, steps, px, py, pz);
//     // or solver.Crank_Nicolson_Convection(...); status 0 on success
#include "cn/TScn.h"
#include "model/datafile.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

const char* const usage =
    "usage: calefax-cn NX NY NZ DT T_AMB METHOD STEPS PX PY PZ [--convection]\n"
    "  NX NY NZ  grid intervals along x, y, z (>= 1; spacing 1 um on every axis)\n"
    "  DT        time step, s (> 0)\n"
    "  T_AMB     ambient temperature (the faces exchange heat with it under --convection)\n"
    "  METHOD    1 minimum degree + Cholesky, 2 Cholesky, 3 conjugate gradients\n"
    "  STEPS     number of time steps (>= 0)\n"
    "  PX PY PZ  node recorded after every step (0..NX, 0..NY, 0..NZ)\n"
    "  --convection  convective faces instead of faces held at 83.0\n"
    "Blocks are read from TSinput.txt in the current directory.\n";

// One refused argument: a line on standard error, status 1.
int refuse(const std::string& what)
{
    fprintf(stderr, "Calefax: error: calefax-cn: %s\n", what.c_str());
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
    bool convection = argc == 12 && strcmp(argv[11], "--convection") == 0;
    if (argc != 11 && !convection)
    {
        fputs(usage, stderr);
        return 1;
    }

    // ---- arguments, each checked before anything is read or written ------------------------
    int n[3];
    const char* axis = "XYZ";
    for (int a = 0; a < 3; a++)
        if (!read_int(argv[1 + a], 1, INT_MAX - 1, n[a]))
            return refuse(std::string("N") + axis[a] + " must be an integer >= 1, not '" +
                          argv[1 + a] + "'");
    long long nodes = (n[0] + 1LL) * (n[1] + 1LL) * (n[2] + 1LL);
    if (nodes > DATA_FILE_MAX_NODES)   // the bound of a data file's grid
        return refuse("the grid has " + std::to_string(nodes) + " nodes, more than " +
                      std::to_string(DATA_FILE_MAX_NODES));
    double dt, T_amb;
    if (!read_double(argv[4], dt) || dt <= 0.0)
        return refuse(std::string("DT must be a positive number, not '") + argv[4] + "'");
    if (!read_double(argv[5], T_amb))
        return refuse(std::string("T_AMB must be a finite number, not '") + argv[5] + "'");
    int method, steps;
    if (!read_int(argv[6], 1, 3, method))
        return refuse(std::string("METHOD must be 1, 2 or 3, not '") + argv[6] + "'");
    if (!read_int(argv[7], 0, INT_MAX, steps))
        return refuse(std::string("STEPS must be an integer >= 0, not '") + argv[7] + "'");
    int p[3];
    for (int a = 0; a < 3; a++)
        if (!read_int(argv[8 + a], 0, n[a], p[a]))
            return refuse(std::string("P") + axis[a] + " must be a node index in 0.." +
                          std::to_string(n[a]) + ", not '" + argv[8 + a] + "'");

    // ---- the run -----------------------------------------------------------------------------
    TScn solver(n[0], n[1], n[2], dt, T_amb);
    if (convection)
        return solver.Crank_Nicolson_Convection(method, steps, p[0], p[1], p[2]);
    return solver.Crank_Nicolson(method, steps, p[0], p[1], p[2]);
}
