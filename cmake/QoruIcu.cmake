# ICU is loaded at run time, never linked. This file settles the major version,
# the three library file names and the entry-point suffix that the binder uses.
if(WIN32)
  set(QORU_ICU_VERSION_DEFAULT 50)
  # A local folder only administrators can write to; a network share only when
  # the build names one.
  set(QORU_ICU_DIR_DEFAULT "C:\\Program Files\\qorucum\\icu\\bin")
else()
  set(QORU_ICU_VERSION_DEFAULT "")
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(QORU_SYSTEM_ICU QUIET icu-uc)
  endif()
  if(QORU_SYSTEM_ICU_FOUND)
    string(REGEX MATCH "^[0-9]+" QORU_ICU_VERSION_DEFAULT "${QORU_SYSTEM_ICU_VERSION}")
  endif()
  if(NOT QORU_ICU_VERSION_DEFAULT)
    set(QORU_ICU_VERSION_DEFAULT 72)
  endif()
  set(QORU_ICU_DIR_DEFAULT "/opt/qorucum/icu/lib")
endif()

set(QORU_ICU_VERSION "${QORU_ICU_VERSION_DEFAULT}" CACHE STRING "ICU major version the binder looks for")
set(QORU_ICU_DIR "${QORU_ICU_DIR_DEFAULT}" CACHE STRING "Fixed directory searched for ICU after the bare names")
# A cache from before the local default held the old network share, written
# as C escapes: it gives way to the local default.
if(QORU_ICU_DIR STREQUAL "\\\\\\\\qorucum\\\\icu\\\\bin")
  set(QORU_ICU_DIR "${QORU_ICU_DIR_DEFAULT}" CACHE STRING "Fixed directory searched for ICU after the bare names" FORCE)
endif()

# qoru_icu_dir_literal() sets QORU_ICU_DIR_LITERAL, in the caller's scope, to
# QORU_ICU_DIR written as the inside of a C string literal.
function(qoru_icu_dir_literal)
  string(REPLACE "\\" "\\\\" literal "${QORU_ICU_DIR}")
  string(REPLACE "\"" "\\\"" literal "${literal}")
  set(QORU_ICU_DIR_LITERAL "${literal}" PARENT_SCOPE)
endfunction()

# qoru_icu_names(VERSION) sets, in the caller's scope, the three file names,
# the entry-point suffix and the version text ("major.minor", also the name
# of the version subdirectory of the fixed directory) for an ICU major version.
function(qoru_icu_names version)
  if(WIN32)
    set(QORU_ICU_COMMON_FILE "icuuc${version}.dll" PARENT_SCOPE)
    set(QORU_ICU_DATA_FILE "icudt${version}.dll" PARENT_SCOPE)
    set(QORU_ICU_I18N_FILE "icuin${version}.dll" PARENT_SCOPE)
  else()
    set(QORU_ICU_COMMON_FILE "libicuuc.so.${version}" PARENT_SCOPE)
    set(QORU_ICU_DATA_FILE "libicudata.so.${version}" PARENT_SCOPE)
    set(QORU_ICU_I18N_FILE "libicui18n.so.${version}" PARENT_SCOPE)
  endif()
  set(QORU_ICU_SUFFIX "_${version}" PARENT_SCOPE)
  # The system ICU's own minor version when it is the one configured.
  if(QORU_SYSTEM_ICU_FOUND AND QORU_SYSTEM_ICU_VERSION MATCHES "^${version}\\.([0-9]+)")
    set(QORU_ICU_VERSION_TEXT "${version}.${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(QORU_ICU_VERSION_TEXT "${version}.1" PARENT_SCOPE)
  endif()
endfunction()

qoru_icu_names(${QORU_ICU_VERSION})
qoru_icu_dir_literal()
