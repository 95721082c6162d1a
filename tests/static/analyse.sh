#!/usr/bin/env bash
# Static checks of the launcher and platform code; any finding fails.
#   analyse.sh tidy <build dir>   clang-tidy (.clang-tidy), with the host build's
#                                 compile database and as the Windows build
#   analyse.sh cppcheck           cppcheck, host and Windows configurations
#   analyse.sh format             clang-format (.clang-format), all C++ sources
set -euo pipefail
cd "$(dirname "$0")/../.."

case ${1:-} in
tidy)
    # launcher/ and platform/host/ as the host build compiles them.
    clang-tidy-14 --quiet -p "$2" launcher/*.cpp platform/host/*.cpp
    # The Windows build: its own run-time pieces and the _WIN32 branches, for
    # the 32-bit target with its calling conventions and type sizes.
    clang-tidy-14 --quiet launcher/*.cpp platform/windows/*.cpp -- \
        --target=i686-w64-mingw32 -std=c++17 -Wall -Wextra -I .
    ;;
cppcheck)
    common=(--std=c++17 --language=c++ --enable=warning,style,performance,portability
            --error-exitcode=1 --inline-suppr --quiet -I .)
    # The host side; cppcheck also tries the _WIN32 configuration of each
    # file. The simulated desktop's definitions keep the API's signatures,
    # whose pointer parameters cannot become const (constParameter).
    cppcheck "${common[@]}" --suppress=constParameter:platform/host/desktop.cpp \
        launcher platform/host
    # The Windows side with 32-bit Windows type sizes.
    cppcheck "${common[@]}" --platform=win32A -D_WIN32 launcher platform/windows
    ;;
format)
    find launcher platform tests -name '*.cpp' -o -name '*.h' |
        xargs clang-format-14 --dry-run -Werror
    ;;
*)
    echo "usage: $0 tidy <build dir> | cppcheck | format" >&2
    exit 2
    ;;
esac
