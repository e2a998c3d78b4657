#!/usr/bin/env bash
# Builds the fuzz targets with the clang preset and runs each for a bounded time.
#   tools/fuzz.sh        about 30 s per target
#   tools/fuzz.sh 300    five minutes per target
# New inputs that reach new code land in build/clang/fuzz-corpus, not in the repository;
# the seeds in the targets' *_corpus folders are read only.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

cmake --preset clang >/dev/null
targets=(platform/registry/fuzz/hive_text_fuzz dialog/fuzz/template_relayout_fuzz)
cmake --build --preset clang --target "${targets[@]##*/}"

for path in "${targets[@]}"; do
    target=${path##*/}
    corpus=build/clang/fuzz-corpus/$target
    (umask 077 && mkdir -p "$corpus")
    echo "== $target for $seconds s"
    build/clang/tests/$path -max_total_time="$seconds" -max_len=65536 \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "$corpus" "tests/${path%_fuzz}_corpus"
done
