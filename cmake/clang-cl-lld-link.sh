#!/bin/sh
# The MSVC-dialect check's linker: lld-link, to which the project's
# /DEPENDENTLOADFLAG goes only from LLVM 18 on; older ones know no such
# switch and would take it for a file to link. The check reads the switch
# from the build's link flags either way.
# Usage: clang-cl-lld-link.sh LLD_LINK ARGUMENT...
linker=$1
shift
if "$linker" --version | grep -Eq 'LLD ([0-9]|1[0-7])\.'; then
    for argument; do
        shift
        case $argument in
        /DEPENDENTLOADFLAG:*) ;;
        *) set -- "$@" "$argument" ;;
        esac
    done
fi
exec "$linker" "$@"
