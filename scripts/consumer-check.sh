#!/usr/bin/env bash
# Installs and packs the library as its users get it, then builds the consumer
# in tests/consumer against each form and checks what it prints:
#   Linux shared: the installed tree through find_package and through
#                 pkg-config, and the unpacked .deb both ways; both carry a
#                 man page for every export (the docs target, Doxygen);
#   Linux static: the installed tree through find_package and pkg-config --static;
#   Linux subproject: the source tree taken in with add_subdirectory (static)
#                 and with FetchContent (shared);
#   Windows:      the installed tree through find_package, and the unpacked
#                 .zip linked through qorucum.lib (Microsoft's format), under Wine;
#                 its .def lists exactly tests/exports.txt;
#   Microsoft's toolchain: a C and a C++ program compiled by clang-cl for the
#                 MSVC target, linked by lld-link against the installed
#                 qorucum.lib and the UCRT, under Wine.
# Builds under build/pkg-* (or reuses the test command's builds, see library),
# installs into build/install-*. Fails on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QORU_JOBS:-2}
build=$root/build
consumer=$root/tests/consumer
expected_c="héllo has 5 code units"
expected_cpp="grüße has 5 code units, OK"
expected_msvc_c="args 2 arg1; vsnprintfU16 77: -42 4000000000 -9000000000000 123456789abc 3.142 1e-300 5.000000e-01 grüße Z|
printf, printfU16 2.50 1099511627776 été, printf
errno ERANGE
strdupU16 copy
getoptU n vé 4, toupperU K, isalphaU 1"
expected_msvc_cpp="static initializer: 5 units
main: C++ 0.2
static destructor: bye"
failures=0

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
quiet() { # runs a command, shows its output only when it fails
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then cat "$log"; rm -f "$log"; return 1; fi
  rm -f "$log"
}

# check NAME EXPECTED COMMAND...: the command succeeds and prints EXPECTED.
check() {
  local name=$1 expected=$2 out status
  shift 2
  out=$("$@")
  status=$?
  if [ "$status" -ne 0 ]; then fail "$name: exit status $status"; return; fi
  if [ "$out" != "$expected" ]; then fail "$name printed '$out', expected '$expected'"; return; fi
  echo "ok: $name"
}

# library DIR SUITE PREFIX OPTIONS...: configures, builds and installs the
# library alone in DIR, and names the build folder used in $libdir. With
# QORU_CONSUMER_REUSE=1 (the test command, whose suite SUITE has just built
# the same configuration) the suite's build/SUITE is installed instead.
library() {
  local dir=$1 suite=$2 prefix=$3
  shift 3
  rm -rf "$prefix"
  libdir=$dir
  if [ "${QORU_CONSUMER_REUSE:-0}" = 1 ] && [ -f "$build/$suite/CMakeCache.txt" ]; then
    libdir=$build/$suite
    quiet cmake --build "$libdir" -j"$jobs" --target qorucum && quiet cmake --install "$libdir" --prefix "$prefix"
    return
  fi
  quiet cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQORU_BUILD_TESTS=OFF -DQORU_BUILD_EXAMPLES=OFF \
      -DQORU_BUILD_BENCH=OFF -DQORU_FUZZ=OFF -DQORU_SANITIZE=OFF -DCMAKE_INSTALL_PREFIX="$prefix" "$@" &&
    quiet cmake --build "$dir" -j"$jobs" --target qorucum &&
    quiet cmake --install "$dir"
}

# cmake_consumer NAME DIR OPTIONS...: builds the consumer project.
cmake_consumer() {
  local name=$1 dir=$2
  shift 2
  rm -rf "$dir"
  quiet cmake -S "$consumer" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" &&
    quiet cmake --build "$dir" -j"$jobs" || { fail "$name: consumer build"; return 1; }
}

# linux_consumers NAME PREFIX [--static]: find_package and pkg-config builds against PREFIX.
linux_consumers() {
  local name=$1 prefix=$2 static=${3:-} dir=$build/consumer-$1
  if cmake_consumer "$name (find_package)" "$dir-cmake" -DCMAKE_PREFIX_PATH="$prefix"; then
    check "$name find_package C" "$expected_c" "$dir-cmake/hello_c"
    check "$name find_package C++" "$expected_cpp" "$dir-cmake/hello_cpp"
  fi
  mkdir -p "$dir-pc"
  local flags
  if ! flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config $static --cflags --libs qorucum); then
    fail "$name: pkg-config finds no qorucum"; return
  fi
  # shellcheck disable=SC2086 # the flags are separate words
  if quiet cc -std=c11 "$consumer/hello.c" $flags -o "$dir-pc/hello_c" &&
      quiet c++ -std=c++20 "$consumer/hello.cpp" $flags -o "$dir-pc/hello_cpp"; then
    check "$name pkg-config C" "$expected_c" env LD_LIBRARY_PATH="$prefix/lib" "$dir-pc/hello_c"
    check "$name pkg-config C++" "$expected_cpp" env LD_LIBRARY_PATH="$prefix/lib" "$dir-pc/hello_cpp"
  else
    fail "$name: pkg-config build"
  fi
  if [ -n "$static" ] && ldd "$dir-cmake/hello_cpp" "$dir-pc/hello_cpp" | grep -q qorucum; then
    fail "$name: a program linked statically still loads libqorucum"
  fi
}

# man_pages PREFIX NAME: PREFIX/share/man/man3 holds a page for every name in
# tests/exports.txt.
man_pages() {
  local missing=() n
  for n in $(grep -E '^[A-Za-z_]' "$root/tests/exports.txt"); do
    [ -f "$1/share/man/man3/$n.3" ] || [ -f "$1/share/man/man3/$n.3.gz" ] || missing+=("$n")
  done
  if [ ${#missing[@]} -ne 0 ]; then
    fail "$2: no man page for ${missing[*]}"
  else
    echo "ok: $2 has a man page for every export"
  fi
}

# wine_run DIR PROGRAM ARGS...: runs a Windows program in its folder (ICU 50
# is not there: the character functions fall back to 7 bits).
wine_run() {
  (cd "$1" && NLSUI_7BIT_FALLBACK=1 "$root/scripts/wine-run.sh" "./$2" "${@:3}" && rm -f nlsui_init_trc_file_*.trc)
}

# msvc_consumers PREFIX: the C and C++ programs of tests/consumer/msvc_*,
# compiled by clang-cl for the MSVC target against mingw-w64's headers
# (which need a GNU C version to place their attributes), and linked by
# lld-link with their own start-up against PREFIX's qorucum.lib and mingw-w64's
# UCRT import library, as Microsoft's start-up objects are not at hand.
msvc_consumers() {
  local prefix=$1 dir=$build/consumer-msvc mingw=/usr/x86_64-w64-mingw32 clang_cl
  clang_cl=$(command -v clang-cl || command -v clang-cl-14) || { fail "msvc: no clang-cl"; return; }
  rm -rf "$dir" && mkdir -p "$dir" && cp "$prefix/bin/libqorucum.dll" "$dir/"
  # clang-cl takes /Fo without a colon, and a -- before absolute source paths.
  local compile=("$clang_cl" --target=x86_64-pc-windows-msvc -fgnuc-version=4.2.1 /nologo /O2 /GS- /GR- /W3 /WX
                 -D_UCRT /imsvc "$mingw/include" /I "$prefix/include" /c)
  quiet "${compile[@]}" "/Fo$dir/entry.obj" -- "$consumer/msvc_entry.c" || { fail "msvc: start-up build"; return; }
  local language expected standard
  for language in c cpp; do
    expected=expected_msvc_$language
    standard=/std:c11
    [ "$language" = cpp ] && standard=/std:c++20
    if quiet "${compile[@]}" "$standard" "/Fo$dir/hello_$language.obj" -- "$consumer/msvc_hello.$language" &&
        quiet lld-link /nologo /subsystem:console /entry:start /nodefaultlib "/out:$dir/hello_$language.exe" \
          "$dir/entry.obj" "$dir/hello_$language.obj" "$prefix/lib/qorucum.lib" "$mingw/lib/libucrt.a" \
          "$mingw/lib/libkernel32.a"; then
      check "msvc $language" "${!expected}" wine_run "$dir" "hello_$language.exe" arg1
    else
      fail "msvc $language: build"
    fi
  done
}

mkdir -p "$build"

echo "==== Linux, shared: install, .deb, consumers"
if library "$build/pkg-linux" native "$build/install-linux" -DBUILD_SHARED_LIBS=ON; then
  [ -L "$build/install-linux/lib/libqorucum.so.0" ] || fail "libqorucum.so.0 not installed"
  # With the reference built, the install and the .deb carry it.
  if quiet cmake --build "$libdir" --target docs && quiet cmake --install "$libdir" --prefix "$build/install-linux"; then
    man_pages "$build/install-linux" "installed tree"
    [ -f "$build/install-linux/share/doc/qorucum/html/index.html" ] || fail "installed tree: no HTML reference"
  else
    fail "docs target"
  fi
  linux_consumers linux "$build/install-linux"
  rm -rf "$libdir/packages" "$build/deb-root"
  if quiet cmake --build "$libdir" --target package; then
    deb=$(ls "$libdir"/packages/*.deb)
    dpkg-deb -f "$deb" Recommends | grep -q '^libicu' || fail ".deb does not recommend ICU"
    dpkg-deb -x "$deb" "$build/deb-root"
    man_pages "$build/deb-root/usr" ".deb"
    linux_consumers deb "$build/deb-root/usr"
  else
    fail "cpack .deb"
  fi
else
  fail "Linux shared library install"
fi

echo "==== Linux, static: install, consumers"
if library "$build/pkg-linux-static" static "$build/install-linux-static" -DBUILD_SHARED_LIBS=OFF; then
  linux_consumers static "$build/install-linux-static" --static
else
  fail "Linux static library install"
fi

echo "==== Linux, subproject: add_subdirectory and FetchContent of the source tree"
for fetch in OFF ON; do
  name="subproject (FetchContent $fetch)"
  dir=$build/consumer-subproject-$fetch
  if cmake_consumer "$name" "$dir" -DCONSUMER_SOURCE="$root" -DCONSUMER_FETCH=$fetch -DBUILD_SHARED_LIBS=$fetch; then
    check "$name C" "$expected_c" "$dir/hello_c"
    check "$name C++" "$expected_cpp" "$dir/hello_cpp"
  fi
done

echo "==== Windows: install, .zip, consumers under Wine"
toolchain=$root/cmake/mingw-w64-x86_64.cmake
win=$build/install-windows
if library "$build/pkg-windows" windows "$win" -DBUILD_SHARED_LIBS=ON -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQORU_WINDOWS_CRT=ucrt; then
  # The consumers are UCRT hosts like the library: a FILE* and errno are shared
  # only within one C runtime. The flags are those the README gives UCRT hosts.
  ucrt=(-DCMAKE_C_FLAGS=-D_UCRT -DCMAKE_CXX_FLAGS=-D_UCRT
        "-DCMAKE_EXE_LINKER_FLAGS=-specs=$libdir/generated/ucrt.specs -Wl,--defsym,_setjmp=__intrinsic_setjmp")
  if diff <(awk '/^EXPORTS/ {on = 1; next} on {print $1}' "$win/lib/qorucum.def" | sort) \
          <(grep -E '^[A-Za-z_]' "$root/tests/exports.txt" | sort); then
    echo "ok: qorucum.def lists exactly tests/exports.txt"
  else
    fail "qorucum.def differs from tests/exports.txt"
  fi
  dir=$build/consumer-windows
  if cmake_consumer "windows (find_package)" "$dir-cmake" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${ucrt[@]}" \
      -Dqorucum_DIR="$win/lib/cmake/qorucum"; then
    check "windows find_package C" "$expected_c" wine_run "$dir-cmake" hello_c.exe
    check "windows find_package C++" "$expected_cpp" wine_run "$dir-cmake" hello_cpp.exe
  fi
  msvc_consumers "$win"
  rm -rf "$libdir/packages" "$build/zip-root"
  if quiet cmake --build "$libdir" --target package; then
    mkdir -p "$build/zip-root"
    (cd "$build/zip-root" && quiet cmake -E tar xf "$(ls "$libdir"/packages/*.zip)")
    zip=$(ls -d "$build"/zip-root/*/)
    zip=${zip%/}
    if cmake_consumer "windows zip (qorucum.lib)" "$dir-lib" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${ucrt[@]}" \
        -Dqorucum_DIR="$zip/lib/cmake/qorucum" -DCONSUMER_IMPORT_LIB="$zip/lib/qorucum.lib"; then
      check "windows zip qorucum.lib C" "$expected_c" wine_run "$dir-lib" hello_c.exe
      check "windows zip qorucum.lib C++" "$expected_cpp" wine_run "$dir-lib" hello_cpp.exe
    fi
  else
    fail "cpack .zip"
  fi
else
  fail "Windows library install"
fi

if [ "$failures" -ne 0 ]; then
  echo "consumer checks: $failures failed"
  exit 1
fi
echo "consumer checks: all passed"
