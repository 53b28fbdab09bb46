#!/usr/bin/env bash
# The main job. Until the command-line program exists this builds the core and
# runs its unit tests as a self-check.
set -euo pipefail
build_dir=${1:-build}
ctest --test-dir "$build_dir" --output-on-failure
