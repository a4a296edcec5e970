#!/usr/bin/env bash
# Installs what is missing, checks the formatting and the layers, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer (warnings are errors), runs every test; then the tests of the Qt-free
# libraries and of the engine's threaded parts under ThreadSanitizer and, with clang, every fuzz
# target for 30 s.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/scripts/setup.sh"
quarn_install_packages "${quarn_test_packages[@]}" || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

status=0
summary=()
total_passed=0
total_failed=0

run_ctest() { # name build-dir [ctest arguments]
    local name=$1 dir=$2
    shift 2
    local log="$dir/ctest.log"
    (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$log")
    local rc=${PIPESTATUS[0]}
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -n 1)
    summary+=("$name: ${line:-no result}")
    if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
        total_failed=$((total_failed + BASH_REMATCH[1]))
        total_passed=$((total_passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    fi
    return "$rc"
}

unformatted=$(cd "$here" && git ls-files -z -- '*.cpp' '*.h' |
    xargs -0 -P "$jobs" -n 16 clang-format --style=file --dry-run 2>&1 |
    sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "$unformatted" ]; then
    echo "Not formatted with .clang-format (run clang-format -i on them):"
    echo "$unformatted" | sed 's/^/  /'
    summary+=("format: $(echo "$unformatted" | wc -l) files not formatted")
    status=1
else
    summary+=("format: every source file formatted")
fi
if "$here/scripts/check-layers.sh"; then
    summary+=("layers: every layer includes only what it may")
else
    summary+=("layers: FAILED")
    status=1
fi

asan="$here/build-asan"
cmake -S "$here" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUARN_SANITIZE=address -DQUARN_WERROR=ON || exit 1
cmake --build "$asan" --parallel "$jobs" || exit 1
run_ctest "asan+ubsan" "$asan" || status=1

# The tests of the Qt-free libraries and of the engine's threaded parts under ThreadSanitizer.
tsan="$here/build-tsan"
cmake -S "$here" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUARN_SANITIZE=thread -DQUARN_WERROR=ON || exit 1
cmake --build "$tsan" --parallel "$jobs" --target quarn_threaded_tests || exit 1
run_ctest "tsan" "$tsan" -L threads || status=1

if command -v clang++ >/dev/null 2>&1 && ls "$here"/fuzz/*.cpp >/dev/null 2>&1; then
    fuzzb="$here/build-fuzz"
    if CXX=clang++ cmake -S "$here" -B "$fuzzb" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUARN_WITH_QT=OFF \
            -DQUARN_BUILD_TESTS=OFF -DQUARN_BUILD_FUZZ=ON \
            -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null &&
        cmake --build "$fuzzb" --parallel "$jobs"; then
        # Every target at once, each for 30 s; a machine with fewer cores just shares them.
        pids=()
        names=()
        for f in "$fuzzb"/fuzz/fuzz_*; do
            [ -x "$f" ] || continue
            name=$(basename "$f"); name=${name#fuzz_}
            corpus="$fuzzb/corpus-$name"
            mkdir -p "$corpus"
            [ -d "$here/fuzz/corpus/$name" ] && cp -r "$here/fuzz/corpus/$name/." "$corpus/"
            "$f" -max_total_time=30 -print_final_stats=0 "$corpus" >"$fuzzb/$name.log" 2>&1 &
            pids+=($!)
            names+=("$name")
        done
        for i in "${!pids[@]}"; do
            if wait "${pids[$i]}"; then
                summary+=("fuzz ${names[$i]}: no crash in 30 s")
            else
                tail -n 40 "$fuzzb/${names[$i]}.log"
                summary+=("fuzz ${names[$i]}: FAILED")
                status=1
            fi
        done
    else
        summary+=("fuzz: build failed")
        status=1
    fi
else
    summary+=("fuzz: skipped (no clang)")
fi

echo
echo "Summary"
for s in "${summary[@]}"; do echo "  $s"; done
echo "tests: $total_passed passed, $total_failed failed"
exit $status
