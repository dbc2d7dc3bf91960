// app/main.cpp: the command-line simulator: Calefax data_file input_file
#include "adi/TSdg.h"

#include <iostream>

// Checks the command line, prints the banner, then one transient ADI run with convective faces:
// the model from the data file, the blocks from the input file. Exit status 0, or 1 when an input
// is rejected or a result file cannot be written.
int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cout << "Please enter: Calefax data_file input_file " << std::endl;
        std::cout << "Please try again :)" << std::endl;
        return 0;
    }
    std::cout << std::string(60, '*') << std::endl;
    std::cout << "*" << std::string(20, ' ') << "3D Calefax Simulator" << std::string(18, ' ')
              << "*" << std::endl;
    std::cout << "*   Transient temperature of integrated circuits by ADI    *" << std::endl;
    std::cout << "*" << std::string(58, ' ') << "*" << std::endl;
    std::cout << "*" << std::string(58, ' ') << "*" << std::endl;
    std::cout << std::string(60, '*') << std::endl;

    TSdg solver(argv[1]);
    solver.read_geometry(argv[2]);
    return solver.Dauglas_Gunn_Convection();
}
