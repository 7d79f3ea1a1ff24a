#!/bin/sh
# Builds everything with warnings as errors and runs every test headless, builds
# the Debian package and checks it unpacked, then builds and tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then gives each fuzz target
# a short run.
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# puppeteer-core for the web view's browser test, as the lock file says.
npm ci --prefix tests/web/browser --no-audit --no-fund

JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
export QT_QPA_PLATFORM=offscreen

run_suite() {
    dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DKESTAL_WERROR=ON "$@"
    cmake --build "$dir" -j "$JOBS"
    ctest --test-dir "$dir" --output-on-failure -j "$JOBS"
}

echo "== build and test"
run_suite build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== Debian package"
scripts/check-package.sh build-test

echo "== build and test with sanitizers"
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTAL_SANITIZE=ON

if [ "$FUZZ_SECONDS" -gt 0 ] && [ -n "$(ls fuzz/*/CMakeLists.txt 2>/dev/null)" ]; then
    echo "== fuzz targets, ${FUZZ_SECONDS}s each"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKESTAL_FUZZ=ON -DKESTAL_FUZZ_ONLY=ON
    cmake --build build-fuzz -j "$JOBS"
    for target in build-fuzz/fuzz/*/fuzz_*; do
        [ -f "$target" ] && [ -x "$target" ] || continue
        name=$(basename "$(dirname "$target")")
        # The checked-in seeds stay untouched: libFuzzer grows a scratch copy.
        corpus="build-fuzz/corpus-$name"
        rm -rf "$corpus" && mkdir -p "$corpus"
        [ -d "fuzz/$name/corpus" ] && cp -r "fuzz/$name/corpus/." "$corpus/"
        echo "-- $target"
        if ! "$target" "$corpus" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 \
            >"build-fuzz/$name.log" 2>&1; then
            tail -40 "build-fuzz/$name.log"
            echo "fuzz target $name failed"
            exit 1
        fi
        tail -3 "build-fuzz/$name.log"
    done
fi
echo "== all tests passed"
