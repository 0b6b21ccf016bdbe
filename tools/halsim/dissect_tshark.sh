#!/usr/bin/env bash
# Wireshark's own reading of halsim's captures: a scenario recorded through
# libhal_record.so and converted with --to-pcap, and the same scenario run
# with --pcap, each read by tshark with hlp.lua; dissect_check compares every
# call and command with halsim's decoder (and the recording). Both captures
# must hold the 184-byte protocol-packet flow and the 364-byte service flow.
# Exits 77 (skipped) where tshark is missing.
#
#   dissect_tshark.sh HALSIM DISSECT_CHECK HLP_LUA SCENARIO WORK [RECORDER]
set -euo pipefail

if [ $# -lt 5 ] || [ $# -gt 6 ]; then
    echo "usage: dissect_tshark.sh HALSIM DISSECT_CHECK HLP_LUA SCENARIO WORK [RECORDER]" >&2
    exit 2
fi
halsim=$1 check=$2 lua=$3 scenario=$4 work=$5 recorder=${6:-}

if ! command -v tshark >/dev/null; then
    echo "tshark not found (Debian: tshark): the dissector is not tried; skipped"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work"

# Whether tshark, run as "$@", loads the dissector.
loads() { "$@" tshark -G protocols -X "lua_script:$lua" 2>/dev/null | grep -q $'\thlp$'; }

# Wireshark can be set to run no Lua for the superuser (init.lua's
# run_user_scripts_when_superuser, or a build without it): then tshark runs
# as nobody, with the files copied where nobody reads them.
as=()
if ! loads; then
    if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
        echo "tshark does not load $lua" >&2
        tshark -G protocols -X "lua_script:$lua" >/dev/null || true
        exit 1
    fi
    shared=$(mktemp -d)
    trap 'rm -rf "$shared"' EXIT
    chmod 755 "$shared"
    cp "$lua" "$shared/hlp.lua"
    chmod 644 "$shared/hlp.lua"
    lua=$shared/hlp.lua
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups env "HOME=$shared")
    if ! loads "${as[@]}"; then
        echo "tshark loads $lua neither as root nor as nobody" >&2
        exit 1
    fi
    echo "tshark runs no Lua as root here: it runs as nobody"
fi

# tshark's JSON of a capture, read as whoever loads the dissector.
dissect() {
    local pcap=$1 json=$2
    if [ ${#as[@]} -ne 0 ]; then
        cp "$pcap" "$shared/capture.pcap"
        chmod 644 "$shared/capture.pcap"
        pcap=$shared/capture.pcap
    fi
    "${as[@]}" tshark -X "lua_script:$lua" -r "$pcap" -T json --no-duplicate-keys >"$json" 2>"$json.err"
}

# dissect_check's verdict, and the two large records among the commands it checked.
checked() {
    local out=$1
    cat "$out"
    grep -q '^dissect_check: 0x20030012 PDU_ADD_FLOW: request of 184 bytes' "$out" ||
        { echo "no 184-byte protocol-packet flow was checked" >&2; exit 1; }
    grep -q '^dissect_check: 0x20030000 L2_ADD_FLOW: request of 364 bytes' "$out" ||
        { echo "no 364-byte service flow was checked" >&2; exit 1; }
}

"$halsim" --json "$scenario" >"$work/decoded.jsonl" 2>"$work/decoded.err"

if [ -n "$recorder" ]; then
    echo "== recorded through libhal_record.so, converted with --to-pcap"
    LD_PRELOAD=$recorder HAL_RECORD_FILE=$work/run.halrec "$halsim" --quiet "$scenario"
    "$halsim" --to-pcap "$work/run.halrec" "$work/recorded.pcap"
    dissect "$work/recorded.pcap" "$work/recorded.json"
    "$check" tshark "$work/recorded.json" "$work/decoded.jsonl" "$work/run.halrec" >"$work/recorded.out"
    checked "$work/recorded.out"
fi

echo "== simulated with --pcap"
"$halsim" --quiet "$scenario" --pcap "$work/simulated.pcap"
dissect "$work/simulated.pcap" "$work/simulated.json"
"$check" tshark "$work/simulated.json" "$work/decoded.jsonl" >"$work/simulated.out"
checked "$work/simulated.out"
