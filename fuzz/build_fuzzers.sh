#!/bin/sh
# Configures and builds the libFuzzer tree (fuzz/clang) with clang.
# Arguments: source root, build dir, clang++ path, then comma-separated lists
# of engine source dirs, include dirs and link items.
set -eu
root=$1 build=$2 cxx=$3 dirs=$4 includes=$5 libs=$6
cc=$(dirname "$cxx")/clang
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
cmake -S "$root/fuzz/clang" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_COMPILER="$cc" $launcher \
  -DTSY_ROOT="$root" -DTSY_FUZZ_SOURCE_DIRS="$dirs" -DTSY_FUZZ_INCLUDES="$includes" -DTSY_FUZZ_LIBS="$libs" >/dev/null
jobs=$(nproc 2>/dev/null || echo 2)
cmake --build "$build" -j"$jobs"
