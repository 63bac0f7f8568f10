// SPDX-License-Identifier: GPL-3.0-or-later
#include <GL/gl.h>

#include <QApplication>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "platform/recording_platform.h"
#include "view/camera.h"
#include "view/gl_view.h"
#include "view/projection.h"
#include "view/scene_list.h"
#include "view/skins.h"
#include "view/trails.h"

namespace orbilan {
namespace {

// One shown view whose context every benchmark borrows.
struct Stage {
    ViewState view;
    SceneBodies scene;
    RecordingPlatform platform;
    std::unique_ptr<GlView> gl;
    SceneLines lines;
    unsigned skin = 0;
};

Stage* stage = nullptr;

// n bodies on a flat disc with full trails, every switch shown.
BodySnapshot disc_of(int n)
{
    BodySnapshot s;
    s.body_count = n;
    for (auto* column : {&s.x, &s.y, &s.z}) column->assign(n + 1, 0);
    s.radius.assign(n + 1, 2e9);
    for (int i = 1; i <= n; ++i) {
        const double a = 2.399963 * i;  // golden angle: an even spread
        const double r = 1e11 * std::sqrt(static_cast<double>(i) / n);
        s.x[i] = r * std::cos(a);
        s.y[i] = r * std::sin(a);
        s.z[i] = 1e9 * std::sin(3.0 * i);
    }
    return s;
}

// n rocks in a ball of radius 2, as the program's benchmark runs them (bench/app).
BodySnapshot ball_of(int n)
{
    BodySnapshot s;
    s.body_count = n;
    for (auto* column : {&s.x, &s.y, &s.z}) column->assign(n + 1, 0);
    s.radius.assign(n + 1, std::cbrt(3 * (60.0 / n) / (4 * 3.14159265358979 * 2000)));
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 1; i <= n; ++i) {
        double x, y, z;
        do {
            x = unit(random), y = unit(random), z = unit(random);
        } while (x * x + y * y + z * z > 1);
        s.x[i] = 2 * x, s.y[i] = 2 * y, s.z[i] = 2 * z;
    }
    return s;
}

void prepare(int n, bool inside_a_ball = false)
{
    Stage& st = *stage;
    st.view = ViewState{};
    st.scene = SceneBodies{};
    BodySnapshot s = inside_a_ball ? ball_of(n) : disc_of(n);
    const double drift = inside_a_ball ? 1e-3 : 1e8;
    st.scene.bodies = s;
    reset_trails(st.scene, st.view);
    for (int tick = 0; tick < st.view.trail_length + 2; ++tick) {
        for (int i = 1; i <= n; ++i) s.x[i] += drift;
        st.scene.bodies = s;
        capture_positions(st.scene);
        advance_trails(st.scene, st.view);
    }
    st.scene.texture_id.assign(n + 1, st.skin);
    fit_view_to_scene(st.view, st.scene);
    if (inside_a_ball) {
        // As the program starts a run: following body 1 from twice the ball's reach.
        st.view.camera_target = {st.scene.bodies.x[1], st.scene.bodies.y[1], st.scene.bodies.z[1]};
    } else {
        st.view.camera_pitch = -30;
    }
    st.gl->makeCurrent();
    apply_render_state(st.view, st.scene, st.gl->width(), st.gl->height());
    // The renderer compiles its pipelines on the first frame of a kind; keep that out.
    compute_eye(st.view, st.view.camera_target);
    build_scene_list(st.view, st.scene);
    draw_frame(st.view, st.scene, st.lines);
    glFinish();
}

void BM_RebuildAndFrame(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    prepare(n);
    Stage& st = *stage;
    for (auto _ : state) {
        compute_eye(st.view, st.view.camera_target);
        build_scene_list(st.view, st.scene);
        draw_frame(st.view, st.scene, st.lines);
        glFinish();
    }
    state.counters["bodies"] = n;
}
BENCHMARK(BM_RebuildAndFrame)->Arg(10)->Arg(100)->Arg(1000)->MinTime(2.0)->Unit(benchmark::kMillisecond);

void BM_RebuildOnly(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    prepare(n);
    Stage& st = *stage;
    for (auto _ : state) {
        build_scene_list(st.view, st.scene);
        glFinish();
    }
}
BENCHMARK(BM_RebuildOnly)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_FrameOnly(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    prepare(n);
    Stage& st = *stage;
    st.view.hide_spheres = state.range(1) == 1 ? -1 : 0;
    st.view.hide_trails = state.range(1) == 2 ? -1 : 0;
    compute_eye(st.view, st.view.camera_target);
    build_scene_list(st.view, st.scene);
    for (auto _ : state) {
        draw_frame(st.view, st.scene, st.lines);
        glFinish();
    }
}
// Second argument: 0 everything shown, 1 spheres hidden, 2 trails hidden.
BENCHMARK(BM_FrameOnly)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({1000, 2})
    ->Args({5000, 0})
    ->Unit(benchmark::kMillisecond);

// The frame the program draws while it runs a large cluster, seen from inside it. Second
// argument as for BM_FrameOnly.
void BM_InsideACluster(benchmark::State& state)
{
    prepare(static_cast<int>(state.range(0)), true);
    Stage& st = *stage;
    st.view.hide_spheres = state.range(1) == 1 ? -1 : 0;
    st.view.hide_trails = state.range(1) == 2 ? -1 : 0;
    compute_eye(st.view, st.view.camera_target);
    build_scene_list(st.view, st.scene);
    for (auto _ : state) {
        draw_frame(st.view, st.scene, st.lines);
        glFinish();
    }
}
BENCHMARK(BM_InsideACluster)->Args({5000, 0})->Args({5000, 1})->Args({5000, 2})->Unit(benchmark::kMillisecond);

void BM_CaptureAndAdvance(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    SceneBodies scene;
    ViewState view;
    const BodySnapshot s = disc_of(n);
    scene.bodies = s;
    reset_trails(scene, view);
    for (auto _ : state) {
        scene.bodies = s;
        capture_positions(scene);
        advance_trails(scene, view);
        benchmark::DoNotOptimize(scene.trail[n].trail_x[1]);
    }
}
BENCHMARK(BM_CaptureAndAdvance)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orbilan

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    int qt_argc = 1;
    QApplication application(qt_argc, argv);
    orbilan::Stage stage;
    orbilan::stage = &stage;
    stage.gl = std::make_unique<orbilan::GlView>(stage.view, stage.scene, stage.platform);
    stage.gl->resize(640, 480);
    stage.gl->show();
    if (!QTest::qWaitForWindowExposed(stage.gl.get()) || !stage.gl->isValid()) return 1;
    stage.gl->makeCurrent();
    stage.skin = orbilan::load_bmp_texture(ORBILAN_DEFAULT_SKIN, stage.platform);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
