// SPDX-License-Identifier: GPL-3.0-or-later
// The 15th-order Gauss-Radau predictor-corrector.
//
// Over a step of size h from time t0 the acceleration of every coordinate is written as a
// polynomial in tau = (t - t0) / h:
//   a(tau) = a0 + b0 tau + b1 tau^2 + ... + b6 tau^7,
// which is integrated exactly for the velocity and the position. The b are found from the
// accelerations at the seven Gauss-Radau nodes of the step by iterating until they no longer
// change (Everhart 1985). The step size follows from the acceleration, jerk and snap at the end
// of the step (Pham, Rein and Spiegel 2024), and a step whose size turns out far too large is
// taken again with the smaller one (Rein and Spiegel 2015).
#include "sim/gauss_radau.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sim/collisions.h"

namespace orbilan {

namespace {

constexpr int NODES = 8;  // the start of the step and the seven nodes after it

// The spacings of the nodes and the constants derived from them, computed once in 113-bit
// arithmetic and rounded to 80 bits.
struct RadauTables {
    extended h[NODES];                // node n at tau = h[n]; h[0] = 0
    extended inverse[NODES][NODES];   // 1 / (h[n] - h[m]) for m < n
    extended c[NODES][NODES];         // c[n][j]: tau^j in tau (tau - h[1]) ... (tau - h[n-1])
    extended binomial[NODES][NODES];  // binomial[n][k] = n choose k
    // The predictor at node n: position = x0 + v0 tau h + (tau h)^2 (a0 / 2 + sum of b_k
    // position_weight[n][k]), with position_weight[n][k] = tau^(k+1) / ((k+2)(k+3)).
    extended position_weight[NODES][7];
};

using quad = __float128;

// The nodes after 0 are the roots of (P7(x) + P8(x)) / (1 + x) mapped from [-1, 1] to [0, 1]
// (Gauss-Radau quadrature with the left end as a node), P the Legendre polynomials. Newton's
// method from double-precision guesses; each iteration doubles the digits.
quad radau_node(double guess)
{
    quad t = guess;
    for (int iteration = 0; iteration < 8; ++iteration) {
        const quad x = 2 * t - 1;
        quad p_prev = 1, p = x;  // P0, P1
        quad p7 = 0;
        for (int n = 1; n < 8; ++n) {
            const quad next = ((2 * n + 1) * x * p - n * p_prev) / (n + 1);
            p_prev = p;
            p = next;
            if (n + 1 == 7) p7 = p;
        }
        const quad p8 = p;
        // P_n'(x) = n (x P_n - P_(n-1)) / (x^2 - 1), with P6 from P7 and P8's recurrence.
        const quad p6 = (15 * x * p7 - 8 * p8) / 7;
        const quad derivative7 = 7 * (x * p7 - p6) / (x * x - 1);
        const quad derivative8 = 8 * (x * p8 - p7) / (x * x - 1);
        t -= (p7 + p8) / (2 * (derivative7 + derivative8));
    }
    return t;
}

RadauTables make_tables()
{
    RadauTables tables{};
    const double guesses[NODES - 1] = {0.0562625605369221, 0.1802406917368924, 0.3526247171131696, 0.5471536263305554,
                                       0.7342101772154105, 0.8853209468390958, 0.9775206135612875};
    quad h[NODES] = {0};
    for (int n = 1; n < NODES; ++n) h[n] = radau_node(guesses[n - 1]);
    for (int n = 0; n < NODES; ++n) {
        tables.h[n] = static_cast<extended>(h[n]);
        for (int m = 0; m < n; ++m) tables.inverse[n][m] = static_cast<extended>(1 / (h[n] - h[m]));
    }
    // The product tau (tau - h[1]) ... (tau - h[n-1]), one factor at a time.
    quad product[NODES + 1] = {0, 1};  // coefficients of tau^0.. : tau
    for (int n = 1; n < NODES; ++n) {
        if (n > 1) {
            for (int j = n; j >= 1; --j) product[j] = product[j - 1] - h[n - 1] * product[j];
            product[0] = 0;
        }
        for (int j = 1; j <= n; ++j) tables.c[n][j] = static_cast<extended>(product[j]);
    }
    for (int n = 0; n < NODES; ++n) {
        quad power = h[n];
        for (int k = 0; k < 7; ++k, power *= h[n])
            tables.position_weight[n][k] = static_cast<extended>(power / ((k + 2) * (k + 3)));
    }
    for (int n = 0; n < NODES; ++n) {
        tables.binomial[n][0] = 1;
        for (int k = 1; k <= n; ++k) tables.binomial[n][k] = tables.binomial[n][k - 1] * (n - k + 1) / k;
    }
    return tables;
}

const RadauTables& tables()
{
    static const RadauTables computed = make_tables();
    return computed;
}

// A step is rejected when the criterion asks for less than this fraction of it, and the next
// step grows by at most its inverse (Rein and Spiegel 2015).
constexpr extended SAFETY = 0.25L;
constexpr int MAX_ITERATIONS = 20;

template <typename Real>
void clear_polynomials(GaussRadauWorkspace<Real>& work)
{
    for (Coefficients<Real>* coefficients : {&work.b, &work.e, &work.g})
        std::fill(coefficients->values.begin(), coefficients->values.end(), Real{0});
    work.predicted = false;
    work.accepted_any = false;
}

template <typename Real>
void size_arrays(GaussRadauWorkspace<Real>& work, int bodies)
{
    const auto size = static_cast<std::size_t>(bodies) * 3;
    for (std::vector<Real>* array :
         {&work.a0, &work.at, &work.carry_x, &work.carry_v, &work.done_x, &work.done_v, &work.done_a})
        array->assign(size, 0);
    for (Coefficients<Real>* coefficients : {&work.b, &work.g, &work.e, &work.b_accepted, &work.e_accepted})
        coefficients->values.assign(7 * size, 0);
    work.probe.body_count = bodies;
    for (std::vector<Real>* array : {&work.probe.x, &work.probe.y, &work.probe.z})
        array->assign(static_cast<std::size_t>(bodies) + 1, 0);
    work.probe.radius.assign(static_cast<std::size_t>(bodies) + 1, 0);
    work.predicted = false;
    work.accepted_any = false;
}

// The accelerations of the force sums as coordinates, plus the thrust.
template <typename Real>
void gather(const GaussRadauWorkspace<Real>& work, int bodies, std::vector<Real>& out)
{
    for (int i = 1; i <= bodies; ++i) {
        const std::size_t c = static_cast<std::size_t>(i - 1) * 3;
        out[c] = work.forces.ax[i];
        out[c + 1] = work.forces.ay[i];
        out[c + 2] = work.forces.az[i];
    }
}

// The continuous burn of the pending impulse entry over the part of the step that lies in its
// window: the mass falls at the constant rate and the recoil is rate * u / mass(t), which
// integrates to u ln(m0 / m1).
template <typename Real>
struct Burn {
    int body = 0;   // 0: no burn in this step
    Real rate = 0;  // kg/s leaving the body in forward time
    Real ux = 0, uy = 0, uz = 0;
    Real mass0 = 0;

    Real mass_at(Real elapsed) const { return mass0 - rate * elapsed; }
};

// The time the step must not pass (an edge of the pending window), and the burn if the step lies
// inside the window. Entries whose window the time has left are passed over.
template <typename Real>
bool window_edge(const BasicBodyTable<Real>& table, SimulationState& state, extended t0, bool forward, extended& edge,
                 Burn<Real>& burn)
{
    const int b = state.impulse_body;
    if (!is_body(table, b)) return false;
    int& k = state.impulse_next;
    const auto end_of = [&](int entry) {
        return state.impulse_table[entry].start_time + state.impulse_table[entry].duration;
    };
    while (k >= 1 && k <= state.impulse_count && k <= MAX_IMPULSE_ENTRIES &&
           (forward ? t0 >= end_of(k) : t0 > end_of(k)))
        ++k;
    if (k < 1 || k > state.impulse_count || k > MAX_IMPULSE_ENTRIES) return false;
    const ImpulseEntry& entry = state.impulse_table[k];
    const extended start = entry.start_time;
    const extended end = end_of(k);
    const bool inside = forward ? t0 >= start : t0 > start;
    if (!inside) {
        if (!forward) return false;  // backward, the window lies ahead in forward time only
        edge = start;
        return true;
    }
    edge = forward ? end : start;
    burn.body = b;
    burn.rate = static_cast<Real>(entry.ejected_mass / entry.duration);
    burn.ux = -static_cast<Real>(entry.exhaust_vx);
    burn.uy = -static_cast<Real>(entry.exhaust_vy);
    burn.uz = -static_cast<Real>(entry.exhaust_vz);
    burn.mass0 = table.mass[b];
    return true;
}

// Accelerations at `elapsed` seconds into the step, the positions already in the probe.
template <typename Real>
void accelerations_at(GaussRadauWorkspace<Real>& work, const BasicBodyTable<Real>& table, const Burn<Real>& burn,
                      Real grav_constant, Real elapsed, std::vector<Real>& out)
{
    Real mass = 0;
    if (burn.body != 0) {
        mass = burn.mass_at(elapsed);
        work.forces.gm[burn.body] = grav_constant * mass;
    }
    compute_accelerations(work.probe, work.forces, false);
    ++work.force_evaluations;
    gather(work, table.body_count, out);
    if (burn.body != 0) {
        const std::size_t c = static_cast<std::size_t>(burn.body - 1) * 3;
        out[c] += burn.rate * burn.ux / mass;
        out[c + 1] += burn.rate * burn.uy / mass;
        out[c + 2] += burn.rate * burn.uz / mass;
    }
}

// Positions at node n of the step (the predictor): the acceleration polynomial integrated twice.
template <typename Real>
void predict_positions(GaussRadauWorkspace<Real>& work, const BasicBodyTable<Real>& table, Real h, int node)
{
    const RadauTables& t = tables();
    Real weight[7];
    for (int k = 0; k < 7; ++k) weight[k] = static_cast<Real>(t.position_weight[node][k]);
    const Real th = static_cast<Real>(t.h[node]) * h;
    Real* coordinates[3] = {work.probe.x.data(), work.probe.y.data(), work.probe.z.data()};
    const Real* start[3] = {table.x.data(), table.y.data(), table.z.data()};
    const Real* velocity[3] = {table.vx.data(), table.vy.data(), table.vz.data()};
    for (int i = 1; i <= table.body_count; ++i)
        for (int axis = 0; axis < 3; ++axis) {
            const std::size_t c = static_cast<std::size_t>(i - 1) * 3 + axis;
            const Real* b = work.b[c];
            Real s = b[6] * weight[6];
            for (int k = 5; k >= 0; --k) s += b[k] * weight[k];
            s += work.a0[c] / 2;
            coordinates[axis][i] = start[axis][i] + th * (velocity[axis][i] + th * s);
        }
}

// The g from the b, inverting b_(j-1) = sum over n >= j of c[n][j] g_n from g_7 down.
template <typename Real>
void g_from_b(GaussRadauWorkspace<Real>& work)
{
    const RadauTables& t = tables();
    const std::size_t size = work.a0.size();
    for (std::size_t c = 0; c < size; ++c)
        for (int n = 7; n >= 1; --n) {
            Real value = work.b[c][n - 1];
            for (int m = n + 1; m <= 7; ++m) value -= static_cast<Real>(t.c[m][n]) * work.g[c][m - 1];
            work.g[c][n - 1] = value;
        }
}

// The corrector at a node: the node's divided difference g from the accelerations there, and
// the change of g carried into the b. At the last node, the largest change and acceleration.
template <int NODE, typename Real>
void correct(GaussRadauWorkspace<Real>& work, Real& largest_change, Real& largest_acceleration)
{
    const RadauTables& t = tables();
    Real inverse[NODE], c[NODE + 1];
    for (int m = 0; m < NODE; ++m) inverse[m] = static_cast<Real>(t.inverse[NODE][m]);
    for (int j = 1; j <= NODE; ++j) c[j] = static_cast<Real>(t.c[NODE][j]);
    const std::size_t size = work.at.size();
    const Real* at = work.at.data();
    const Real* a0 = work.a0.data();
    for (std::size_t k = 0; k < size; ++k) {
        Real* g = work.g[k];
        Real* b = work.b[k];
        Real value = (at[k] - a0[k]) * inverse[0];
        for (int m = 1; m < NODE; ++m) value = (value - g[m - 1]) * inverse[m];
        const Real change = value - g[NODE - 1];
        g[NODE - 1] = value;
        for (int j = 1; j <= NODE; ++j) b[j - 1] += c[j] * change;
        if constexpr (NODE == 7) {
            largest_change = std::max(largest_change, std::fabs(change));
            largest_acceleration = std::max(largest_acceleration, std::fabs(at[k]));
        }
    }
}

// The b from the converged g, afresh: b_(j-1) = sum over n >= j of c[n][j] g_n. Where the
// accelerations are exactly the same at every node (a lone body), the b are then exactly 0.
template <typename Real>
void b_from_g(GaussRadauWorkspace<Real>& work)
{
    const RadauTables& t = tables();
    const std::size_t size = work.a0.size();
    for (std::size_t c = 0; c < size; ++c)
        for (int j = 1; j <= 7; ++j) {
            Real value = work.g[c][6] * static_cast<Real>(t.c[7][j]);
            for (int n = 6; n >= j; --n) value += static_cast<Real>(t.c[n][j]) * work.g[c][n - 1];
            work.b[c][j - 1] = value;
        }
}

// The prediction of the next step's b from this step's (Everhart): the polynomial shifted to
// start at tau = 1 and stretched by q, plus the correction the last prediction needed.
template <typename Real>
void predict_next(GaussRadauWorkspace<Real>& work, Real q, const Coefficients<Real>& b,
                  const Coefficients<Real>& e_before, bool correct)
{
    const RadauTables& t = tables();
    const std::size_t size = work.a0.size();
    for (std::size_t c = 0; c < size; ++c) {
        Real shifted[7];
        Real qj = 1;
        for (int j = 1; j <= 7; ++j) {
            qj *= q;
            Real sum = 0;
            for (int k = 6; k >= j - 1; --k) sum += static_cast<Real>(t.binomial[k + 1][j]) * b[c][k];
            shifted[j - 1] = qj * sum;
        }
        for (int k = 0; k < 7; ++k) {
            const Real correction = correct ? b[c][k] - e_before[c][k] : Real{0};
            work.e[c][k] = shifted[k];
            work.b[c][k] = shifted[k] + correction;
        }
    }
}

// The criterion of Pham, Rein and Spiegel (2024): per body, tau^2 = 2 |a|^2 / (|jerk|^2 +
// |a| |snap|), from the polynomial at the end of the step; the smallest tau over the bodies,
// times (7! epsilon)^(1/7). For a circular orbit tau is 1/omega. A body whose acceleration passes
// through zero (the middle body of the figure-eight orbit at its start) would have a vanishing
// tau and the step would shrink for ever, so its tau is never taken below |jerk| / |snap|, the
// same time scale on any orbit where the acceleration does not vanish. Nothing when no body has a
// time scale (a lone body without thrust).
template <typename Real>
Real criterion_step(const GaussRadauWorkspace<Real>& work, int bodies, Real h)
{
    Real smallest = std::numeric_limits<Real>::infinity();
    for (int i = 0; i < bodies; ++i) {
        Real y2 = 0, y3 = 0, y4 = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const Real* b = work.b[static_cast<std::size_t>(i) * 3 + axis];
            Real a = work.a0[static_cast<std::size_t>(i) * 3 + axis], jerk = 0, snap = 0;
            for (int k = 0; k < 7; ++k) {
                a += b[k];
                jerk += (k + 1) * b[k];
                snap += (k + 1) * k * b[k];
            }
            jerk /= h;
            snap /= h * h;
            y2 += a * a;
            y3 += jerk * jerk;
            y4 += snap * snap;
        }
        const Real denominator = y3 + std::sqrt(y4 * y2);
        Real tau2 = 0;
        bool known = false;
        if (denominator > 0 && y2 > 0) tau2 = 2 * y2 / denominator, known = true;
        if (y4 > 0) tau2 = std::max(tau2, y3 / y4), known = true;
        if (known) smallest = std::min(smallest, tau2);
    }
    if (!std::isfinite(smallest)) return 0;
    return work.step_factor * std::sqrt(smallest);
}

template <typename Real>
int first_non_finite(const BasicBodyTable<Real>& table, const std::vector<Real>& a0)
{
    for (int i = 1; i <= table.body_count; ++i) {
        const std::size_t c = static_cast<std::size_t>(i - 1) * 3;
        for (const Real value : {table.x[i], table.y[i], table.z[i], table.vx[i], table.vy[i], table.vz[i],
                                 table.mass[i], a0[c], a0[c + 1], a0[c + 2]})
            if (!std::isfinite(value)) return i;
    }
    return 0;
}

// x += dx with the rounding error kept in `carry` (Kahan), so that many small steps do not lose
// the digits that do not fit beside x.
template <typename Real>
void add_compensated(Real& x, Real& carry, Real dx)
{
    const Real y = dx - carry;
    const Real sum = x + y;
    carry = (sum - x) - y;
    x = sum;
}

}  // namespace

template <typename Real>
void init_gauss_radau(GaussRadauWorkspace<Real>& work, const BasicBodyTable<Real>& table, int threads,
                      extended tolerance, const GaussRadauCarry& carry)
{
    init_workspace(work.forces, table, threads);
    size_arrays(work, table.body_count);
    work.step_factor = static_cast<Real>(std::pow(5040 * tolerance, 1 / 7.0L));
    work.step = static_cast<Real>(carry.step);
    work.force_evaluations = 0;
    work.rejected_steps = 0;
    if (!carry.fits(table.body_count)) return;
    const std::size_t size = work.a0.size();
    const extended* value = carry.values.data();
    for (std::size_t c = 0; c < size; ++c) {
        for (int k = 0; k < 7; ++k) work.b[c][k] = static_cast<Real>(*value++);
        for (int k = 0; k < 7; ++k) work.e[c][k] = static_cast<Real>(*value++);
        for (int k = 0; k < 7; ++k) work.b_accepted[c][k] = static_cast<Real>(*value++);
        for (int k = 0; k < 7; ++k) work.e_accepted[c][k] = static_cast<Real>(*value++);
        work.carry_x[c] = static_cast<Real>(*value++);
        work.carry_v[c] = static_cast<Real>(*value++);
    }
    work.predicted = carry.predicted;
    work.accepted_any = carry.accepted_any;
}

template <typename Real>
GaussRadauCarry gauss_radau_carry(const GaussRadauWorkspace<Real>& work, const BasicBodyTable<Real>& table)
{
    GaussRadauCarry carry;
    carry.step = work.step;
    carry.predicted = work.predicted;
    carry.accepted_any = work.accepted_any;
    const std::size_t size = static_cast<std::size_t>(table.body_count) * 3;
    if (work.a0.size() != size) return carry;
    carry.values.reserve(GaussRadauCarry::size_for(table.body_count));
    for (std::size_t c = 0; c < size; ++c) {
        for (int k = 0; k < 7; ++k) carry.values.push_back(work.b[c][k]);
        for (int k = 0; k < 7; ++k) carry.values.push_back(work.e[c][k]);
        for (int k = 0; k < 7; ++k) carry.values.push_back(work.b_accepted[c][k]);
        for (int k = 0; k < 7; ++k) carry.values.push_back(work.e_accepted[c][k]);
        carry.values.push_back(work.carry_x[c]);
        carry.values.push_back(work.carry_v[c]);
    }
    return carry;
}

template <typename Real>
StepResult gauss_radau_step(BasicBodyTable<Real>& table, SimulationState& state, GaussRadauWorkspace<Real>& work,
                            double camera_distance)
{
    StepResult result;
    const RadauTables& t = tables();
    const bool forward = state.run_direction != RunDirection::backward;
    const Real grav_constant = static_cast<Real>(state.grav_constant);

    // The merge scan of the first-order step, on the positions at the start of the step; the
    // method starts afresh from the merged bodies.
    bool merged = false;
    if (state.collision_mode != 0) {
        if (const TouchingPair pair = compute_accelerations(table, work.forces, true)) {
            result.removed_body = merge_bodies(table, pair.i, pair.j);
            prepare_step(table, state, work.forces);
            size_arrays(work, table.body_count);
            merged = true;
        } else {
            ++work.force_evaluations;
        }
    }
    if (state.collision_mode == 0 || merged) {
        compute_accelerations(table, work.forces, false);
        ++work.force_evaluations;
    }
    const int n = table.body_count;
    gather(work, n, work.a0);

    const extended t0 = state.sim_time;
    extended edge = 0;
    Burn<Real> burn;
    const int pending = state.impulse_next;
    const bool has_edge = window_edge(table, state, t0, forward, edge, burn);
    if (burn.body != 0) {
        const std::size_t c = static_cast<std::size_t>(burn.body - 1) * 3;
        work.a0[c] += burn.rate * burn.ux / burn.mass0;
        work.a0[c + 1] += burn.rate * burn.uy / burn.mass0;
        work.a0[c + 2] += burn.rate * burn.uz / burn.mass0;
        // The window would empty the body: the run ends at its start, as the mass error.
        if (forward && !(burn.mass_at(static_cast<Real>(edge - t0)) > 0)) {
            state.impulse_next = pending;
            result.mass_error = result.stop = true;
            return result;
        }
    }
    if (const int body = first_non_finite(table, work.a0)) {
        result.failure = StepFailure::non_finite;
        result.failed_body = body;
        result.stop = true;
        return result;
    }

    if (!(work.step > 0) || !std::isfinite(work.step)) work.step = std::fabs(static_cast<Real>(state.dt));
    if (!(work.step > 0)) work.step = 1;
    const auto too_small = [&] {
        // A step that no longer changes the time would never end the run.
        return !(static_cast<extended>(work.step) > std::fabs(t0) * 4 * std::numeric_limits<extended>::epsilon()) ||
               !(work.step >= std::numeric_limits<Real>::min());
    };

    for (;;) {
        if (too_small()) {
            result.failure = StepFailure::step_too_small;
            result.stop = true;
            return result;
        }
        // The step: the size in use, shortened to land on the stop time or a window edge.
        extended h_long = forward ? static_cast<extended>(work.step) : -static_cast<extended>(work.step);
        extended landing = 0;
        bool lands = false;
        for (const auto& [limited, limit] :
             {std::pair{true, static_cast<extended>(state.stop_time)}, std::pair{has_edge, edge}}) {
            if (limited && (forward ? t0 + h_long >= limit : t0 + h_long <= limit)) {
                h_long = limit - t0;
                landing = limit;
                lands = true;
            }
        }
        // The stop time reached already: nothing to integrate.
        if (h_long == 0) {
            result.stop = true;
            return result;
        }
        const Real h = static_cast<Real>(h_long);
        g_from_b(work);
        Real error = std::numeric_limits<Real>::max();
        Real last_error = error;
        const Real converged = std::numeric_limits<Real>::epsilon() / 2;
        for (int iteration = 0; iteration < MAX_ITERATIONS; ++iteration) {
            if (error < converged) break;
            if (iteration > 2 && error >= last_error) break;  // rounding only from here on
            last_error = error;
            Real largest_change = 0, largest_acceleration = 0;
            for (int node = 1; node < NODES; ++node) {
                const Real tau = static_cast<Real>(t.h[node]);
                predict_positions(work, table, h, node);
                accelerations_at(work, table, burn, grav_constant, tau * h, work.at);
                switch (node) {
                case 1: correct<1>(work, largest_change, largest_acceleration); break;
                case 2: correct<2>(work, largest_change, largest_acceleration); break;
                case 3: correct<3>(work, largest_change, largest_acceleration); break;
                case 4: correct<4>(work, largest_change, largest_acceleration); break;
                case 5: correct<5>(work, largest_change, largest_acceleration); break;
                case 6: correct<6>(work, largest_change, largest_acceleration); break;
                default: correct<7>(work, largest_change, largest_acceleration); break;
                }
            }
            error = largest_acceleration > 0 ? largest_change / largest_acceleration : largest_change;
        }

        b_from_g(work);
        const Real abs_h = std::fabs(h);
        Real next = criterion_step(work, n, h);
        if (!std::isfinite(next)) {
            result.failure = StepFailure::non_finite;
            result.stop = true;
            return result;
        }
        if (next == 0 || work.fixed_step) next = abs_h / static_cast<Real>(SAFETY);
        if (next < static_cast<Real>(SAFETY) * abs_h) {
            // Rejected: again with the smaller step, the predictor restarted from the last step.
            ++work.rejected_steps;
            work.step = next;
            if (work.accepted_any)
                predict_next(work, next / static_cast<Real>(work.done_h < 0 ? -work.done_h : work.done_h),
                             work.b_accepted, work.e_accepted, work.predicted);
            else
                clear_polynomials(work);
            continue;
        }
        // A shortened step does not hold back the growth of the next.
        const Real base = lands ? std::max(abs_h, work.step) : abs_h;
        next = work.fixed_step ? base : std::min(next, base / static_cast<Real>(SAFETY));

        // Accepted: the polynomial integrated over the whole step.
        static constexpr Real once[7] = {1 / Real{2}, 1 / Real{3}, 1 / Real{4}, 1 / Real{5},
                                         1 / Real{6}, 1 / Real{7}, 1 / Real{8}};
        static constexpr Real twice[7] = {1 / Real{6},  1 / Real{12}, 1 / Real{20}, 1 / Real{30},
                                          1 / Real{42}, 1 / Real{56}, 1 / Real{72}};
        Real* position[3] = {table.x.data(), table.y.data(), table.z.data()};
        Real* velocity[3] = {table.vx.data(), table.vy.data(), table.vz.data()};
        work.done_start = t0;
        work.done_h = h;
        for (int i = 1; i <= n; ++i)
            for (int axis = 0; axis < 3; ++axis) {
                const std::size_t c = static_cast<std::size_t>(i - 1) * 3 + axis;
                work.done_x[c] = position[axis][i];
                work.done_v[c] = velocity[axis][i];
                work.done_a[c] = work.a0[c];
                Real sx = work.b[c][6] * twice[6], sv = work.b[c][6] * once[6];
                for (int k = 5; k >= 0; --k) {
                    sx += work.b[c][k] * twice[k];
                    sv += work.b[c][k] * once[k];
                }
                const Real dx = h * (velocity[axis][i] + h * (work.a0[c] / 2 + sx));
                const Real dv = h * (work.a0[c] + sv);
                add_compensated(position[axis][i], work.carry_x[c], dx);
                add_compensated(velocity[axis][i], work.carry_v[c], dv);
            }
        work.b_accepted.values = work.b.values;
        work.e_accepted.values = work.e.values;
        const bool had_prediction = work.predicted;
        work.accepted_any = true;

        if (burn.body != 0) {
            table.mass[burn.body] = burn.mass_at(h);
            work.forces.gm[burn.body] = grav_constant * table.mass[burn.body];
            // The exhaust line of the first-order step, from where the burn step began.
            const Real longest = std::max({std::fabs(burn.ux), std::fabs(burn.uy), std::fabs(burn.uz)});
            if (longest > 0) {
                const std::size_t c = static_cast<std::size_t>(burn.body - 1) * 3;
                const Real f = (static_cast<Real>(camera_distance) / 10) / longest;
                ExhaustPlume& plume = state.exhaust_plume;
                plume.trail_x = {static_cast<double>(work.done_x[c]),
                                 static_cast<double>(work.done_x[c] - f * burn.ux)};
                plume.trail_y = {static_cast<double>(work.done_x[c + 1]),
                                 static_cast<double>(work.done_x[c + 1] - f * burn.uy)};
                plume.trail_z = {static_cast<double>(work.done_x[c + 2]),
                                 static_cast<double>(work.done_x[c + 2] - f * burn.uz)};
            }
        }

        state.sim_time = lands ? landing : t0 + h_long;
        const extended stop_time = state.stop_time;
        if (forward ? state.sim_time >= stop_time : state.sim_time <= stop_time) result.stop = true;

        // The next step's predictor; far larger steps than this one learn nothing from it.
        const Real q = next / abs_h;
        if (q > 20) {
            clear_polynomials(work);
            work.accepted_any = true;
        } else {
            predict_next(work, q, work.b_accepted, work.e_accepted, had_prediction);
            work.predicted = true;
        }
        work.step = next;
        for (int i = 1; i <= n; ++i) {
            if (!std::isfinite(table.x[i] + table.y[i] + table.z[i] + table.vx[i] + table.vy[i] + table.vz[i])) {
                result.failure = StepFailure::non_finite;
                result.failed_body = i;
                result.stop = true;
                break;
            }
        }
        return result;
    }
}

template <typename Real>
void gauss_radau_output(const GaussRadauWorkspace<Real>& work, int k, extended time, bool acceleration, extended out[3])
{
    const Real h = work.done_h;
    const Real tau = h != 0 ? static_cast<Real>((time - work.done_start) / static_cast<extended>(h)) : Real{0};
    static constexpr Real twice[7] = {1 / Real{6},  1 / Real{12}, 1 / Real{20}, 1 / Real{30},
                                      1 / Real{42}, 1 / Real{56}, 1 / Real{72}};
    for (int axis = 0; axis < 3; ++axis) {
        const std::size_t c = static_cast<std::size_t>(k - 1) * 3 + axis;
        if (acceleration) {
            Real a = work.b_accepted[c][6];
            for (int j = 5; j >= 0; --j) a = a * tau + work.b_accepted[c][j];
            out[axis] = work.done_a[c] + tau * a;
        } else {
            Real s = work.b_accepted[c][6] * twice[6];
            for (int j = 5; j >= 0; --j) s = s * tau + work.b_accepted[c][j] * twice[j];
            s = s * tau + work.done_a[c] / 2;
            const Real th = tau * h;
            out[axis] = work.done_x[c] + th * (work.done_v[c] + th * s);
        }
    }
}

template void init_gauss_radau(GaussRadauWorkspace<extended>&, const BasicBodyTable<extended>&, int, extended,
                               const GaussRadauCarry&);
template void init_gauss_radau(GaussRadauWorkspace<double>&, const BasicBodyTable<double>&, int, extended,
                               const GaussRadauCarry&);
template GaussRadauCarry gauss_radau_carry(const GaussRadauWorkspace<extended>&, const BasicBodyTable<extended>&);
template GaussRadauCarry gauss_radau_carry(const GaussRadauWorkspace<double>&, const BasicBodyTable<double>&);
template StepResult gauss_radau_step(BasicBodyTable<extended>&, SimulationState&, GaussRadauWorkspace<extended>&,
                                     double);
template StepResult gauss_radau_step(BasicBodyTable<double>&, SimulationState&, GaussRadauWorkspace<double>&, double);
template void gauss_radau_output(const GaussRadauWorkspace<extended>&, int, extended, bool, extended[3]);
template void gauss_radau_output(const GaussRadauWorkspace<double>&, int, extended, bool, extended[3]);

}  // namespace orbilan
