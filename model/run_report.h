// model/run_report.h: the result file of a run that records one probe node step by step
#ifndef MODEL_RUN_REPORT_H
#define MODEL_RUN_REPORT_H

#include <ostream>

// Writes to out the mesh line "The mesh size is:  NXxNYxNZ" (node counts), two empty lines and
// "Run time of RUN is...  S seconds", both also to standard output, then "The temperature at
// position (PX, PY, PZ):" and hist[0..steps-1], one value a line.
void write_probe_report(std::ostream& out, const char* run, int nx, int ny, int nz, double seconds,
                        int px, int py, int pz, const double* hist, int steps);

#endif
