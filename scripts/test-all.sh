#!/usr/bin/env bash
# Builds everything and runs all tests: the native suite, the string, conversion,
# input and printf tests of it under Valgrind's memcheck, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the concurrency tests and a
# few cheap suites under ThreadSanitizer, once more against the static library,
# the Windows suite under Wine for each C runtime (UCRT, the default, and
# msvcrt.dll), and the aarch64 suite under qemu-user; then short fuzzing runs
# of the parsers, and the consumer checks (the installed library, its packages
# and a program built against each). Fails when any of them fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QORU_JOBS:-2}
"$root/scripts/setup.sh" test || exit 1

failed=()
counts=()
# A suite builds every target and runs every test, unless suite_targets names
# the targets to build and suite_tests (a CTest regular expression) the tests.
suite_targets=()
suite_tests=
# Extra CTest arguments for one suite (the Windows suites let a failed test run
# once more: under Wine a child process now and then ends at once with -1 on a
# loaded machine, which a second run of the same test does not repeat; a child
# that did not start at all is reported with its CreateProcessW error).
suite_ctest=()
run_suite() {
  local name=$1 dir=$2
  shift 2
  local build=() select=()
  [ ${#suite_targets[@]} -ne 0 ] && build=(--target "${suite_targets[@]}")
  [ -n "$suite_tests" ] && select=(-R "$suite_tests")
  echo "==== $name: configure and build"
  # Every option the suite relies on is set here, whatever an earlier
  # configuration of the same directory left in its cache.
  if ! cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQORU_BUILD_TESTS=ON -DQORU_BUILD_EXAMPLES=ON \
      -DQORU_BUILD_BENCH=OFF -DQORU_FUZZ=OFF -DBUILD_SHARED_LIBS=ON "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"; failed+=("$name (configure)"); return
  fi
  if ! cmake --build "$dir" -j"$jobs" "${build[@]}" >"$dir.build.log" 2>&1; then
    grep -E 'error|Error' "$dir.build.log" | head -40; failed+=("$name (build)"); return
  fi
  echo "==== $name: test"
  # A suite that runs no test has failed.
  local log="$dir.test.log"
  (cd "$dir" && ctest -j"$jobs" --output-on-failure --no-tests=error "${select[@]}" "${suite_ctest[@]}") 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local ran
  ran=$(grep -Eo 'tests failed out of [0-9]+' "$log" | grep -Eo '[0-9]+$' | tail -1)
  counts+=("$name ${ran:-0}")
  if [ "$status" -ne 0 ] || [ "${ran:-0}" -eq 0 ]; then
    failed+=("$name")
  fi
}

# The native build's string, conversion, input and printf tests under memcheck
# (about a minute): the library takes its plain kernels there, which read nothing
# past a string's end, so any report fails; and a caller's unterminated string
# (a child mode of test_string) must still be reported.
run_memcheck() {
  local bin="$root/build/native/bin" log="$root/build/memcheck.log" t
  echo "==== memcheck: test"
  for t in test_string test_convert test_input test_printf; do
    if ! valgrind -q --error-exitcode=99 "$bin/$t" >"$log" 2>&1; then
      tail -60 "$log"; echo "memcheck: $t failed or was reported"; return 1
    fi
  done
  valgrind -q --error-exitcode=99 "$bin/test_string" --child strlen-unterminated >"$log" 2>&1
  [ $? -eq 99 ] || { echo "memcheck: no report of a read past an unterminated string"; return 1; }
  counts+=("memcheck 5")
}

mkdir -p "$root/build"
run_suite native "$root/build/native"
run_memcheck || failed+=("memcheck")
# The reference: Doxygen over the public headers; an undocumented export or
# any other warning fails it, and so does an export without its man page (one
# declared where Doxygen looks for no documentation).
echo "==== docs: the reference documentation"
if ! cmake --build "$root/build/native" --target docs >"$root/build/docs.log" 2>&1; then
  cat "$root/build/docs.log"; failed+=("docs")
else
  undocumented=()
  for name in $(grep -E '^[A-Za-z_]' "$root/tests/exports.txt"); do
    [ -f "$root/build/native/docs/man/man3/$name.3" ] || undocumented+=("$name")
  done
  if [ ${#undocumented[@]} -ne 0 ]; then
    echo "no reference page for: ${undocumented[*]}"; failed+=("docs")
  fi
fi
run_suite sanitize "$root/build/sanitize" -DQORU_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The race detector: the concurrency tests and the suites that run in seconds
# under it; its one suppression is tests/tsan.supp (CTest sets TSAN_OPTIONS).
suite_targets=(test_threads test_bad_input test_trace test_put test_input test_string test_convert test_ctype test_memory)
suite_tests='^test_(threads|bad_input|trace|put|input|string|convert|ctype|memory)$'
run_suite tsan "$root/build/tsan" -DQORU_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo
suite_targets=()
suite_tests=
run_suite static "$root/build/static" -DBUILD_SHARED_LIBS=OFF
suite_ctest=(--repeat until-pass:2)
run_suite windows "$root/build/windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQORU_WINDOWS_CRT=ucrt
run_suite windows-msvcrt "$root/build/windows-msvcrt" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQORU_WINDOWS_CRT=msvcrt
suite_ctest=()
# The aarch64 cross build's suite, each program under qemu-aarch64 (the toolchain
# file's emulator), with Debian's arm64 ICU.
run_suite aarch64 "$root/build/aarch64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake"

echo "==== fuzz: short runs of every parser"
# The kept corpora replay in full; the fresh fuzzing is short here and long by hand.
QORU_FUZZ_SECONDS=${QORU_FUZZ_SECONDS:-5} "$root/scripts/fuzz.sh" || failed+=("fuzz")

echo "==== consumers: install, packages and programs built against them"
# The library is installed and packed from the suites' own builds, not built again.
QORU_CONSUMER_REUSE=1 "$root/scripts/consumer-check.sh" || failed+=("consumers")

echo "tests run per suite: ${counts[*]}"
# The last line counts the suites: native, memcheck, docs, sanitize, tsan, static,
# windows, windows-msvcrt, aarch64, fuzz, consumers.
summary="suites: $((11 - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  echo "$summary"
  exit 1
fi
echo "$summary"
