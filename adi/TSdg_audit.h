// adi/TSdg_audit.h: the energy balance of an ADI run, and the test that tells a run diverging
#ifndef ADI_TSDG_AUDIT_H
#define ADI_TSDG_AUDIT_H

#include "adi/TSdg.h"

#include <cstddef>
#include <ostream>
#include <vector>

namespace adi
{

// Energy of the run from its coefficients, in the units of the scaled equations (multiplied by
// dt*k*dy*dz/(2*dx) they are joules). The last sweep of a step, summed over all nodes, reads
//   sum cap*(T3 - T) = sum S - sum over face nodes and their faces of
//                      conv_a*((Ta + T) - 2*T_amb),   Ta = T1, T2, T3 for the x, y, z faces,
// because every link's weight is the same in the rows of its two nodes, so that what one node
// gives the other receives. The audit sums each term on its own:
//   injected  sum over the steps of sum S (the power of the cells),
//   stored    sum cap*(T - T_start), cap the node's time term,
//   lost      the convection above, step by step,
// and reports their imbalance injected - stored - lost relative to the injected energy.
//
// The same sums bound what a sound run can reach: a node's heat capacity times its distance from
// T_amb, summed over the nodes, is at most the energy injected plus what the field held at the
// start (the heat equation only evens temperatures out). A run whose field leaves that bound by
// far, or holds a value that is not finite, diverges.
class Audit
{
public:
    // s's rows must be built (coef, face table), src is the run's per-node source, tau the base
    // time term. Reads the field T as the start.
    Audit(const TSdg& s, const double* src, double tau);

    // Before a step: keeps T on the face nodes.
    void before_step();
    // After a step (T1, T2 of the step, T = T3): adds the step's injection and losses.
    void after_step();
    // After every step (whether or not the energy is audited): false when the field is not
    // finite or leaves the bound above tenfold.
    // lo, hi, finite: the range of the new field and whether all of it is finite.
    bool sound(double lo, double hi, bool finite);

    // Between steps, after the run's source src changed (a power trace): the steps from now on
    // inject the new source.
    void source_changed(const double* src);

    // The audit's lines: injected, stored, lost (J) and the relative imbalance.
    void report(std::ostream& out) const;
    double imbalance() const; // (injected - stored - lost)/injected; 0 when nothing was injected
    double injected_joules() const { return injected * joules; }

private:
    const TSdg& s;
    double tau;
    double joules;         // scaled units to J
    double power;          // sum S over the nodes: injection per step
    double power_abs;      // sum |S|
    double start;          // sum cap*(T - T_amb) at the start
    double start_abs;      // sum cap*|T - T_amb| at the start
    double injected, lost; // sums so far
    int steps;
    double abs_before;           // sum |S| injected by the steps before the source last changed
    int steps_before;            // and their number
    double checked;              // largest |T - T_amb| verified against the bound so far
    std::vector<ptrdiff_t> face; // flat index of each face node
    std::vector<double> conv;    // its convection weights, 3 per face node
    std::vector<double> old;     // T on the face nodes before the step

    double held(bool absolute) const; // sum cap*(T - T_amb), or of |T - T_amb|
};

} // namespace adi

#endif
