# The C runtime of the Windows build. A FILE* and errno are shared only
# between binaries on the same runtime, so the choice follows the host
# programs the DLL is meant for:
#   ucrt   - the Universal C Runtime (ucrtbase.dll, reached through the
#            api-ms-win-crt-* DLLs): current Microsoft compilers and UCRT
#            mingw-w64 toolchains.
#   msvcrt - msvcrt.dll: the older mingw-w64 default.
# Every binary of one build (library, tests, demo, ICU test doubles) uses the
# chosen runtime, so this file is included before any target is defined.
if(NOT WIN32)
  return()
endif()

set(QORU_WINDOWS_CRT ucrt CACHE STRING "C runtime of the Windows build: ucrt or msvcrt")
set_property(CACHE QORU_WINDOWS_CRT PROPERTY STRINGS ucrt msvcrt)
if(NOT QORU_WINDOWS_CRT MATCHES "^(ucrt|msvcrt)$")
  message(FATAL_ERROR "QORU_WINDOWS_CRT must be ucrt or msvcrt, not '${QORU_WINDOWS_CRT}'")
endif()
message(STATUS "Windows C runtime: ${QORU_WINDOWS_CRT}")

# The compiler driver's specs name the C runtime's import library.
execute_process(COMMAND ${CMAKE_C_COMPILER} -dumpspecs
  OUTPUT_VARIABLE qoru_specs RESULT_VARIABLE qoru_specs_status)
if(NOT qoru_specs_status EQUAL 0)
  message(FATAL_ERROR "'${CMAKE_C_COMPILER} -dumpspecs' failed")
endif()
if(qoru_specs MATCHES "-l${QORU_WINDOWS_CRT}([ \n]|$)")
  # The compiler's own default runtime.
  return()
endif()
if(QORU_WINDOWS_CRT STREQUAL "msvcrt" OR NOT qoru_specs MATCHES "-lmsvcrt")
  # Only the msvcrt-to-ucrt change is made here.
  message(FATAL_ERROR "QORU_WINDOWS_CRT=${QORU_WINDOWS_CRT} needs a compiler that links it by default"
                      " or, for ucrt, one that links msvcrt by default; ${CMAKE_C_COMPILER} does neither")
endif()

# A copy of the specs with msvcrt replaced by ucrt makes the driver link
# libucrt.a.
string(REPLACE "-lmsvcrt" "-lucrt" qoru_specs "${qoru_specs}")
set(QORU_UCRT_SPECS ${PROJECT_BINARY_DIR}/generated/ucrt.specs)
file(WRITE ${QORU_UCRT_SPECS}.new "${qoru_specs}")
# Rewritten only when it changes, so a new configure does not relink everything.
configure_file(${QORU_UCRT_SPECS}.new ${QORU_UCRT_SPECS} COPYONLY)
file(REMOVE ${QORU_UCRT_SPECS}.new)

# _UCRT selects the UCRT declarations in the mingw-w64 headers.
add_compile_options(-D_UCRT)
# The static winpthread calls _setjmp, which the UCRT import library names
# __intrinsic_setjmp.
add_link_options(-specs=${QORU_UCRT_SPECS} -Wl,--defsym,_setjmp=__intrinsic_setjmp)
