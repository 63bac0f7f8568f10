// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "peer_stepper.h"

namespace orbilan::bench {

// The adaptive 15th-order Gauss-Radau scheme in the double-precision shape that general N-body
// libraries publish (Everhart 1985; Rein and Spiegel 2015, step-size criterion of Pham, Rein and
// Spiegel 2024): particle structs, every pair once, flat double arrays of 3N per polynomial
// coefficient, compensated sums, a convergence test on the last coefficient against 1e-16, at
// most 12 iterations. The yardstick that radau_bench measures ORBILAN's method against.
class PeerRadau {
public:
    PeerRadau(std::vector<Particle> particles, double G, double dt, double epsilon)
        : p_(std::move(particles)), G_(G), dt_(dt), epsilon_(epsilon)
    {
        const std::size_t n3 = 3 * p_.size();
        for (auto* v : {&x0_, &v0_, &a0_, &at_, &csx_, &csv_}) v->assign(n3, 0);
        for (int k = 0; k < 7; ++k)
            for (auto* v : {&b_[k], &g_[k], &e_[k], &br_[k], &er_[k]}) v->assign(n3, 0);
        // c[n][j]: tau^j in tau (tau - h1) ... (tau - h(n-1)).
        double product[9] = {0, 1};
        for (int n = 1; n < 8; ++n) {
            if (n > 1) {
                for (int j = n; j >= 1; --j) product[j] = product[j - 1] - H[n - 1] * product[j];
                product[0] = 0;
            }
            for (int j = 1; j <= n; ++j) c_[n][j] = product[j];
        }
    }

    double time() const { return t_; }
    long long steps() const { return steps_; }
    long long evaluations() const { return evaluations_; }
    const std::vector<Particle>& particles() const { return p_; }

    // Integrates to exactly t_end, the last step shortened.
    void integrate(double t_end)
    {
        while (t_ < t_end) {
            if (t_ + dt_ > t_end) dt_ = t_end - t_;
            step();
        }
    }

private:
    static constexpr double H[8] = {0.0,
                                    0.0562625605369221464656521910318,
                                    0.180240691736892364987579942780,
                                    0.352624717113169637373907769648,
                                    0.547153626330555383001448554766,
                                    0.734210177215410531523210605558,
                                    0.885320946839095768090359771030,
                                    0.977520613561287501891174488626};

    void forces()
    {
        ++evaluations_;
        const std::size_t n = p_.size();
        for (Particle& q : p_) q.ax = q.ay = q.az = 0;
        for (std::size_t i = 0; i < n; ++i) {
            Particle& pi = p_[i];
            for (std::size_t j = i + 1; j < n; ++j) {
                Particle& pj = p_[j];
                const double dx = pi.x - pj.x, dy = pi.y - pj.y, dz = pi.z - pj.z;
                const double r2 = dx * dx + dy * dy + dz * dz;
                const double prefact = G_ / (r2 * std::sqrt(r2));
                pi.ax -= prefact * pj.m * dx;
                pi.ay -= prefact * pj.m * dy;
                pi.az -= prefact * pj.m * dz;
                pj.ax += prefact * pi.m * dx;
                pj.ay += prefact * pi.m * dy;
                pj.az += prefact * pi.m * dz;
            }
        }
    }

    void step()
    {
        const std::size_t n = p_.size(), n3 = 3 * n;
        forces();
        for (std::size_t i = 0; i < n; ++i) {
            const Particle& q = p_[i];
            x0_[3 * i] = q.x, x0_[3 * i + 1] = q.y, x0_[3 * i + 2] = q.z;
            v0_[3 * i] = q.vx, v0_[3 * i + 1] = q.vy, v0_[3 * i + 2] = q.vz;
            a0_[3 * i] = q.ax, a0_[3 * i + 1] = q.ay, a0_[3 * i + 2] = q.az;
        }
        for (;;) {
            for (std::size_t k = 0; k < n3; ++k)
                for (int m = 7; m >= 1; --m) {
                    double value = b_[m - 1][k];
                    for (int l = m + 1; l <= 7; ++l) value -= c_[l][m] * g_[l - 1][k];
                    g_[m - 1][k] = value;
                }
            double error = 1e300, last_error = 2;
            for (int iteration = 0; iteration < 12 && error > 1e-16; ++iteration) {
                if (iteration > 2 && error >= last_error) break;
                last_error = error;
                double max_change = 0, max_at = 0;
                for (int s = 1; s < 8; ++s) {
                    const double tau = H[s], th = tau * dt_;
                    for (std::size_t i = 0; i < n; ++i) {
                        double* xyz[3] = {&p_[i].x, &p_[i].y, &p_[i].z};
                        for (int a = 0; a < 3; ++a) {
                            const std::size_t k = 3 * i + a;
                            const double sum =
                                ((((((b_[6][k] * 7 * tau / 9 + b_[5][k]) * 3 * tau / 4 + b_[4][k]) * 5 * tau / 7 +
                                    b_[3][k]) *
                                       2 * tau / 3 +
                                   b_[2][k]) *
                                      3 * tau / 5 +
                                  b_[1][k]) *
                                     tau / 2 +
                                 b_[0][k]) *
                                    tau / 3 +
                                a0_[k];
                            *xyz[a] = -csx_[k] + ((sum * th / 2 + v0_[k]) * th + x0_[k]);
                        }
                    }
                    forces();
                    for (std::size_t i = 0; i < n; ++i) {
                        at_[3 * i] = p_[i].ax, at_[3 * i + 1] = p_[i].ay, at_[3 * i + 2] = p_[i].az;
                    }
                    for (std::size_t k = 0; k < n3; ++k) {
                        double value = (at_[k] - a0_[k]) / (H[s] - H[0]);
                        for (int m = 1; m < s; ++m) value = (value - g_[m - 1][k]) / (H[s] - H[m]);
                        const double change = value - g_[s - 1][k];
                        g_[s - 1][k] = value;
                        for (int j = 1; j <= s; ++j) b_[j - 1][k] += c_[s][j] * change;
                        if (s == 7) {
                            max_change = std::max(max_change, std::fabs(change));
                            max_at = std::max(max_at, std::fabs(at_[k]));
                        }
                    }
                }
                error = max_at > 0 ? max_change / max_at : max_change;
            }
            // The criterion: per particle, tau^2 = 2 |a|^2 / (|jerk|^2 + |a| |snap|) at the step's end.
            double smallest = 1e300;
            for (std::size_t i = 0; i < n; ++i) {
                double y2 = 0, y3 = 0, y4 = 0;
                for (int a = 0; a < 3; ++a) {
                    const std::size_t k = 3 * i + a;
                    double acc = a0_[k], jerk = 0, snap = 0;
                    for (int j = 0; j < 7; ++j) {
                        acc += b_[j][k];
                        jerk += (j + 1) * b_[j][k];
                        snap += (j + 1) * j * b_[j][k];
                    }
                    y2 += acc * acc;
                    y3 += jerk * jerk / (dt_ * dt_);
                    y4 += snap * snap / (dt_ * dt_ * dt_ * dt_);
                }
                const double d = y3 + std::sqrt(y4 * y2);
                if (d > 0 && y2 > 0) smallest = std::min(smallest, 2 * y2 / d);
            }
            const double dt_done = dt_;
            double dt_new = smallest < 1e300 ? std::pow(5040 * epsilon_, 1.0 / 7) * std::sqrt(smallest) : dt_done * 4;
            if (dt_new < 0.25 * dt_done) {
                dt_ = dt_new;
                if (dt_last_success_ != 0)
                    predict(dt_ / dt_last_success_, br_, er_);
                else
                    for (int k = 0; k < 7; ++k)
                        std::fill(b_[k].begin(), b_[k].end(), 0.0), std::fill(e_[k].begin(), e_[k].end(), 0.0);
                continue;
            }
            dt_new = std::min(dt_new, dt_done / 0.25);
            for (std::size_t i = 0; i < n; ++i) {
                double* xyz[3] = {&p_[i].x, &p_[i].y, &p_[i].z};
                double* vel[3] = {&p_[i].vx, &p_[i].vy, &p_[i].vz};
                for (int a = 0; a < 3; ++a) {
                    const std::size_t k = 3 * i + a;
                    const double dx =
                        dt_done * (v0_[k] + dt_done * (a0_[k] / 2 + b_[0][k] / 6 + b_[1][k] / 12 + b_[2][k] / 20 +
                                                       b_[3][k] / 30 + b_[4][k] / 42 + b_[5][k] / 56 + b_[6][k] / 72));
                    const double dv = dt_done * (a0_[k] + b_[0][k] / 2 + b_[1][k] / 3 + b_[2][k] / 4 + b_[3][k] / 5 +
                                                 b_[4][k] / 6 + b_[5][k] / 7 + b_[6][k] / 8);
                    add(x0_[k], csx_[k], dx);
                    add(v0_[k], csv_[k], dv);
                    *xyz[a] = x0_[k];
                    *vel[a] = v0_[k];
                }
            }
            t_ += dt_done;
            ++steps_;
            dt_last_success_ = dt_done;
            for (int k = 0; k < 7; ++k) br_[k] = b_[k], er_[k] = e_[k];
            predict(dt_new / dt_done, br_, er_);
            dt_ = dt_new;
            return;
        }
    }

    static void add(double& x, double& carry, double dx)
    {
        const double y = dx - carry;
        const double sum = x + y;
        carry = (sum - x) - y;
        x = sum;
    }

    // Everhart's prediction: the polynomial shifted to the next step and stretched by q, plus the
    // last correction.
    void predict(double q, const std::vector<double> (&b)[7], const std::vector<double> (&e_old)[7])
    {
        static constexpr double binomial[8][8] = {{1},
                                                  {1, 1},
                                                  {1, 2, 1},
                                                  {1, 3, 3, 1},
                                                  {1, 4, 6, 4, 1},
                                                  {1, 5, 10, 10, 5, 1},
                                                  {1, 6, 15, 20, 15, 6, 1},
                                                  {1, 7, 21, 35, 35, 21, 7, 1}};
        const std::size_t n3 = 3 * p_.size();
        const bool reset = q > 20;
        for (std::size_t k = 0; k < n3; ++k) {
            double qj = 1;
            for (int j = 1; j <= 7; ++j) {
                qj *= q;
                double sum = 0;
                for (int m = 6; m >= j - 1; --m) sum += binomial[m + 1][j] * b[m][k];
                const double e_new = reset ? 0 : qj * sum;
                b_[j - 1][k] = reset ? 0 : e_new + (b[j - 1][k] - e_old[j - 1][k]);
                e_[j - 1][k] = e_new;
            }
        }
    }

    std::vector<Particle> p_;
    double G_, dt_, epsilon_;
    double t_ = 0, dt_last_success_ = 0;
    long long steps_ = 0, evaluations_ = 0;
    double c_[8][8] = {};
    std::vector<double> x0_, v0_, a0_, at_, csx_, csv_;
    std::vector<double> b_[7], g_[7], e_[7], br_[7], er_[7];
};

}  // namespace orbilan::bench
