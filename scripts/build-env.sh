# Sourced by the build scripts: the compiler cache and the CMake arguments of each configuration.

# The cache lives outside the clone. Paths inside the tree are hashed relative to it and the build
# folder is left out of the hash, so another clone shares the entries of whatever reads no
# precompiled header (clang's hold the clone's absolute paths).
export CCACHE_DIR=${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/jvl-ccache}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
export CCACHE_NOHASHDIR=true
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-6G}
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime

# The sanitizer builds use clang: on this tree it compiles the libraries in two thirds and the
# unoptimised test code in under half of GCC's time, with the same warnings kept as errors.
jvl_sanitizer_compiler=(-DCMAKE_CXX_COMPILER=clang++)

# Address and undefined-behaviour sanitizers: the suite's configuration.
# Debug's own -g would override -g1: line tables are all a sanitizer report needs.
jvl_asan_cmake_args=(-G Ninja "${jvl_sanitizer_compiler[@]}" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG= "-DCMAKE_CXX_FLAGS=-O1 -g1"
  -DJVL_SANITIZE=ON -DJVL_BUILD_TESTS=ON -DJVL_BUILD_BENCH=ON -DJVL_BENCH_CHECK_ONLY=ON)

# ThreadSanitizer: only the libraries and the threaded tests are built from it.
jvl_tsan_cmake_args=(-G Ninja "${jvl_sanitizer_compiler[@]}" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG= "-DCMAKE_CXX_FLAGS=-O1 -g1 -fsanitize=thread"
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread
  -DCMAKE_MODULE_LINKER_FLAGS=-fsanitize=thread -DJVL_BUILD_TESTS=ON -DJVL_BUILD_BENCH=OFF)
