// model/datafile.cpp: parser of the data file, checking every item where it is read
#include "model/datafile.h"

#include "model/text_file.h"

#include <cmath>
#include <sstream>
#include <strings.h>

namespace
{

// Reads items one at a time from a text held in a string stream, keeping the line number of the
// item being read so that a rejection names file, line and item.
class ItemReader
{
public:
    ItemReader(std::istream& in, const char* file, std::string& error)
        : in(in), file(file), error(error), item(0), line(1), counted(0)
    {
    }

    // Each reader skips white space, notes where the item starts, extracts it and checks the
    // stream; on failure it writes the message and returns false.
    bool read_int(int& v, const char* what)
    {
        if (!start(what))
            return false;
        if (!(in >> v))
            return fail(what, "expected an integer");
        return true;
    }
    bool read_double(double& v, const char* what)
    {
        if (!start(what))
            return false;
        if (!(in >> v))
            return fail(what, "expected a number");
        if (!std::isfinite(v))
            return fail(what, "expected a finite number");
        return true;
    }
    bool read_name(std::string& v, const char* what)
    {
        if (!start(what))
            return false;
        if (!(in >> v))
            return fail(what, "expected a name");
        return true;
    }
    bool read_char(char& v, const char* what)
    {
        if (!start(what))
            return false;
        if (!(in >> v))
            return fail(what, "expected an axis letter");
        return true;
    }
    // Rejects the item just read.
    bool reject(const char* what, const std::string& why) { return fail(what, why.c_str()); }

private:
    std::istream& in;
    const char* file;
    std::string& error;
    int item;               // number of the item being read, from 1
    int line;               // line on which the item starts
    std::streamoff counted; // stream position up to which newlines have been counted

    bool start(const char* what)
    {
        item++;
        in >> std::ws;
        if (in.peek() == std::char_traits<char>::eof())
        {
            in.clear();
            in.seekg(0, std::ios::end);
            count_lines_to(in.tellg());
            return fail(what, "the file ends here");
        }
        count_lines_to(in.tellg());
        return true;
    }
    // Counts the newlines between the last counted position and pos without disturbing the
    // stream's state.
    void count_lines_to(std::streamoff pos)
    {
        if (pos <= counted)
            return;
        std::streamoff here = in.tellg();
        in.seekg(counted);
        for (std::streamoff p = counted; p < pos; p++)
            if (in.get() == '\n')
                line++;
        in.seekg(here);
        counted = pos;
    }
    bool fail(const char* what, const char* why)
    {
        std::ostringstream s;
        s << file << ":" << line << ": item " << item << " (" << what << "): " << why;
        error = s.str();
        return false;
    }
};

bool positive(double v)
{
    return v > 0.0;
}

} // namespace

bool same_name(const char* a, const char* b)
{
    return strcasecmp(a, b) == 0;
}

bool parse_data_file(std::istream& in, const char* file, DataFile& out, std::string& error)
{
    ItemReader r(in, file, error);
    static const char* const axis_name[3] = {"x", "y", "z"};

    // ---- steps and grid --------------------------------------------------------------------
    if (!r.read_int(out.n_steps, "number of time steps"))
        return false;
    if (out.n_steps < 0)
        return r.reject("number of time steps", "must not be negative");
    int* counts[3] = {&out.nx, &out.ny, &out.nz};
    static const char* const count_name[3] = {"intervals along x", "intervals along y",
                                              "intervals along z"};
    for (int a = 0; a < 3; a++)
    {
        if (!r.read_int(*counts[a], count_name[a]))
            return false;
        if (*counts[a] < 1)
            return r.reject(count_name[a], "must be at least 1");
    }
    // (nx+1)(ny+1) < 2^62 fits a long long, the product of all three need not: compare by
    // division instead of forming it.
    long long nodes_xy = (out.nx + 1LL) * (out.ny + 1LL);
    if (nodes_xy > DATA_FILE_MAX_NODES / (out.nz + 1LL))
        return r.reject("intervals along z",
                        "the grid has " + std::to_string(out.nx + 1LL) + " x " +
                            std::to_string(out.ny + 1LL) + " x " + std::to_string(out.nz + 1LL) +
                            " nodes, more than " + std::to_string(DATA_FILE_MAX_NODES));
    double* spacing[3] = {&out.dx, &out.dy, &out.dz};
    static const char* const spacing_name[3] = {"spacing along x", "spacing along y",
                                                "spacing along z"};
    for (int a = 0; a < 3; a++)
    {
        if (!r.read_double(*spacing[a], spacing_name[a]))
            return false;
        if (!positive(*spacing[a]))
            return r.reject(spacing_name[a], "must be positive");
        // The rows take the spacings' squares, the squares of their ratios and the cell volume:
        // each must be a normal number, neither rounded to zero nor overflowing.
        if (!std::isnormal(*spacing[a] * *spacing[a]))
            return r.reject(spacing_name[a],
                            "its square is beyond the range of numbers (spacings are in metres)");
    }
    const double cell = out.dx * out.dy * out.dz, ry = out.dx / out.dy, rz = out.dx / out.dz;
    if (!std::isnormal(cell) || !std::isnormal(ry * ry) || !std::isnormal(rz * rz))
        return r.reject(spacing_name[2], "the cell volume or the spacings' ratios squared are "
                                         "beyond the range of numbers (spacings are in metres)");
    if (!r.read_double(out.dt, "time step"))
        return false;
    if (!positive(out.dt))
        return r.reject("time step", "must be positive");
    if (!r.read_double(out.T_amb, "ambient temperature"))
        return false;

    // ---- faces -------------------------------------------------------------------------------
    static const char* const face_name[6] = {
        "convection coefficient of the x-max face", "convection coefficient of the x-min face",
        "convection coefficient of the y-max face", "convection coefficient of the y-min face",
        "convection coefficient of the z-max face", "convection coefficient of the z-min face"};
    for (int f = 0; f < 6; f++)
    {
        if (!r.read_double(out.h[f], face_name[f]))
            return false;
        if (out.h[f] < 0.0)
            return r.reject(face_name[f], "must not be negative");
    }

    // ---- layer table -------------------------------------------------------------------------
    for (int l = 0; l < DATA_FILE_LAYERS; l++)
    {
        DataFile::Layer& L = out.layers[l];
        std::string n = std::to_string(l);
        if (!r.read_name(L.name, ("name of layer " + n).c_str()))
            return false;
        if (!r.read_double(L.k, ("conductivity of layer " + L.name).c_str()))
            return false;
        if (L.k < 0.0)
            return r.reject(("conductivity of layer " + L.name).c_str(), "must not be negative");
        if (!r.read_double(L.rho, ("density of layer " + L.name).c_str()))
            return false;
        if (!positive(L.rho))
            return r.reject(("density of layer " + L.name).c_str(), "must be positive");
        if (!r.read_double(L.cp, ("specific heat of layer " + L.name).c_str()))
            return false;
        if (!positive(L.cp))
            return r.reject(("specific heat of layer " + L.name).c_str(), "must be positive");
    }

    // ---- base material: the last record bearing its name supplies the properties ------------
    if (!r.read_name(out.base, "name of the base material"))
        return false;
    out.base_layer = -1;
    for (int l = 0; l < DATA_FILE_LAYERS; l++)
        if (same_name(out.layers[l].name.c_str(), out.base.c_str()))
            out.base_layer = l;
    if (out.base_layer < 0)
        return r.reject("name of the base material",
                        "'" + out.base + "' is not the name of a layer of the table");
    if (!positive(out.layers[out.base_layer].k))
        return r.reject("name of the base material",
                        "the base material '" + out.base + "' must have a positive conductivity");

    // ---- probe -------------------------------------------------------------------------------
    int* probe[3] = {&out.probe_x, &out.probe_y, &out.probe_z};
    static const char* const probe_name[3] = {"probe index along x", "probe index along y",
                                              "probe index along z"};
    for (int a = 0; a < 3; a++)
    {
        if (!r.read_int(*probe[a], probe_name[a]))
            return false;
        if (*probe[a] < 0 || *probe[a] > *counts[a])
            return r.reject(probe_name[a], "must lie in 0.." + std::to_string(*counts[a]));
    }

    // ---- cut planes --------------------------------------------------------------------------
    int n_cuts;
    if (!r.read_int(n_cuts, "number of cut planes"))
        return false;
    if (n_cuts < 0)
        return r.reject("number of cut planes", "must not be negative");
    out.cuts.clear();
    for (int c = 0; c < n_cuts; c++)
    {
        DataFile::Cut cut;
        std::string n = std::to_string(c + 1);
        if (!r.read_char(cut.axis, ("axis of cut plane " + n).c_str()))
            return false;
        if (!r.read_int(cut.index, ("index of cut plane " + n).c_str()))
            return false;
        int a = cut_axis_index(cut.axis);
        // A plane on another axis is reported by the run and left empty; its index is not used.
        if (a >= 0 && (cut.index < 0 || cut.index > *counts[a]))
            return r.reject(("index of cut plane " + n).c_str(), std::string("must lie in 0..") +
                                                                     std::to_string(*counts[a]) +
                                                                     " along " + axis_name[a]);
        if (!r.read_name(cut.file, ("file name of cut plane " + n).c_str()))
            return false;
        out.cuts.push_back(cut);
    }
    return true;
}

bool read_data_file(const char* path, DataFile& out, std::string& error)
{
    std::string text;
    if (!read_text_file(path, "data", text, error))
        return false;
    std::istringstream in(text);
    return parse_data_file(in, path, out, error);
}
