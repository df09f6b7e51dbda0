# Loaded by cmake/clang-cl-i686.cmake after CMake's MSVC rules. Those run
# the link through a manifest step that keeps quiet about a link that
# succeeds, and lld-link's list of the symbols it left unresolved would be
# lost; the plain link prints it.
string(REPLACE "${_CMAKE_VS_LINK_EXE}" "" CMAKE_CXX_LINK_EXECUTABLE "${CMAKE_CXX_LINK_EXECUTABLE}")
# lld-link before LLVM 18 lacks a switch the project gives (see that file).
string(REPLACE "<CMAKE_LINKER>" "sh ${CMAKE_CURRENT_LIST_DIR}/clang-cl-lld-link.sh <CMAKE_LINKER>"
       CMAKE_CXX_LINK_EXECUTABLE "${CMAKE_CXX_LINK_EXECUTABLE}")
# MinGW-w64's import objects carry no SafeSEH mark, which Microsoft's do,
# so lld-link would refuse the project's /SAFESEH for them: the switch that
# comes last turns it off.
string(APPEND CMAKE_CXX_LINK_EXECUTABLE " /SAFESEH:NO")
