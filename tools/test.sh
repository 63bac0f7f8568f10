#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole test suite: every test program under Xvfb, the engine and file code again under
# AddressSanitizer + UndefinedBehaviorSanitizer, the runner built with MPI on several processes,
# the run-control tests under ThreadSanitizer, and
# a short fuzzing of every reader (tools/fuzz.sh fuzzes for longer).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=$(nproc)

# Every source file as .clang-format lays it out. Other clang-format versions lay some lines out
# differently, so the check runs with the version the layout was made with (Debian 12's).
if clang-format --version | grep -q "version 14\."; then
    find app sim files view panels widgets platform runner tools tests bench docs -name "*.cpp" -o -name "*.h" |
        xargs clang-format --dry-run -Werror orbilan_version.h.in
else
    echo "layout check skipped: it needs clang-format 14, found: $(clang-format --version)"
fi

# Every source file names its licence.
unlicensed=$(find app sim files view panels widgets platform runner tools tests bench docs assets packaging \
    \( -name "*.cpp" -o -name "*.h" -o -name "*.py" -o -name "*.sh" -o -name CMakeLists.txt \) \
    -exec grep -L "SPDX-License-Identifier: GPL-3.0-or-later" {} +)
if [ -n "$unlicensed" ]; then
    echo "without an SPDX licence line:"
    echo "$unlicensed"
    exit 1
fi

# The test package is never published: without DEBFULLNAME and DEBEMAIL it names no real address.
maintainer="${DEBFULLNAME:-ORBILAN test build} <${DEBEMAIL:-test-build@orbilan.invalid}>"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DORBILAN_MAINTAINER="$maintainer"
cmake --build build-test -j"$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build-test --output-on-failure --no-tests=error
# The installed tree and the Debian package, unpacked in a temporary folder.
packaging/check_install.sh build-test

cmake -S . -B build-asan -G Ninja -DORBILAN_GUI=OFF -DORBILAN_BENCH=OFF -DORBILAN_SANITIZE=address,undefined
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan -L "core|run_control|runner" --output-on-failure --no-tests=error

# orbilan-run built with MPI, on 1, 2 and 3 processes against itself alone. Open MPI refuses to
# start as root unless told; CI runs as root.
cmake -S . -B build-mpi -G Ninja -DORBILAN_GUI=OFF -DORBILAN_BENCH=OFF -DORBILAN_MPI=ON
cmake --build build-mpi -j"$jobs" --target orbilan-run
OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 \
    ctest --test-dir build-mpi -L mpi --output-on-failure --no-tests=error

cmake -S . -B build-tsan -G Ninja -DORBILAN_GUI=OFF -DORBILAN_BENCH=OFF -DORBILAN_SANITIZE=thread
cmake --build build-tsan -j"$jobs" --target run_control_tests
# ThreadSanitizer needs the address layout that setarch -R gives on kernels with high ASLR entropy.
setarch "$(uname -m)" -R ctest --test-dir build-tsan -L run_control --output-on-failure --no-tests=error

# Each fuzz target replays its seeds, then fuzzes a few seconds (clang, ASan + UBSan).
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DORBILAN_GUI=OFF -DORBILAN_TESTS=OFF -DORBILAN_BENCH=OFF \
    -DORBILAN_FUZZ=ON -DORBILAN_FUZZ_SECONDS=4
cmake --build build-fuzz -j"$jobs" --target fuzz_targets
ctest --test-dir build-fuzz -L fuzz --output-on-failure --no-tests=error
