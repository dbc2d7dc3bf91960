// python/calefax.cpp: the Python module calefax: load a chip, set its power, advance it, read the
// field as a NumPy array without copying
#include "adi/Session.h"
#include "model/material.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

namespace py = pybind11;

namespace
{

// Raised as calefax.Error, a RuntimeError, carrying the message of the command line's error line
// (without its prefix).
struct Error : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// A loaded model. While one thread advances it (without the GIL), any other call on it from
// another thread is refused instead of racing with the steps.
class Model
{
public:
    Model(const std::string& data_file, const std::string& input_file)
    {
        std::string error;
        session = adi::Session::load(data_file.c_str(), input_file.c_str(), error);
        if (!session)
            throw Error(error);
    }

    adi::Session& use()
    {
        if (busy)
            throw Error("the model is advancing in another thread");
        return *session;
    }
    const TSdg& solver() { return use().solver(); }

    void advance(long n)
    {
        if (busy.exchange(true))
            throw Error("the model is advancing in another thread");
        std::string error;
        bool ok;
        {
            py::gil_scoped_release free;
            ok = session->advance(n, error);
        }
        busy = false;
        if (!ok)
            throw Error(error);
    }

    // The field T as an array of shape (nx+1, ny+1, nz+1) on the solver's own block: read-only,
    // and holding the model alive.
    static py::array field(py::object self)
    {
        const TSdg& s = self.cast<Model&>().solver();
        const py::ssize_t nj = s.ny + 1, nk = s.nz + 1, d = sizeof(double);
        py::array_t<double> a({(py::ssize_t)s.nx + 1, nj, nk}, {nj * nk * d, nk * d, d}, s.T[0][0],
                              self);
        a.attr("setflags")(py::arg("write") = false);
        return std::move(a);
    }

    py::dict block(size_t b)
    {
        const adi::Session& m = use();
        const BlockRecord& r = m.blocks()[b];
        py::dict d;
        d["name"] = r.name;
        d["corner1"] = py::make_tuple(r.x1, r.y1, r.z1);
        d["corner2"] = py::make_tuple(r.x2, r.y2, r.z2);
        d["layer"] = r.layer;
        d["density"] = m.block_density(b);
        d["watts"] = m.block_watts(b);
        return d;
    }

    size_t unit(const std::string& name)
    {
        int u = use().units().find(name);
        if (u < 0)
            throw Error("unit '" + name + "' is not the name of a block of " +
                        session->input_file());
        return (size_t)u;
    }

private:
    std::unique_ptr<adi::Session> session;
    std::atomic<bool> busy{false};
};

} // namespace

PYBIND11_MODULE(calefax, m)
{
    m.doc() = "Calefax: the transient temperature of an integrated circuit by the Douglas-Gunn ADI "
              "scheme, a few steps at a time.";
    py::register_exception<Error>(m, "Error", PyExc_RuntimeError);

    py::class_<Model>(m, "Model", R"(A chip loaded from a data file and an input file, at T_amb.

Model(data_file, input_file) reads both files as `Calefax data_file input_file` does; a file
that cannot be read, a bad item or record, a layer not in the table, a block outside the grid
or a grid too large raises calefax.Error with the message of the command line's error line
(without its prefix). Advancing it the data file's n_steps steps gives the command line's field,
probe history and cut planes to the bit.)")
        .def(py::init<const std::string&, const std::string&>(), py::arg("data_file"),
             py::arg("input_file"))
        // ---- the model as read ----
        .def_property_readonly(
            "shape",
            [](Model& o)
            { return py::make_tuple(o.solver().nx + 1, o.solver().ny + 1, o.solver().nz + 1); },
            "Node counts (nx+1, ny+1, nz+1): the shape of field.")
        .def_property_readonly(
            "spacing",
            [](Model& o) { return py::make_tuple(o.solver().dx, o.solver().dy, o.solver().dz); },
            "Node spacings (dx, dy, dz), m.")
        .def_property_readonly(
            "dt", [](Model& o) { return o.solver().dt; }, "Time step, s.")
        .def_property_readonly(
            "t_amb", [](Model& o) { return o.solver().T_amb; },
            "Ambient (and initial) temperature.")
        .def_property_readonly(
            "n_steps", [](Model& o) { return o.solver().n_steps; },
            "The data file's number of steps.")
        .def_property_readonly(
            "h", [](Model& o) { return std::vector<double>(o.solver().h, o.solver().h + 6); },
            "Convection coefficients of the faces x-max, x-min, y-max, y-min, z-max, z-min.")
        .def_property_readonly(
            "probe",
            [](Model& o)
            { return py::make_tuple(o.solver().probe_x, o.solver().probe_y, o.solver().probe_z); },
            "The probe node (i, j, k).")
        .def_property_readonly(
            "layers",
            [](Model& o)
            {
                const TSdg& s = o.solver();
                py::list l;
                for (int r = 0; r < s.n_layers; r++)
                    l.append(py::make_tuple(std::string(s.layers[r].name), s.layers[r].k,
                                            s.layers[r].rho, s.layers[r].cp));
                return l;
            },
            "The layer table: (name, k, rho, cp) per record, in file order.")
        .def_property_readonly(
            "blocks",
            [](Model& o)
            {
                py::list l;
                for (size_t b = 0; b < o.use().blocks().size(); b++)
                    l.append(o.block(b));
                return l;
            },
            "The input file's blocks in order: dicts of name, corner1 and corner2 (node indices),\n"
            "layer, density (W/m^3, as set now) and watts (density times the volume of the\n"
            "cells the block owns).")
        .def_property_readonly(
            "units",
            [](Model& o)
            {
                std::vector<std::string> n;
                for (size_t u = 0; u < o.use().units().size(); u++)
                    n.push_back(o.use().units().name(u));
                return n;
            },
            "Unit names: the distinct block names, in order of first appearance.")
        // ---- power ----
        .def(
            "power",
            [](Model& o, const std::string& name) { return o.use().unit_watts(o.unit(name)); },
            py::arg("unit"), "The unit's power now, W.")
        .def(
            "set_power",
            [](Model& o, const std::string& name, double watts)
            {
                std::string error;
                if (!o.use().set_unit_watts(name, watts, error))
                    throw Error(error);
            },
            py::arg("unit"), py::arg("watts"),
            "Gives the unit `watts` W from the next step on, as --power does: each of its blocks\n"
            "gets watts over the volume of the cells the unit owns. A name that is no block's, a\n"
            "unit that owns no cell and a negative or infinite power raise calefax.Error.")
        .def(
            "set_density",
            [](Model& o, size_t block, double density)
            {
                std::string error;
                if (!o.use().set_block_density(block, density, error))
                    throw Error(error);
            },
            py::arg("block"), py::arg("density"),
            "Gives block `block` (its index in blocks) the power density `density` W/m^3.")
        // ---- steps ----
        .def("advance", &Model::advance, py::arg("n"),
             "Advances n time steps, without holding the GIL. A field that diverges raises\n"
             "calefax.Error (the probe history ends with that step).")
        .def_property_readonly(
            "steps", [](Model& o) { return o.use().steps(); }, "Steps made so far.")
        .def_property_readonly(
            "time", [](Model& o) { return (double)o.use().steps() * o.solver().dt; },
            "Time advanced so far, s.")
        .def_property_readonly("field", &Model::field,
                               "The temperature of every node, a read-only float64 array of "
                               "shape (nx+1, ny+1, nz+1)\nwith i, j, k as the axes: a view on "
                               "the model's own field, which the steps update.")
        .def_property_readonly(
            "probe_history",
            [](Model& o)
            {
                const std::vector<double>& h = o.use().probe_history();
                return py::array_t<double>((py::ssize_t)h.size(), h.data());
            },
            "The probe's temperature after each step made (a copy).")
        // ---- results ----
        .def(
            "unit_temperatures",
            [](Model& o)
            {
                const adi::Session& s = o.use();
                py::dict d;
                for (size_t u = 0; u < s.units().size(); u++)
                {
                    double hi, mean;
                    s.unit_temperature(u, hi, mean);
                    d[py::str(s.units().name(u))] = py::make_tuple(hi, mean);
                }
                return d;
            },
            "{unit: (max, mean)} over the nodes of each unit's cells (nan for a unit owning\n"
            "no cell), as the units file of the command line.")
        .def(
            "steady",
            [](Model& o, double tolerance, int max_iterations)
            {
                adi::SteadyOptions opt;
                opt.tolerance = tolerance;
                opt.max_iterations = max_iterations;
                adi::SteadyResult r = o.use().steady(opt);
                if (!r.converged)
                    throw Error(r.error);
                py::dict d;
                d["iterations"] = r.iterations;
                d["residual"] = r.residual;
                d["power_in"] = r.power_in;
                d["heat_out"] = r.heat_out;
                d["balance"] = r.balance();
                return d;
            },
            py::arg("tolerance") = 1e-10, py::arg("max_iterations") = 400,
            "Puts the steady state of the power as it stands into field (as --steady) and\n"
            "returns {iterations, residual, power_in, heat_out, balance}; the energy account\n"
            "starts again from it. No steady state raises calefax.Error.")
        .def(
            "write_cut_planes",
            [](Model& o)
            {
                std::string error;
                if (!o.use().write_cut_planes(error))
                    throw Error(error);
                const TSdg& s = o.solver();
                return std::vector<std::string>(s.cut_file, s.cut_file + s.n_cuts);
            },
            "Writes the data file's cut planes of the field as the command line does (names\n"
            "relative to the working directory); returns the names.")
        .def(
            "energy",
            [](Model& o)
            {
                const adi::Session& s = o.use();
                py::dict d;
                d["injected"] = s.injected_joules();
                d["expected"] = s.expected_joules();
                d["imbalance"] = s.imbalance();
                return d;
            },
            "The energy account of the steps since loading (or the last steady state): injected\n"
            "(J, from the nodes' power), expected (J, the blocks' watts times time) and the\n"
            "relative imbalance of injected against stored plus lost through the faces.");
}
