// SPDX-License-Identifier: GPL-3.0-or-later
// One kernel of the double-precision force sums. The build compiles this file once for each
// instruction set it supports (AVX-512, AVX2 and, for any processor, plain), naming the result
// LANE_KERNEL_NAME; lane_sums.cpp picks the widest one the processor runs.
#include <cstring>

#include "sim/lane_kernel.h"

namespace orbilan {

namespace {

// LANES doubles, held in as many registers of the instruction set as they need.
#if defined(__AVX512F__)
constexpr int WIDTH = 8;
#elif defined(__AVX__)
constexpr int WIDTH = 4;
#else
constexpr int WIDTH = 2;
#endif
constexpr int PARTS = LANES / WIDTH;
typedef double Register __attribute__((vector_size(WIDTH * sizeof(double))));
typedef long long MaskRegister __attribute__((vector_size(WIDTH * sizeof(long long))));

struct Pack {
    Register part[PARTS];
};

struct Mask {
    MaskRegister part[PARTS];
};

template <typename Op>
inline Pack each(Pack a, const Pack& b, Op op)
{
    for (int p = 0; p < PARTS; ++p) a.part[p] = op(a.part[p], b.part[p]);
    return a;
}

inline Pack operator+(const Pack& a, const Pack& b)
{
    return each(a, b, [](Register x, Register y) { return x + y; });
}
inline Pack operator-(const Pack& a, const Pack& b)
{
    return each(a, b, [](Register x, Register y) { return x - y; });
}
inline Pack operator*(const Pack& a, const Pack& b)
{
    return each(a, b, [](Register x, Register y) { return x * y; });
}
inline Pack operator/(const Pack& a, const Pack& b)
{
    return each(a, b, [](Register x, Register y) { return x / y; });
}
inline Pack& operator+=(Pack& a, const Pack& b) { return a = a + b; }

inline Pack load(const double* p)
{
    Pack v;
    for (int k = 0; k < PARTS; ++k) std::memcpy(&v.part[k], p + k * WIDTH, sizeof(Register));
    return v;
}

inline void store(double* p, const Pack& v)
{
    for (int k = 0; k < PARTS; ++k) std::memcpy(p + k * WIDTH, &v.part[k], sizeof(Register));
}

inline Pack broadcast(double d)
{
    Pack v;
    for (int p = 0; p < PARTS; ++p) v.part[p] = Register{} + d;
    return v;
}

inline Pack lane_sqrt(Pack v)
{
    for (int p = 0; p < PARTS; ++p)
        for (int k = 0; k < WIDTH; ++k) v.part[p][k] = __builtin_sqrt(v.part[p][k]);
    return v;
}

// Lane k of the pack starting at body j is body j + k; true where that body is after i and exists.
inline Mask after_and_within(int j, int i, int n)
{
    Mask m;
    for (int p = 0; p < PARTS; ++p) {
        MaskRegister body;
        for (int k = 0; k < WIDTH; ++k) body[k] = p * WIDTH + k;
        body += j;
        m.part[p] = (body > i) & (body < n);
    }
    return m;
}

inline Pack keep(const Mask& m, const Pack& v)
{
    Pack r;
    for (int p = 0; p < PARTS; ++p) r.part[p] = m.part[p] ? v.part[p] : Register{};
    return r;
}

// The first lane where m is set and a <= b, or -1.
inline int first_at_most(const Mask& m, const Pack& a, const Pack& b)
{
    for (int p = 0; p < PARTS; ++p)
        for (int k = 0; k < WIDTH; ++k)
            if (m.part[p][k] && a.part[p][k] <= b.part[p][k]) return p * WIDTH + k;
    return -1;
}

// The terms G m_j (x_j - x_i) / r^3 for body i, lane by lane over the bodies j after it, and
// G m_i (x_i - x_j) / r^3 for each body j, one i after the other; 1/r^3 rounded once per pair, as
// in extended precision.
TouchingPair tile(LaneSums& sums, int i0, int i1, int j0, int j1, bool check_touch)
{
    const bool diagonal = i0 == j0;
    const int n = sums.n;
    const double* x = sums.x.data();
    const double* y = sums.y.data();
    const double* z = sums.z.data();
    const double* gm = sums.gm.data();
    const double* radius = sums.radius.data();
    double* before_x = sums.before_x.data();
    double* before_y = sums.before_y.data();
    double* before_z = sums.before_z.data();
    const Pack one = broadcast(1);
    TouchingPair touch;
    for (int i = i0; i < i1; ++i) {
        const Pack xi = broadcast(x[i]), yi = broadcast(y[i]), zi = broadcast(z[i]);
        const Pack gmi = broadcast(gm[i]);
        const Pack ri = broadcast(radius[i]);
        double* after_x = sums.after_x.data() + static_cast<std::size_t>(i) * LANES;
        double* after_y = sums.after_y.data() + static_cast<std::size_t>(i) * LANES;
        double* after_z = sums.after_z.data() + static_cast<std::size_t>(i) * LANES;
        // A row of tiles starts on the diagonal, where the sums after body i start.
        Pack ax = diagonal ? Pack{} : load(after_x);
        Pack ay = diagonal ? Pack{} : load(after_y);
        Pack az = diagonal ? Pack{} : load(after_z);
        // On the diagonal, the pairs of body i begin in the pack that holds body i + 1.
        const int first = diagonal ? (i + 1) / LANES * LANES : j0;
        const int end = diagonal && i + 1 >= j1 ? first : j1;
        for (int j = first; j < end; j += LANES) {
            const Pack dx = load(x + j) - xi;
            const Pack dy = load(y + j) - yi;
            const Pack dz = load(z + j) - zi;
            const Pack r2 = dx * dx + dy * dy + dz * dz;
            const Pack r = lane_sqrt(r2);
            Pack inverse_cube = one / (r2 * r);
            // Lanes of bodies up to i or past the last body add nothing.
            const bool partial = j <= i || j + LANES > n;
            if (partial || check_touch) {
                const Mask valid = after_and_within(j, i, n);
                inverse_cube = keep(valid, inverse_cube);
                if (check_touch && !touch) {
                    const int k = first_at_most(valid, r, load(radius + j) + ri);
                    if (k >= 0) touch = {i + 1, j + k + 1};
                }
            }
            const Pack g = load(gm + j) * inverse_cube;
            ax += g * dx;
            ay += g * dy;
            az += g * dz;
            const Pack h = gmi * inverse_cube;
            store(before_x + j, load(before_x + j) - h * dx);
            store(before_y + j, load(before_y + j) - h * dy);
            store(before_z + j, load(before_z + j) - h * dz);
        }
        store(after_x, ax);
        store(after_y, ay);
        store(after_z, az);
    }
    return touch;
}

}  // namespace

extern const LaneKernel LANE_KERNEL_NAME;
const LaneKernel LANE_KERNEL_NAME = {LANE_KERNEL_LABEL, tile};

}  // namespace orbilan
