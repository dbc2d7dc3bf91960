// adi/Stepper.cpp: rows, sweeps and audit of the convection run; one time step
#include "adi/Stepper.h"

#include <cmath>
#include <sstream>

namespace adi
{

TSdg& Stepper::build_rows(TSdg& s)
{
    for (int l = 0; l < s.n_layers; l++)
        s.Build_DG_C(s.layers[l]);
    s.Build_cell_rows(s.coef);
    s.Build_BC();
    s.Build_face_rows();
    return s;
}

// The sweeps read the rows, so the rows are built first (in the initialiser of sweeps_).
Stepper::Stepper(TSdg& s)
    : s(s), sweeps_(build_rows(s)), tau0((s.rho * s.cp * pow(s.dx, 2.0)) / (s.k * s.dt)),
      audit_(new Audit(s, sweeps_.source(), tau0))
{
}

bool Stepper::step(bool audit_energy)
{
    double tau = (s.rho * s.cp * pow(s.dx, 2.0)) / (s.k * s.dt);
    if (audit_energy)
        audit_->before_step();
    sweeps_.step(tau);
    if (audit_energy)
        audit_->after_step();
    return audit_->sound(sweeps_.lo, sweeps_.hi, sweeps_.finite);
}

std::string Stepper::divergence(int step) const
{
    std::ostringstream what;
    what << "the run diverged at step " << step << " (dt = " << s.dt << " s): the field holds "
         << (sweeps_.finite ? "temperatures beyond what the injected energy allows"
                            : "values that are not finite")
         << "; take a smaller dt (README: \"Choosing the time step\")";
    return what.str();
}

void Stepper::restart_audit()
{
    audit_.reset(new Audit(s, sweeps_.source(), tau0));
}

} // namespace adi
