#!/usr/bin/env bash
# Installs with apt-get whatever a Debian machine lacks to build and test
# the library and to build the tools: CMake, Ninja, g++, GoogleTest and
# GoogleMock, nlohmann-json and CLI11 (both for the tools only), libpcap for
# halsim's captures (without it halsim has no capture options). With --ci,
# also what .ci/run needs beyond that: the armhf cross compiler and qemu,
# GoogleTest's sources for the cross build, clang with its fuzzer runtime,
# clang-format, clang-tidy with python3 for tools/tidy.sh, valgrind for the
# instruction budgets, Google Benchmark, and tshark to read halsim's captures
# with its dissector (its question whether non-root users may capture is
# answered no beforehand). Installs nothing when all is there; runs apt-get
# through sudo when not root.
#
#   tools/deps.sh [--ci]
set -euo pipefail

usage() { echo "usage: tools/deps.sh [--ci]"; }

ci=false
case $# in
0) ;;
1)
    case $1 in
    --ci) ci=true ;;
    -h | --help)
        usage
        exit 0
        ;;
    *)
        usage >&2
        exit 2
        ;;
    esac
    ;;
*)
    usage >&2
    exit 2
    ;;
esac

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/gmock/gmock.h ] || need+=(libgmock-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
[ -f /usr/include/pcap/pcap.h ] || need+=(libpcap-dev)
if $ci; then
    [ -d /usr/src/googletest ] || need+=(googletest)
    [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
    command -v arm-linux-gnueabihf-g++ >/dev/null || need+=(crossbuild-essential-armhf)
    command -v qemu-arm >/dev/null || need+=(qemu-user)
    command -v clang++ >/dev/null || need+=(clang)
    command -v clang-format >/dev/null || need+=(clang-format)
    command -v clang-tidy >/dev/null || need+=(clang-tidy)
    command -v python3 >/dev/null || need+=(python3)
    command -v valgrind >/dev/null || need+=(valgrind)
    ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
    command -v tshark >/dev/null || need+=(tshark)
fi
if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "deps: installing ${need[*]}"
"${sudo[@]}" apt-get update -qq
if [[ " ${need[*]} " == *" tshark "* ]]; then
    echo "wireshark-common wireshark-common/install-setuid boolean false" | "${sudo[@]}" debconf-set-selections
fi
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
