#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once on the normal build, once on a
# build with AddressSanitizer and UndefinedBehaviorSanitizer; the crop runs' tests also under the
# thread sanitizer. install-deps.sh also installs Ghostscript's fonts, so the suite always runs
# where convert would quietly draw a missing font in a default one: the effect and label tests
# must pass there too (without those fonts, convert fails outright, which they cover as well).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh
jobs="$(nproc)"

scripts/build.sh build
(cd build && ctest --output-on-failure -j "$jobs")

# The batch workers under the thread sanitizer: only the crop runs' tests, which drive them.
cmake -S . -B build-tsan -G Ninja -DPLIEGO_SANITIZE_THREAD=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-tsan -j "$jobs" --target test_crop_run test_interactive_crop
(cd build-tsan && ctest --output-on-failure -j "$jobs" -R '^(crop_run|interactive_crop)$')

# Qt's own start-up allocations are reported as leaks; memory errors still fail the run.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
scripts/build.sh build-asan -DPLIEGO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ctest --output-on-failure -j "$jobs" -LE no-sanitizer)
