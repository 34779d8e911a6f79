#!/usr/bin/env bash
# Installs the C/C++ package of a built tree into a fresh prefix and uses it the way a user
# would: every installed header compiles on its own with nothing but the prefix's include
# folder, no header lies outside include/velmora/, and the two example hosts build with
# nothing but find_package(velmora) (the C one also with pkg-config) and print the same
# positions. A shared library is also checked against the module through ctypes.
#   bash scripts/check_install.sh build/cpp
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
say() { printf '[install] %s\n' "$*"; }

cmake --install "$build" --prefix "$prefix" >/dev/null

stray=$(find "$prefix" \( -name '*.h' -o -name '*.hpp' \) -not -path "$prefix/include/velmora/*")
if [[ -n $stray ]]; then
    echo "headers installed outside include/velmora/: $stray" >&2
    exit 1
fi
for header in "$prefix"/include/velmora/*; do
    include="#include <velmora/$(basename "$header")>"
    c++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$prefix/include" -x c++ - <<<"$include"
    if [[ $header == *.h ]]; then
        cc -std=c99 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$prefix/include" -x c - <<<"$include"
    fi
done

for host in cpp_host c_host; do
    cmake -S "examples/$host" -B "$work/$host" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
    cmake --build "$work/$host" >/dev/null
done
"$work/cpp_host/cpp_host" circle 90 3 6 >"$work/cpp.txt"
"$work/c_host/c_host" circle 90 3 6 >"$work/c.txt"
cmp -s "$work/cpp.txt" "$work/c.txt" || { echo "the C and C++ hosts disagree" >&2; diff "$work/cpp.txt" "$work/c.txt" >&2; exit 1; }
if "$work/c_host/c_host" nope >/dev/null 2>"$work/error.txt" || [[ $(cat "$work/error.txt") != "c_host: Unknown velmora: nope" ]]; then
    echo "c_host did not report the unknown name" >&2
    exit 1
fi

# pkg-config finds the prefix from the .pc file's own place.
pc_dir=$(dirname "$(find "$prefix" -name velmora.pc)")
# shellcheck disable=SC2046
cc -std=c11 examples/c_host/main.c -o "$work/c_host_pc" $(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs velmora)
library_dir=$(PKG_CONFIG_PATH=$pc_dir pkg-config --variable=libdir velmora)
LD_LIBRARY_PATH=$library_dir "$work/c_host_pc" circle 90 3 6 | cmp -s - "$work/c.txt" ||
    { echo "the pkg-config build of c_host disagrees" >&2; exit 1; }

shared=$(find "$prefix" -name 'libvelmora.so' | head -n 1)
if [[ -n $shared ]]; then
    VELMORA_C_LIBRARY=$shared .venv/bin/python -m pytest tests/python/test_c_api.py -q -p no:cacheprovider
    say "$build: shared library, headers and both hosts (CMake and pkg-config) check out; ctypes agrees with the module"
else
    say "$build: static library, headers and both hosts (CMake and pkg-config) check out"
fi
