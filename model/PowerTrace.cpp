// model/PowerTrace.cpp: the reader of power traces
#include "model/PowerTrace.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unordered_set>

namespace
{

// The blank- or tab-separated fields of one line.
std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> out;
    size_t p = 0;
    while (true)
    {
        p = line.find_first_not_of(" \t\v\f", p);
        if (p == std::string::npos)
            return out;
        size_t e = line.find_first_of(" \t\v\f", p);
        out.push_back(line.substr(p, e == std::string::npos ? std::string::npos : e - p));
        p = e;
    }
}

std::string at(const std::string& file, int line)
{
    return file + ":" + std::to_string(line) + ": ";
}

} // namespace

bool PowerTrace::read(std::istream& in, const std::string& file, std::string& error)
{
    *this = PowerTrace();
    std::string line;
    int lineno = 0;
    while (std::getline(in, line))
    {
        lineno++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> f = fields_of(line);
        if (f.empty())
            continue;
        if (names_at == 0)
        {
            std::unordered_set<std::string> seen; // a long names line stays linear
            for (const std::string& name : f)
                if (!seen.insert(name).second)
                {
                    error = at(file, lineno) + "unit '" + name + "' is named twice";
                    *this = PowerTrace();
                    return false;
                }
            names_ = f;
            names_at = lineno;
            continue;
        }
        if (f.size() != names_.size())
        {
            error = at(file, lineno) + std::to_string(f.size()) + " values where line " +
                    std::to_string(names_at) + " names " + std::to_string(names_.size()) + " units";
            *this = PowerTrace();
            return false;
        }
        for (size_t u = 0; u < f.size(); u++)
        {
            const char* s = f[u].c_str();
            char* end = nullptr;
            errno = 0;
            double v = strtod(s, &end);
            std::string what;
            if (end == s || *end != '\0')
                what = "is not a number";
            else if (!std::isfinite(v) || (errno == ERANGE && std::fabs(v) > 1.0))
                what = "is not a finite power";
            else if (v < 0.0)
                what = "is negative";
            if (!what.empty())
            {
                error =
                    at(file, lineno) + "power '" + f[u] + "' of unit '" + names_[u] + "' " + what;
                *this = PowerTrace();
                return false;
            }
            watts.push_back(v);
        }
        rows++;
        row_lines.push_back(lineno);
    }
    if (in.bad())
    {
        error = file + ": cannot read the power trace";
        *this = PowerTrace();
        return false;
    }
    if (rows == 0)
    {
        error = at(file, names_at > 0 ? names_at : 1) +
                (names_at > 0 ? "the power trace has names but no interval"
                              : "the power trace is empty");
        *this = PowerTrace();
        return false;
    }
    return true;
}

bool PowerTrace::read_file(const std::string& path, std::string& error)
{
    std::ifstream f(path);
    if (!f)
    {
        error = path + ": cannot open the power trace";
        return false;
    }
    return read(f, path, error);
}
