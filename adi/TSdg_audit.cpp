// adi/TSdg_audit.cpp: energy injected, stored and lost in an ADI run; the divergence bound
#include "adi/TSdg_audit.h"

#include <cmath>
#include <iomanip>

namespace adi
{

Audit::Audit(const TSdg& s, const double* src, double tau)
    : s(s), tau(tau), power(0.0), power_abs(0.0), injected(0.0), lost(0.0), steps(0),
      abs_before(0.0), steps_before(0), checked(0.0)
{
    joules = s.dt * s.k * s.dy * s.dz / (2.0 * s.dx);
    source_changed(src);
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++)
            {
                if (i > 0 && i < s.nx && j > 0 && j < s.ny && k > 0 && k < s.nz)
                    continue;
                double c[3];
                face_convection(s, s.type_bc(i, j, k), c);
                face.push_back(&s.T[i][j][k] - &s.T[0][0][0]);
                conv.insert(conv.end(), c, c + 3);
            }
    old.resize(face.size());
    start = held(false);
    start_abs = held(true);
}

void Audit::source_changed(const double* src)
{
    abs_before += (steps - steps_before) * power_abs;
    steps_before = steps;
    power = 0.0;
    power_abs = 0.0;
    const size_t nodes = (size_t)s.n_nodes;
    for (size_t p = 0; p < nodes; p++)
    {
        power += src[p];
        power_abs += std::fabs(src[p]);
    }
}

double Audit::held(bool absolute) const
{
    double sum = 0.0;
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
        {
            const int* id = s.coef_id[i][j];
            const double* T = s.T[i][j];
            bool face_line = i == 0 || i == s.nx || j == 0 || j == s.ny;
            for (int k = 0; k <= s.nz; k++)
            {
                bool face = face_line || k == 0 || k == s.nz;
                double cap = face ? s.face_row(id[k])[3] * tau : s.coef[id[k]][3];
                double d = T[k] - s.T_amb;
                sum += cap * (absolute ? std::fabs(d) : d);
            }
        }
    return sum;
}

void Audit::before_step()
{
    const double* T = s.T[0][0];
    for (size_t f = 0; f < face.size(); f++)
        old[f] = T[face[f]];
}

void Audit::after_step()
{
    const double* Ta[3] = {s.T1[0][0], s.T2[0][0], s.T[0][0]};
    double out = 0.0;
    for (size_t f = 0; f < face.size(); f++)
        for (int a = 0; a < 3; a++)
            if (conv[3 * f + a] != 0.0)
                out += conv[3 * f + a] * ((Ta[a][face[f]] + old[f]) - 2.0 * s.T_amb);
    lost += out;
    injected += power;
}

bool Audit::sound(double lo, double hi, bool finite)
{
    steps++;
    if (!finite)
        return false;
    double far = std::max(std::fabs(hi - s.T_amb), std::fabs(lo - s.T_amb));
    if (far <= 2.0 * checked)
        return true;
    // the field moved further than ever: weigh it against the energy that can be there
    double bound = 10.0 * ((abs_before + (steps - steps_before) * power_abs) + start_abs);
    if (held(true) > bound && far > 1e-6 * (1.0 + std::fabs(s.T_amb)))
        return false;
    checked = far;
    return true;
}

double Audit::imbalance() const
{
    double stored = held(false) - start;
    return injected != 0.0 ? (injected - stored - lost) / injected : 0.0;
}

void Audit::report(std::ostream& out) const
{
    double stored = held(false) - start;
    std::ios::fmtflags f = out.flags();
    std::streamsize p = out.precision();
    out << std::setprecision(12);
    out << "Energy injected:              " << injected * joules << " J" << std::endl;
    out << "Energy stored:                " << stored * joules << " J" << std::endl;
    out << "Heat lost through the faces:  " << lost * joules << " J" << std::endl;
    out << std::setprecision(3);
    out << "Imbalance (relative):         " << imbalance() << std::endl;
    out.flags(f);
    out.precision(p);
}

} // namespace adi
