// adi/TSdg_steady.cpp: the steady node equations from the rows, the heat-path check, and
// conjugate gradients preconditioned by the line multigrid cycle
#include "adi/TSdg_steady.h"

#include <cmath>
#include <numeric>
#include <sstream>

namespace adi
{

namespace
{

double dot(const std::vector<double>& a, const std::vector<double>& b)
{
    double s = 0.0;
    for (size_t p = 0; p < a.size(); p++)
        s += a[p] * b[p];
    return s;
}

// Union-find of the nodes joined by links of positive weight.
struct Components
{
    std::vector<int> up;
    explicit Components(size_t n) : up(n) { std::iota(up.begin(), up.end(), 0); }
    int find(int p)
    {
        while (up[p] != p)
            p = up[p] = up[up[p]];
        return p;
    }
    void join(int p, int q)
    {
        p = find(p);
        q = find(q);
        if (p != q)
            up[std::max(p, q)] = std::min(p, q);
    }
};

} // namespace

Steady::Row Steady::row(int i, int j, int k) const
{
    Row r;
    const int id = s.coef_id[i][j][k];
    if (i > 0 && i < s.nx && j > 0 && j < s.ny && k > 0 && k < s.nz)
    {
        const double* c = s.coef[id];
        const double w[6] = {c[0], c[1], c[2], c[4], c[5], c[6]};
        std::copy(w, w + 6, r.w);
        r.diag = (c[7] + c[7] * s.ry) + c[7] * s.rz;
    }
    else
    {
        const double* f = s.face_row(id);
        const double w[6] = {f[0], f[1], f[2], f[4], f[5], f[6]};
        std::copy(w, w + 6, r.w);
        r.diag = (f[3] * f[8] + f[3] * f[9]) + f[3] * f[10];
    }
    return r;
}

Steady::Steady(TSdg& s) : s(s)
{
    for (int l = 0; l < s.n_layers; l++)
        s.Build_DG_C(s.layers[l]);
    s.Build_cell_rows(s.coef);
    s.Build_BC();
    s.Build_face_rows();

    A.resize(s.nx + 1, s.ny + 1, s.nz + 1);
    b.resize(A.size());
    const double* q = s.power[0][0];
    size_t p = 0;
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++, p++)
            {
                Row r = row(i, j, k);
                A.d[p] = r.diag;
                A.ex[p] = r.w[3];
                A.ey[p] = r.w[4];
                A.ez[p] = r.w[5];
                b[p] = ((q[p] * s.dx) * s.dx) / s.k;
            }
    b_norm = std::sqrt(dot(b, b));
    if (s.legacy_rows)
        refused = "the steady state needs the rows built from the cells: the rows of "
                  "--legacy-rows do not conserve energy where blocks touch, so they have no "
                  "symmetric steady operator";
    else
        check_heat_path();
}

// Nodes joined by links of positive weight form components; a component reaches the ambient when
// one of its nodes loses heat through a face (h > 0 there). Power in a component that does not is
// refused; a component without power and without a path is held at T_amb (its temperature is
// not determined by the steady equations).
void Steady::check_heat_path()
{
    const size_t n = A.size();
    const ptrdiff_t SI = A.si(), SJ = A.sj();
    Components c(n);
    for (size_t p = 0; p < n; p++)
    {
        if (A.ex[p] > 0.0)
            c.join((int)p, (int)(p + SI));
        if (A.ey[p] > 0.0)
            c.join((int)p, (int)(p + SJ));
        if (A.ez[p] > 0.0)
            c.join((int)p, (int)(p + 1));
    }
    std::vector<char> cooled(n, 0), powered(n, 0);
    size_t p = 0;
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++, p++)
            {
                int root = c.find((int)p);
                double conv[3];
                face_convection(s, s.type_bc(i, j, k), conv);
                if (conv[0] + conv[1] + conv[2] > 0.0)
                    cooled[root] = 1;
                if (b[p] != 0.0)
                    powered[root] = 1;
            }
    fixed.assign(n, 0);
    size_t cut_off = 0;     // nodes with power and no path
    double cut_power = 0.0; // their mean densities; times the node volume, W
    const double* q = s.power[0][0];
    for (p = 0; p < n; p++)
    {
        int root = c.find((int)p);
        if (cooled[root])
            continue;
        if (!powered[root])
            fixed[p] = 1;
        else if (b[p] != 0.0)
        {
            cut_off++;
            cut_power += q[p];
        }
    }
    if (cut_off > 0)
    {
        bool all_zero = true;
        for (int f = 0; f < 6; f++)
            all_zero = all_zero && s.h[f] == 0.0;
        std::ostringstream m;
        m << "no steady state: " << cut_off << " nodes with power ("
          << cut_power * s.dx * s.dy * s.dz << " W) have no heat path to the ambient ("
          << (all_zero ? "every face has h = 0"
                       : "material of zero conductivity cuts them off from the faces with h > 0")
          << ")";
        refused = m.str();
        return;
    }
    // held nodes: an equation u = 0 of their own
    for (p = 0; p < n; p++)
        if (fixed[p])
        {
            A.d[p] = 1.0;
            A.ex[p] = A.ey[p] = A.ez[p] = 0.0;
            if ((ptrdiff_t)p >= SI)
                A.ex[p - SI] = 0.0;
            if ((ptrdiff_t)p >= SJ)
                A.ey[p - SJ] = 0.0;
            if (p >= 1)
                A.ez[p - 1] = 0.0;
        }
}

double Steady::residual(const double* T, double* r) const
{
    const ptrdiff_t SI = A.si(), SJ = A.sj();
    const double Ta = s.T_amb;
    double sum = 0.0;
    size_t p = 0;
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++, p++)
            {
                if (!fixed.empty() && fixed[p])
                {
                    r[p] = -(T[p] - Ta);
                    sum += r[p] * r[p];
                    continue;
                }
                Row w = row(i, j, k);
                double v = b[p] - w.diag * (T[p] - Ta);
                if (i > 0)
                    v += w.w[0] * (T[p - SI] - Ta);
                if (j > 0)
                    v += w.w[1] * (T[p - SJ] - Ta);
                if (k > 0)
                    v += w.w[2] * (T[p - 1] - Ta);
                if (i < s.nx)
                    v += w.w[3] * (T[p + SI] - Ta);
                if (j < s.ny)
                    v += w.w[4] * (T[p + SJ] - Ta);
                if (k < s.nz)
                    v += w.w[5] * (T[p + 1] - Ta);
                r[p] = v;
                sum += v * v;
            }
    return std::sqrt(sum);
}

double Steady::power_in() const
{
    return std::accumulate(b.begin(), b.end(), 0.0) * (s.k * s.dy * s.dz / s.dx);
}

double Steady::heat_out(const double* T) const
{
    double out = 0.0;
    size_t p = 0;
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++, p++)
            {
                if (i > 0 && i < s.nx && j > 0 && j < s.ny && k > 0 && k < s.nz)
                    continue;
                double conv[3];
                face_convection(s, s.type_bc(i, j, k), conv);
                out += (conv[0] + conv[1] + conv[2]) * (T[p] - s.T_amb);
            }
    return out * (s.k * s.dy * s.dz / s.dx);
}

// Conjugate gradients on A u = S/2 from u = 0, the residual updated by recurrence; when that one
// meets the tolerance, the residual from the rows decides, and the iteration restarts from it
// when it does not (the rows may differ from the symmetric stencil in the last bits).
SteadyResult Steady::solve(const SteadyOptions& o)
{
    SteadyResult res;
    if (!refused.empty())
    {
        res.error = refused;
        return res;
    }
    const size_t n = A.size();
    double* T = s.T[0][0];
    res.power_in = power_in();
    if (b_norm == 0.0)
    {
        std::fill(T, T + n, s.T_amb);
        res.converged = true;
        return res;
    }
    LineMultigrid mg(A);
    std::vector<double> u(n, 0.0), r(b), z(n), d(n), q(n), field(n);
    double rel = 1.0;
    for (int restart = 0; restart < 5 && res.iterations < o.max_iterations; restart++)
    {
        mg.apply(r.data(), z.data());
        d = z;
        double rz = dot(r, z);
        while (res.iterations < o.max_iterations)
        {
            A.apply(d.data(), q.data());
            const double alpha = rz / dot(d, q);
            double rr = 0.0;
            for (size_t p = 0; p < n; p++)
            {
                u[p] += alpha * d[p];
                r[p] -= alpha * q[p];
                rr += r[p] * r[p];
            }
            res.iterations++;
            rel = std::sqrt(rr) / b_norm;
            if (o.progress)
                *o.progress << "Steady iteration " << res.iterations << ": relative residual "
                            << rel << std::endl;
            if (!std::isfinite(rel) || rel <= o.tolerance)
                break;
            mg.apply(r.data(), z.data());
            const double rz_new = dot(r, z);
            const double beta = rz_new / rz;
            rz = rz_new;
            for (size_t p = 0; p < n; p++)
                d[p] = z[p] + beta * d[p];
        }
        if (!std::isfinite(rel))
            break;
        for (size_t p = 0; p < n; p++)
            field[p] = s.T_amb + u[p];
        rel = residual(field.data(), r.data()) / b_norm;
        if (rel <= o.tolerance)
            break;
    }
    res.residual = rel;
    if (!std::isfinite(rel))
    {
        res.error = "the steady iteration broke down (the residual is not finite)";
        return res;
    }
    std::copy(field.begin(), field.end(), T);
    res.heat_out = heat_out(T);
    if (rel > o.tolerance)
    {
        std::ostringstream m;
        m << "the steady state did not converge: relative residual " << rel << " after "
          << res.iterations << " iterations (tolerance " << o.tolerance << ")";
        res.error = m.str();
        return res;
    }
    res.converged = true;
    return res;
}

SteadyResult solve_steady(TSdg& s, const SteadyOptions& o)
{
    Steady st(s);
    return st.solve(o);
}

} // namespace adi
