// model/run_report.cpp: write_probe_report
#include "model/run_report.h"

#include <iostream>

void write_probe_report(std::ostream& out, const char* run, int nx, int ny, int nz, double seconds,
                        int px, int py, int pz, const double* hist, int steps)
{
    out << "The mesh size is:  " << nx + 1 << "X" << ny + 1 << "X" << nz + 1 << std::endl;
    std::cout << "The mesh size is:  " << nx + 1 << "X" << ny + 1 << "X" << nz + 1 << std::endl;
    out << "\n\nRun time of " << run << " is...  " << seconds << " seconds" << std::endl;
    std::cout << "\n\nRun time of " << run << " is...  " << seconds << " seconds" << std::endl;
    out << "The temperature at position (" << px << ", " << py << ", " << pz << "):" << std::endl;
    for (int s = 0; s < steps; s++)
        out << hist[s] << std::endl;
}
