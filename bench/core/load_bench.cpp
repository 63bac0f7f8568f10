// SPDX-License-Identifier: GPL-3.0-or-later
// Project loading with skins that the folder does not hold as named: every body's skin is
// missing, or spelled in another letter case, in a folder of many files. Arguments: bodies,
// files in the project's folder. The current folder is the project's, as when a user runs
// orbilan-run from there.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "files/project_loader.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;

enum class Skins { none, missing, other_case };

class ProjectFolder {
public:
    ProjectFolder(int bodies, int files, Skins skins)
    {
        std::string pattern = (fs::temp_directory_path() / "orbilan-load-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw fs::filesystem_error("mkdtemp", std::error_code(errno, std::generic_category()));
        folder_ = pattern;
        for (int k = 0; k < files; ++k) std::ofstream(folder_ / ("skin" + std::to_string(k) + ".bmp")) << "BM";
        std::ofstream project(folder_ / "many.txt", std::ios::binary);
        project << "Many, bodies\r\nObjects, " << bodies << "\r\ndt, 1\r\nG, 1\r\n";
        for (int i = 1; i <= bodies; ++i) {
            std::string skin;
            if (skins == Skins::missing) skin = "gone" + std::to_string(i) + ".bmp";
            if (skins == Skins::other_case) skin = "SKIN" + std::to_string(i % files) + ".BMP";
            project << "Object, " << i << ", b" << i << ", " << skin << "\r\nPosition, " << i
                    << ", 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\n";
        }
        previous_ = fs::current_path();
        fs::current_path(folder_);
    }
    ~ProjectFolder()
    {
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    fs::path project() const { return folder_ / "many.txt"; }
    const fs::path& path() const { return folder_; }

private:
    fs::path folder_, previous_;
};

void load(benchmark::State& bench, Skins skins)
{
    const ProjectFolder folder(static_cast<int>(bench.range(0)), static_cast<int>(bench.range(1)), skins);
    for (auto _ : bench) {
        BodyTable table;
        SimulationState state;
        if (read_project_fields(folder.project(), folder.path(), table, state, {}).result != LoadResult::loaded)
            bench.SkipWithError("the project did not load");
        benchmark::DoNotOptimize(table.texture_file.data());
    }
}

void BM_LoadWithoutSkins(benchmark::State& bench) { load(bench, Skins::none); }
void BM_LoadMissingSkins(benchmark::State& bench) { load(bench, Skins::missing); }
void BM_LoadSkinsInOtherCase(benchmark::State& bench) { load(bench, Skins::other_case); }

BENCHMARK(BM_LoadWithoutSkins)->Args({20000, 1000})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadMissingSkins)
    ->Args({1000, 5000})
    ->Args({20000, 1000})
    ->Args({20000, 5000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_LoadSkinsInOtherCase)->Args({1000, 5000})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orbilan

BENCHMARK_MAIN();
