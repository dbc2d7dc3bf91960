// adi/UnitTemps.h: the units file of a run: each unit's maximum and mean temperature over time
#ifndef ADI_UNITTEMPS_H
#define ADI_UNITTEMPS_H

#include "model/Units.h"

#include <fstream>
#include <string>

namespace adi
{

// CSV, comma-separated, one header line "time_s,NAME.max,NAME.mean,..." (units in their order),
// then one row per sample: the time in seconds, then per unit the largest and the mean temperature
// over its nodes (nan for a unit without nodes). Numbers have 12 significant digits.
class UnitTemps
{
public:
    // Creates the file and writes the header; false with error set when it cannot be created.
    bool open(const std::string& path, const Units& units, std::string& error);
    // One row at time t (s) of the node field T (flat, k fastest).
    void row(double t, const double* T);
    // Closes the file; false with error set when any of it could not be written.
    bool close(std::string& error);
    const std::string& path() const { return name; }

private:
    std::ofstream out;
    std::string name;
    const Units* units = nullptr;
};

} // namespace adi

#endif
