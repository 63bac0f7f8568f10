// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "sim/gravity_step.h"
#include "sim/integrator.h"

namespace orbilan {

// The tolerance (epsilon of the step-size criterion) when none is given. In double precision the
// usual 1e-9, where rounding takes over; in extended precision small enough that slow secular
// errors stay below rounding too (the solar system's Moon over a century moves by 0.3 mm at 1e-12
// against 1e-13, by 3 mm at 1e-11).
template <typename Real>
constexpr extended default_tolerance()
{
    return sizeof(Real) > sizeof(double) ? 1e-12L : 1e-9L;
}

// Seven coefficients per coordinate, those of a coordinate together: [c][k].
template <typename Real>
struct Coefficients {
    std::vector<Real> values;
    Real* operator[](std::size_t c) { return values.data() + 7 * c; }
    const Real* operator[](std::size_t c) const { return values.data() + 7 * c; }
};

// Working data of one run of the method. Coordinates are numbered 3 (i - 1) + axis.
template <typename Real>
struct GaussRadauWorkspace {
    BasicStepWorkspace<Real> forces;  // the force sums, as the first-order step has them
    BasicBodyTable<Real> probe;       // positions at a substep
    Real step_factor = 0;             // (7! tolerance)^(1/7)
    Real step = 0;                    // size of the next step, never signed
    std::vector<Real> a0, at;
    Coefficients<Real> b, g, e;  // the polynomial, its divided differences, its prediction
    Coefficients<Real> b_accepted, e_accepted;
    std::vector<Real> carry_x, carry_v;  // the compensated sums' remainders
    bool predicted = false;              // e holds a prediction from an accepted step
    bool accepted_any = false;

    // The last accepted step, for output between step ends.
    extended done_start = 0;
    Real done_h = 0;
    std::vector<Real> done_x, done_v, done_a;

    long long force_evaluations = 0;
    long long rejected_steps = 0;
    bool fixed_step = false;  // keeps the size of the first step (a check of the method's order)
};

// Sizes the workspace, starts the force workers and takes the carry (if it fits the table).
template <typename Real>
void init_gauss_radau(GaussRadauWorkspace<Real>& work, const BasicBodyTable<Real>& table, int threads,
                      extended tolerance, const GaussRadauCarry& carry);

// What a run hands on when it ends.
template <typename Real>
GaussRadauCarry gauss_radau_carry(const GaussRadauWorkspace<Real>& work, const BasicBodyTable<Real>& table);

// One accepted step, from the merge scan to the stop test. The step ends on the stop time and on
// the edges of the pending impulse window when it would pass them; inside a window the mass flows
// out and the recoil pushes continuously. A step that cannot be taken (a non-finite state, or a
// step too small to change the time) sets `failed` and leaves the state as it was.
template <typename Real>
StepResult gauss_radau_step(BasicBodyTable<Real>& table, SimulationState& state, GaussRadauWorkspace<Real>& work,
                            double camera_distance);

// Position (or acceleration) of body k at a time within the last accepted step, from the step's
// own polynomial.
template <typename Real>
void gauss_radau_output(const GaussRadauWorkspace<Real>& work, int k, extended time, bool acceleration,
                        extended out[3]);

}  // namespace orbilan
