// adi/Stepper.h: the time step of the convection run, one call a step, for every caller that steps
#ifndef ADI_STEPPER_H
#define ADI_STEPPER_H

#include "adi/TSdg.h"
#include "adi/TSdg_audit.h"
#include "adi/TSdg_sweeps.h"

#include <memory>
#include <string>

namespace adi
{

// What a transient step with convective faces needs besides the solver's fields: the coefficient
// rows (built by the constructor as the convection run builds them), the batched sweeps with the
// per-node source, and the energy audit that also tells a run diverging. TSdg::
// Dauglas_Gunn_Convection steps through it, and so does a program that advances a model a few
// steps at a time and changes its power in between (adi/Session.h).
class Stepper
{
public:
    // Builds s's rows (Build_DG_C of every layer, Build_cell_rows, Build_BC, Build_face_rows),
    // the sweeps from s.power and the audit from s.T. s's blocks must be read; s must outlive
    // the object.
    explicit Stepper(TSdg& s);

    // One time step. With audit_energy the audit counts the step's injection and losses. Returns
    // false when the new field diverges (Audit::sound); the field is then left as the step made
    // it.
    bool step(bool audit_energy);
    // The error line of a run that diverged at step step (from 0).
    std::string divergence(int step) const;

    // The field T was replaced from outside (a steady state): the audit starts again from it.
    void restart_audit();

    Sweeps& sweeps() { return sweeps_; }
    Audit& audit() { return *audit_; }
    const Audit& audit() const { return *audit_; }

private:
    TSdg& s;
    Sweeps sweeps_;
    double tau0; // the base material's time term (rho*cp*dx^2)/(k*dt)
    std::unique_ptr<Audit> audit_;

    static TSdg& build_rows(TSdg& s);
};

} // namespace adi

#endif
