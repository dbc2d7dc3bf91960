// adi/UnitTemps.cpp: the units file
#include "adi/UnitTemps.h"

#include <cmath>
#include <iomanip>

namespace adi
{

bool UnitTemps::open(const std::string& path, const Units& u, std::string& error)
{
    name = path;
    units = &u;
    out.open(path);
    if (!out)
    {
        error = path + ": cannot create the units file";
        return false;
    }
    out << "time_s";
    for (size_t n = 0; n < u.size(); n++)
        out << "," << u.name(n) << ".max," << u.name(n) << ".mean";
    out << "\n" << std::setprecision(12);
    return true;
}

void UnitTemps::row(double t, const double* T)
{
    out << t;
    for (size_t n = 0; n < units->size(); n++)
    {
        const std::vector<int>& nodes = units->nodes(n);
        double hi = NAN, sum = 0.0;
        for (size_t p = 0; p < nodes.size(); p++)
        {
            double v = T[nodes[p]];
            hi = p == 0 || v > hi ? v : hi;
            sum += v;
        }
        double mean = nodes.empty() ? NAN : sum / (double)nodes.size();
        out << "," << hi << "," << mean;
    }
    out << "\n" << std::flush; // a run that is stopped keeps the rows it made
}

bool UnitTemps::close(std::string& error)
{
    if (!out.is_open())
        return true;
    out.close();
    if (out.fail())
    {
        error = name + ": cannot write the units file";
        return false;
    }
    return true;
}

} // namespace adi
