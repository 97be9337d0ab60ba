# Installs the library, its headers, a CMake package (qorucum::qorucum) and a
# pkg-config file in the GNUInstallDirs layout, and packs the same tree with
# CPack: a .deb on Linux, a .zip for Windows.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QORU_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qorucum)

install(TARGETS qorucum EXPORT qorucumTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/qorucum.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qorucum DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The reference, when the docs target has built it: man pages in section 3,
# the HTML under the package's documentation folder.
install(DIRECTORY ${PROJECT_BINARY_DIR}/docs/man/man3 DESTINATION ${CMAKE_INSTALL_MANDIR} OPTIONAL)
install(DIRECTORY ${PROJECT_BINARY_DIR}/docs/html DESTINATION ${CMAKE_INSTALL_DOCDIR} OPTIONAL)
install(EXPORT qorucumTargets NAMESPACE qorucum:: DESTINATION ${QORU_CMAKE_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/qorucumConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/qorucumConfig.cmake INSTALL_DESTINATION ${QORU_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/qorucumConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/qorucumConfig.cmake ${PROJECT_BINARY_DIR}/package/qorucumConfigVersion.cmake
  DESTINATION ${QORU_CMAKE_PACKAGE_DIR})

# pkg-config: the prefix is found from the file's own place, so an unpacked
# package works wherever it lies. A static library needs QORUCUM_STATIC (no
# dllimport), the system libraries and the C++ runtime of its objects.
file(RELATIVE_PATH QORU_PC_PREFIX_FROM_PCDIR "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" QORU_PC_PREFIX_FROM_PCDIR "${QORU_PC_PREFIX_FROM_PCDIR}")
set(QORU_PC_CFLAGS "")
set(QORU_PC_LIBS_PRIVATE "")
if(NOT BUILD_SHARED_LIBS)
  set(QORU_PC_CFLAGS " -DQORUCUM_STATIC")
  foreach(lib ${QORU_SYSTEM_LIBS} stdc++)
    string(APPEND QORU_PC_LIBS_PRIVATE " -l${lib}")
  endforeach()
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/qorucum.pc.in ${PROJECT_BINARY_DIR}/package/qorucum.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/qorucum.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Windows: beside the GNU import library, the DLL's export list as a .def file
# (written by the linker) and an import library in Microsoft's format made
# from it, for Microsoft's linker.
if(WIN32 AND BUILD_SHARED_LIBS)
  find_program(QORU_DLLTOOL NAMES llvm-dlltool ${QORU_MINGW_PREFIX}-dlltool x86_64-w64-mingw32-dlltool REQUIRED)
  set(QORU_LINKER_DEF_FILE ${PROJECT_BINARY_DIR}/lib/qorucum-exports.def)
  set(QORU_DEF_FILE ${PROJECT_BINARY_DIR}/lib/qorucum.def)
  set(QORU_MSVC_IMPORT_LIB ${PROJECT_BINARY_DIR}/lib/qorucum.lib)
  target_link_options(qorucum PRIVATE -Wl,--output-def,${QORU_LINKER_DEF_FILE})
  set(QORU_DLLTOOL_MACHINE)
  if(QORU_DLLTOOL MATCHES "llvm-dlltool")
    set(QORU_DLLTOOL_MACHINE -m i386:x86-64)
  endif()
  add_custom_command(TARGET qorucum POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DEXPORTS=${QORU_LINKER_DEF_FILE} -DDLL=$<TARGET_FILE_NAME:qorucum>
            -DOUTPUT=${QORU_DEF_FILE} -P ${CMAKE_CURRENT_LIST_DIR}/QoruDefFile.cmake
    COMMAND ${QORU_DLLTOOL} ${QORU_DLLTOOL_MACHINE} -d ${QORU_DEF_FILE} -D $<TARGET_FILE_NAME:qorucum>
            -l ${QORU_MSVC_IMPORT_LIB}
    BYPRODUCTS ${QORU_LINKER_DEF_FILE} ${QORU_DEF_FILE} ${QORU_MSVC_IMPORT_LIB}
    COMMENT "Import library for Microsoft's linker: qorucum.lib")
  install(FILES ${QORU_DEF_FILE} ${QORU_MSVC_IMPORT_LIB} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

# Packages are made only when qorucum is the project being built: a parent
# project keeps its own CPack settings.
if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()
set(CPACK_PACKAGE_NAME qorucum)
set(CPACK_PACKAGE_VENDOR qorucum)
set(CPACK_PACKAGE_CONTACT "qorucum developers <qorucum@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "C runtime for UTF-16 text (charU16): library, headers, CMake and pkg-config files")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  # The package's architecture is the target's, not the build machine's.
  if(QORU_ARCH STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  else()
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  endif()
  # The run-time dependencies from the library's own imports when dpkg-dev
  # is there to compute them; a cross build has no target packages to ask.
  find_program(QORU_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(QORU_DPKG_SHLIBDEPS AND NOT CMAKE_CROSSCOMPILING)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
  endif()
  # The library loads ICU itself at run time, so ICU is not a link dependency.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libicu${QORU_ICU_VERSION}")
endif()
include(CPack)
