# The MSVC-dialect check of the Windows build, from Linux: clang-cl, llvm-rc
# and lld-link for 32-bit Windows, with the copies of the Windows and C
# runtime headers that Wine ships (Debian's libwine-dev). CMake takes the
# project's MSVC branch. Microsoft's libraries are not here, so the link
# leaves out the default libraries, reads MinGW-w64's import libraries
# instead, and is forced through unresolved symbols, which
# tests/msvc_dialect_check.sh then sorts: only the C runtime's may remain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)

# Each Debian release ships its own LLVM under /usr/lib/llvm-N: the newest
# one that has all three tools is taken, unless QUORVEL_LLVM_BIN names one.
if(NOT QUORVEL_LLVM_BIN)
    file(GLOB _quorvel_llvm_dirs LIST_DIRECTORIES true /usr/lib/llvm-*/bin)
    list(SORT _quorvel_llvm_dirs COMPARE NATURAL ORDER DESCENDING)
    foreach(_dir IN LISTS _quorvel_llvm_dirs)
        if(EXISTS ${_dir}/clang-cl AND EXISTS ${_dir}/llvm-rc AND EXISTS ${_dir}/lld-link)
            set(QUORVEL_LLVM_BIN ${_dir})
            break()
        endif()
    endforeach()
    if(NOT QUORVEL_LLVM_BIN)
        message(FATAL_ERROR "no /usr/lib/llvm-N/bin with clang-cl, llvm-rc and lld-link; "
                            "install Debian's clang-tools, lld and llvm, or set QUORVEL_LLVM_BIN")
    endif()
endif()
set(QUORVEL_LLVM_BIN ${QUORVEL_LLVM_BIN} CACHE PATH "clang-cl, llvm-rc and lld-link")
set(QUORVEL_WINE_INCLUDE /usr/include/wine/wine CACHE PATH "Wine's windows/ and msvcrt/ headers")
set(QUORVEL_MINGW_LIB /usr/i686-w64-mingw32/lib CACHE PATH "MinGW-w64's i686 import libraries")

set(CMAKE_C_COMPILER ${QUORVEL_LLVM_BIN}/clang-cl)
set(CMAKE_CXX_COMPILER ${QUORVEL_LLVM_BIN}/clang-cl)
set(CMAKE_RC_COMPILER ${QUORVEL_LLVM_BIN}/llvm-rc)
set(CMAKE_LINKER ${QUORVEL_LLVM_BIN}/lld-link)
set(CMAKE_AR ${QUORVEL_LLVM_BIN}/llvm-lib)
set(CMAKE_C_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_CXX_COMPILER_TARGET i686-pc-windows-msvc)
# With no C runtime to link against, CMake's compiler checks stop at objects.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# -pedantic catches the GCC extensions that plain clang-cl lets through.
set(_quorvel_cl_flags "/clang:-pedantic -imsvc ${QUORVEL_WINE_INCLUDE}/windows -imsvc ${QUORVEL_WINE_INCLUDE}/msvcrt /FI${CMAKE_CURRENT_LIST_DIR}/clang-cl-wine-headers.h")
set(CMAKE_C_FLAGS_INIT "${_quorvel_cl_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_quorvel_cl_flags}")
set(CMAKE_RC_FLAGS_INIT "/I ${QUORVEL_WINE_INCLUDE}/windows /I ${QUORVEL_WINE_INCLUDE}/msvcrt")

# lld-link looks for NAME.lib; MinGW-w64 calls it libNAME.a.
set(_quorvel_libs ${CMAKE_BINARY_DIR}/mingw-import-libs)
file(GLOB _quorvel_mingw_libs ${QUORVEL_MINGW_LIB}/lib*.a)
file(MAKE_DIRECTORY ${_quorvel_libs})
foreach(_lib IN LISTS _quorvel_mingw_libs)
    get_filename_component(_name ${_lib} NAME)
    string(REGEX REPLACE "^lib(.*)\\.a$" "\\1.lib" _name ${_name})
    file(CREATE_LINK ${_lib} ${_quorvel_libs}/${_name} SYMBOLIC)
endforeach()
# The unresolved symbols are listed by their linker names.
set(CMAKE_EXE_LINKER_FLAGS_INIT "/NODEFAULTLIB /FORCE:UNRESOLVED /DEMANGLE:NO /LIBPATH:${_quorvel_libs}")
# The plain link, whose list of unresolved symbols the check reads, and
# which lets the project's /SAFESEH go (see that file).
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/clang-cl-link-rule.cmake)
