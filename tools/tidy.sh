#!/usr/bin/env bash
# The clang-tidy gate: clang-tidy with the checked-in .clang-tidy over every
# C and C++ source of this project in a build's compile_commands.json, two
# at a time. Exits non-zero on any finding and names each file that has one.
#
#   tools/tidy.sh [build-dir]       (default: build; it only has to be configured)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [[ ! -f $build/compile_commands.json ]]; then
    echo "tidy: no compile_commands.json in $build (configure with cmake first)" >&2
    exit 2
fi
command -v clang-tidy >/dev/null || {
    echo "tidy: clang-tidy not found (Debian: clang-tidy)" >&2
    exit 2
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The project's own sources, each once. tests/build_checks/build_check.cpp is
# compiled once as written and once per mistake the build must refuse: only
# the compile as written is analysed.
python3 - "$root" "$build" "$work" <<'EOF'
import json, os, sys

root, build, work = sys.argv[1:4]
entries = []
for e in json.load(open(os.path.join(build, "compile_commands.json"))):
    path = os.path.normpath(os.path.join(e["directory"], e["file"]))
    command = e.get("command", " ".join(e.get("arguments", [])))
    if not path.startswith(root + "/") or path.startswith(build + "/") or not path.endswith((".c", ".cpp")):
        continue
    if "/tests/build_checks/" in path and "-DHAL_CHECK_CONTROL" not in command:
        continue
    entries.append(e)
json.dump(entries, open(os.path.join(work, "compile_commands.json"), "w"))
with open(os.path.join(work, "files"), "w") as f:
    f.writelines(os.path.normpath(os.path.join(e["directory"], e["file"])) + "\n" for e in entries)
EOF

total=$(wc -l <"$work/files")
if [[ $total == 0 ]]; then
    echo "tidy: $build/compile_commands.json lists no source of $root" >&2
    exit 2
fi

tidy_one() {
    if ! out=$(clang-tidy --quiet -p "$work" "$1" 2>&1); then
        printf 'tidy: FAILED %s\n%s\n\n' "${1#"$root"/}" "$out"
        echo "${1#"$root"/}" >>"$work/failed"
    fi
}
export -f tidy_one
export root work

echo "tidy: $total translation units"
xargs -r -P2 -I{} bash -c 'tidy_one "$1"' _ {} <"$work/files"
if [[ -s $work/failed ]]; then
    echo "tidy: findings in $(wc -l <"$work/failed") translation unit(s):"
    sort "$work/failed" | sed 's/^/  /'
    exit 1
fi
echo "tidy: clean"
