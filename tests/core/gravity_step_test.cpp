#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "sim/gravity_step.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using test::make_bodies;

struct Stepper {
    BodyTable table;
    SimulationState state;
    StepWorkspace work;

    void start(int threads = 1, int direction = 1)
    {
        state.run_direction = direction;
        init_workspace(work, table, threads);
        prepare_step(table, state, work);
    }
    StepResult step(double camera_distance = 0) { return gravity_step(table, state, work, camera_distance); }
    void steps(int count)
    {
        for (int k = 0; k < count; ++k) step();
    }
};

// The formulas exactly as a table-driven program computes them: (N+1)^2 tables of separations,
// distances and inverse distance cubes, the collision scan over every ordered pair, sums over
// increasing j of G m_j d / r^3 with 1/r^3 rounded once per pair.
struct TableReference {
    TableReference(BodyTable& table, SimulationState& state) : t(table), s(state) {}

    BodyTable& t;
    SimulationState& s;
    std::vector<std::vector<extended>> dx, dy, dz, r, inverse_cube;
    std::vector<extended> gm;
    extended h = 0;

    void prepare()
    {
        h = s.run_direction == 2 ? -s.dt : s.dt;
        gm.assign(t.body_count + 1, 0);
        for (int j = 1; j <= t.body_count; ++j) gm[j] = s.grav_constant * t.mass[j];
    }
    void separations()
    {
        const int n = t.body_count;
        for (auto* table : {&dx, &dy, &dz, &r, &inverse_cube}) table->assign(n + 1, std::vector<extended>(n + 1, 0));
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                if (i == j) continue;
                dx[i][j] = t.x[j] - t.x[i];
                dy[i][j] = t.y[j] - t.y[i];
                dz[i][j] = t.z[j] - t.z[i];
                const extended r2 = dx[i][j] * dx[i][j] + dy[i][j] * dy[i][j] + dz[i][j] * dz[i][j];
                r[i][j] = std::sqrt(r2);
                inverse_cube[i][j] = 1 / (r2 * r[i][j]);
            }
    }
    bool merge_first_touching()
    {
        const int n = t.body_count;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                if (i == j || !(r[i][j] <= static_cast<extended>(t.radius[j]) + static_cast<extended>(t.radius[i])))
                    continue;
                const extended mi = t.mass[i], mj = t.mass[j];
                const int sv = mi > mj ? i : j;
                const int d = sv == i ? j : i;
                const extended vx = (mi * t.vx[i] + mj * t.vx[j]) / (mj + mi);
                const extended vy = (mi * t.vy[i] + mj * t.vy[j]) / (mj + mi);
                const extended vz = (mi * t.vz[i] + mj * t.vz[j]) / (mj + mi);
                const extended x = (t.x[i] * mi + t.x[j] * mj) / (mj + mi);
                const extended y = (t.y[i] * mi + t.y[j] * mj) / (mj + mi);
                const extended z = (t.z[i] * mi + t.z[j] * mj) / (mj + mi);
                t.density[sv] = (mi + mj) / (mj / t.density[j] + mi / t.density[i]);
                t.mass[sv] = mj + mi;
                t.vx[sv] = vx, t.vy[sv] = vy, t.vz[sv] = vz;
                t.x[sv] = x, t.y[sv] = y, t.z[sv] = z;
                t.radius[sv] = static_cast<double>(std::cbrt(3 * t.mass[sv] / 4 / static_cast<extended>(PI) / t.density[sv]));
                delete_body(t, s, d);
                return true;
            }
        return false;
    }
    void step()
    {
        separations();
        if (s.collision_mode && merge_first_touching()) {
            prepare();
            separations();
        }
        const int n = t.body_count;
        std::vector<std::array<extended, 3>> a(n + 1);
        for (int i = 1; i <= n; ++i) {
            extended sx = 0, sy = 0, sz = 0;
            for (int j = 1; j <= n; ++j) {
                if (j == i) continue;
                const extended g = gm[j] * inverse_cube[i][j];
                sx += g * dx[i][j];
                sy += g * dy[i][j];
                sz += g * dz[i][j];
            }
            a[i] = {sx, sy, sz};
        }
        for (int i = 1; i <= n; ++i) {
            t.vx[i] += h * a[i][0];
            t.x[i] += h * t.vx[i];
            t.vy[i] += h * a[i][1];
            t.y[i] += h * t.vy[i];
            t.vz[i] += h * a[i][2];
            t.z[i] += h * t.vz[i];
        }
        s.sim_time += h;
    }
};

TEST(GravityStep, MatchesTheTableAlgorithmBitForBitThroughMerges)
{
    for (const int threads : {1, 2, 3}) {
        Stepper fast;
        test::make_cluster(fast.table, fast.state, 150, 7, 2e3);
        fast.state.dt = 1e-3L;
        fast.state.grav_constant = 1;
        fast.state.collision_mode = 255;
        fast.state.stop_time = 1e99L;
        fast.work.parallel_min_bodies = 16;
        BodyTable ref_table = fast.table;
        SimulationState ref_state = fast.state;
        TableReference ref(ref_table, ref_state);
        ref_state.run_direction = 1;
        ref.prepare();
        fast.start(threads);

        for (int k = 0; k < 40; ++k) {
            fast.step();
            ref.step();
        }
        EXPECT_LT(fast.table.body_count, 150) << "the cluster should have merged bodies";
        EXPECT_TRUE(test::same_bodies(fast.table, ref_table)) << threads << " threads";
        EXPECT_TRUE(test::same_bits(fast.state.sim_time, ref_state.sim_time));
    }
}

#ifdef __SIZEOF_FLOAT128__
// How far the accelerations are from the same sums done term by term as G m d / r^3 with
// r^3 = r r r, and from the exact sums (128-bit), in units of the 80-bit epsilon times the sum of
// the terms' magnitudes: the scale of a sum's rounding error.
struct SumErrors {
    double from_term_by_term = 0;
    double from_exact = 0;
    double term_by_term_from_exact = 0;
};

using quad = __float128;

quad quad_sqrt(quad v)
{
    const quad guess = std::sqrt(static_cast<extended>(v));
    return (guess + v / guess) / 2;  // one Newton step doubles the 64 good bits
}

SumErrors sum_errors(int n, unsigned seed)
{
    Stepper run;
    test::make_cluster(run.table, run.state, n, seed);
    run.state.grav_constant = 1;
    run.start();
    compute_accelerations(run.table, run.work, false);
    const BodyTable& t = run.table;
    const extended* gm = run.work.gm.data();
    SumErrors worst;
    for (int i = 1; i <= n; ++i) {
        extended old_form[3] = {0, 0, 0};
        quad exact[3] = {0, 0, 0};
        quad scale = 0;
        for (int j = 1; j <= n; ++j) {
            if (j == i) continue;
            const extended d[3] = {t.x[j] - t.x[i], t.y[j] - t.y[i], t.z[j] - t.z[i]};
            const extended r = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            const quad qd[3] = {quad(t.x[j]) - quad(t.x[i]), quad(t.y[j]) - quad(t.y[i]), quad(t.z[j]) - quad(t.z[i])};
            const quad q2 = qd[0] * qd[0] + qd[1] * qd[1] + qd[2] * qd[2];
            const quad qr3 = q2 * quad_sqrt(q2);
            for (int k = 0; k < 3; ++k) {
                old_form[k] += gm[j] * d[k] / (r * r * r);
                exact[k] += quad(gm[j]) * qd[k] / qr3;
            }
            scale += quad(gm[j]) / q2;
        }
        const extended ours[3] = {run.work.ax[i], run.work.ay[i], run.work.az[i]};
        const quad unit = scale * quad(std::numeric_limits<extended>::epsilon());
        for (int k = 0; k < 3; ++k) {
            const quad from_old = quad(ours[k]) - quad(old_form[k]);
            const quad from_exact = quad(ours[k]) - exact[k];
            const quad old_from_exact = quad(old_form[k]) - exact[k];
            worst.term_by_term_from_exact = std::max(worst.term_by_term_from_exact, static_cast<double>((old_from_exact < 0 ? -old_from_exact : old_from_exact) / unit));
            worst.from_term_by_term = std::max(worst.from_term_by_term, static_cast<double>((from_old < 0 ? -from_old : from_old) / unit));
            worst.from_exact = std::max(worst.from_exact, static_cast<double>((from_exact < 0 ? -from_exact : from_exact) / unit));
        }
    }
    return worst;
}

// Measured on clusters of 100 to 3000 bodies: within 1.5 eps of the term-by-term sums, and as
// close to the exact sums as they are (2 eps at 100 bodies, 7 at 1000, 12 at 3000).
TEST(GravityStep, SumsStayWithinTheMeasuredRoundingBound)
{
    for (const unsigned seed : {21u, 22u}) {
        const SumErrors e = sum_errors(400, seed);
        EXPECT_LT(e.from_term_by_term, 2.0) << "seed " << seed;
        EXPECT_LT(e.from_exact, e.term_by_term_from_exact + 1.0) << "seed " << seed << ": " << e.from_exact << " vs "
                                                                << e.term_by_term_from_exact;
        EXPECT_GT(e.term_by_term_from_exact, 1.0) << "the exact sums should show the sums' own rounding";
    }
}
#endif

// Several threads share the sums in tiles of 64, 32 or 16 bodies: every one gives the same bits.
TEST(GravityStep, OneThreadAndSeveralGiveIdenticalBits)
{
    std::vector<BodyTable> results;
    for (const int threads : {1, 2, 3, 8}) {
        Stepper run;
        test::make_cluster(run.table, run.state, 700, 11);
        run.state.dt = 1e-4L;
        run.state.grav_constant = 1;
        run.state.stop_time = 1e99L;
        run.start(threads);
        run.steps(5);
        results.push_back(run.table);
    }
    for (std::size_t k = 1; k < results.size(); ++k) EXPECT_TRUE(test::same_bodies(results[0], results[k])) << k;
}

TEST(GravityStep, ABodyAloneKeepsItsVelocity)
{
    Stepper run;
    make_bodies(run.table, run.state, {{.x = 5, .vx = 2, .vy = -3, .vz = 0.5L, .mass = 7}});
    run.state.dt = 0.25L;
    run.state.grav_constant = 6.674e-11L;
    run.state.stop_time = 1e99L;
    run.start();
    run.steps(1000);
    EXPECT_EQ(run.table.vx[1], 2);
    EXPECT_EQ(run.table.vy[1], -3);
    EXPECT_EQ(run.table.vz[1], 0.5L);
    EXPECT_EQ(run.table.x[1], 5 + 1000 * 0.25L * 2);
    EXPECT_EQ(run.table.y[1], 1000 * 0.25L * -3);
}

TEST(GravityStep, TwoBodiesAtRestFallTowardEachOther)
{
    Stepper run;
    make_bodies(run.table, run.state, {{.x = 0, .mass = 3}, {.x = 2, .mass = 5}});
    run.state.dt = 0.1L;
    run.state.grav_constant = 1;
    run.state.stop_time = 1e99L;
    run.start();
    run.step();
    // Each velocity points to the other body with magnitude h G m_other / r^2.
    EXPECT_NEAR(static_cast<double>(run.table.vx[1]), 0.1 * 5 / 4, 1e-15);
    EXPECT_NEAR(static_cast<double>(run.table.vx[2]), -0.1 * 3 / 4, 1e-15);
    EXPECT_EQ(run.table.vy[1], 0);
    EXPECT_EQ(run.table.x[1], 0.1L * run.table.vx[1]);
    EXPECT_EQ(run.table.x[2], 2 + 0.1L * run.table.vx[2]);
}

// Total momentum of an isolated system changes only by rounding.
TEST(GravityStep, MomentumIsConserved)
{
    Stepper run;
    test::make_cluster(run.table, run.state, 20, 3);
    run.state.dt = 1e-3L;
    run.state.grav_constant = 1;
    run.state.stop_time = 1e99L;
    auto momentum = [&] {
        extended px = 0;
        for (int i = 1; i <= run.table.body_count; ++i) px += run.table.mass[i] * run.table.vx[i];
        return px;
    };
    const extended before = momentum();
    run.start();
    run.steps(2000);
    EXPECT_NEAR(static_cast<double>(momentum()), static_cast<double>(before), 1e-14);
}

// A light planet on a circular orbit around a heavy star (G M = 1, r = 1, period 2 pi). Semi-implicit
// Euler is conjugate to a second-order method, so over a whole period the miss shrinks as h^2.
double circular_orbit_miss(int steps_per_period)
{
    Stepper run;
    make_bodies(run.table, run.state, {{.mass = 1}, {.x = 1, .vy = 1, .mass = 1e-20L}});
    const extended period = 2 * static_cast<extended>(PI);
    run.state.dt = period / steps_per_period;
    run.state.grav_constant = 1;
    run.state.stop_time = 1e99L;
    run.start();
    run.steps(steps_per_period);
    const extended dx = run.table.x[2] - run.table.x[1] - 1;
    const extended dy = run.table.y[2] - run.table.y[1];
    return static_cast<double>(std::sqrt(dx * dx + dy * dy));
}

TEST(GravityStep, CircularOrbitClosesAfterOnePeriod)
{
    const double coarse = circular_orbit_miss(20000);
    const double fine = circular_orbit_miss(40000);
    const double h = 2 * PI / 20000;
    EXPECT_LT(coarse, 10 * h * h);
    EXPECT_NEAR(coarse / fine, 4.0, 0.2) << coarse << " " << fine;
}

TEST(GravityStep, ForwardThenBackwardReturnsNearTheStart)
{
    Stepper run;
    make_bodies(run.table, run.state, {{.mass = 1}, {.x = 1, .vy = 1, .mass = 1e-3L}, {.x = -2, .vy = -0.7L, .mass = 1e-3L}});
    const BodyTable start = run.table;
    run.state.dt = 1e-4L;
    run.state.grav_constant = 1;
    run.state.stop_time = 1e99L;
    run.start(1, 1);
    run.steps(5000);
    run.state.stop_time = -1e99L;
    run.start(1, 2);
    run.steps(5000);
    EXPECT_NEAR(static_cast<double>(run.state.sim_time), 0.0, 1e-15);
    for (int i = 1; i <= 3; ++i) {
        // Each leg errs by O(h) over t = 0.5: about h in position.
        EXPECT_NEAR(static_cast<double>(run.table.x[i]), static_cast<double>(start.x[i]), 1e-3) << i;
        EXPECT_NEAR(static_cast<double>(run.table.y[i]), static_cast<double>(start.y[i]), 1e-3) << i;
    }
}

TEST(GravityStep, StopTimeIsPassedByTheLastFullStep)
{
    for (const int direction : {1, 2}) {
        Stepper run;
        make_bodies(run.table, run.state, {{.mass = 1}});
        run.state.dt = 2;
        run.state.sim_time = 10;
        run.state.stop_time = direction == 1 ? 15 : 5;
        run.start(1, direction);
        int steps = 0;
        while (!run.step().stop) ++steps;
        EXPECT_EQ(steps + 1, 3);
        EXPECT_EQ(run.state.sim_time, direction == 1 ? 16 : 4);
    }
}

// A lone craft of the given mass that runs the given impulse entries, in order.
void make_craft(Stepper& run, extended mass, extended dt, std::initializer_list<ImpulseEntry> entries)
{
    make_bodies(run.table, run.state, {{.mass = mass}});
    run.state.dt = dt;
    run.state.stop_time = 1e99L;
    run.state.impulse_body = 1;
    run.state.impulse_count = static_cast<int>(entries.size());
    run.state.impulse_next = 1;
    int k = 0;
    for (const ImpulseEntry& entry : entries) run.state.impulse_table[++k] = entry;
    run.start();
}

// Thrust: one entry from t = 10 for 5 s ejecting 100 kg of a 1000 kg body, h = 1.
TEST(GravityStep, ThrustActsInTheStepsAfterItsStartTime)
{
    Stepper run;
    make_craft(run, 1000, 1,
               {{.start_time = 10, .duration = 5, .ejected_mass = 100, .exhaust_vx = -1000},
                {.start_time = 100, .duration = 1, .ejected_mass = 1}});
    std::vector<int> burning;
    for (int t = 0; t < 20; ++t) {
        const extended before = run.table.mass[1];
        run.step(500);
        if (run.table.mass[1] != before) {
            burning.push_back(t);
            EXPECT_EQ(before - run.table.mass[1], 20);
        }
        if (t == 14) {
            EXPECT_EQ(run.state.impulse_next, 1);
        }
        if (t == 15) {
            EXPECT_EQ(run.state.impulse_next, 2);
        }
    }
    EXPECT_EQ(burning, (std::vector<int>{11, 12, 13, 14, 15}));
    EXPECT_GT(run.table.vx[1], 0) << "pushed against the exhaust";
    // The exhaust line starts at the body and runs along the exhaust a tenth of the camera distance.
    EXPECT_DOUBLE_EQ(run.state.exhaust_plume.trail_x[0] - run.state.exhaust_plume.trail_x[1], 50.0);
}

TEST(GravityStep, ThrustFollowsTheRocketEquation)
{
    Stepper run;
    make_craft(run, 1000, 0.01L, {{.start_time = -0.005L, .duration = 100, .ejected_mass = 600, .exhaust_vz = -3000}});
    run.steps(10000);
    const double m0 = 1000, m1 = 400, dm = 600.0 / 10000;
    const double ideal = 3000 * std::log(m0 / m1);
    EXPECT_NEAR(static_cast<double>(run.table.mass[1]), m1, 1e-9);
    // Each step adds dm u / m with the mass after the step: a Riemann sum of u dm / m that differs
    // from the integral by at most u dm (1/m1 - 1/m0).
    EXPECT_NEAR(static_cast<double>(run.table.vz[1]), ideal, 3000 * dm * (1 / m1 - 1 / m0));
    EXPECT_EQ(run.table.vx[1], 0);
}

TEST(GravityStep, ThrustThatEmptiesTheBodyReportsTheMassError)
{
    Stepper run;
    make_craft(run, 10, 1, {{.start_time = -1, .duration = 4, .ejected_mass = 20, .exhaust_vx = 1}});
    EXPECT_FALSE(run.step().mass_error);
    const StepResult second = run.step();
    EXPECT_TRUE(second.mass_error);
    EXPECT_TRUE(second.stop);
    EXPECT_EQ(run.table.mass[1], 0);
}

TEST(GravityStep, ImpulseAndLogBodiesOutsideTheTableAreNobody)
{
    Stepper run;
    make_bodies(run.table, run.state, {{.mass = 1}, {.x = 1, .mass = 1}});
    run.state.dt = 1e-3L;
    run.state.grav_constant = 1;
    run.state.stop_time = 1e99L;
    run.state.impulse_body = 7;
    run.state.log_body = 9;
    run.state.impulse_count = 1;
    run.state.impulse_next = 1;
    run.state.impulse_table[1] = {.start_time = -1, .duration = 10, .ejected_mass = 1, .exhaust_vx = 1};
    run.start();
    run.steps(10);
    EXPECT_EQ(run.table.mass[1], 1);
    EXPECT_EQ(run.table.mass[2], 1);
    EXPECT_EQ(run.state.impulse_next, 1);
}

}  // namespace
}  // namespace orbilan
