# The reference: `cmake --build <dir> --target docs` runs Doxygen over the
# public headers and writes <dir>/docs/html and <dir>/docs/man/man3 (one page
# per family and one linking page per export, so `man strlenU16` works). Any
# Doxygen warning, an undocumented export first of all, fails the target.
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  add_custom_target(docs COMMAND ${CMAKE_COMMAND} -E echo "docs: Doxygen not found (install doxygen)"
                    COMMAND ${CMAKE_COMMAND} -E false)
  return()
endif()
set(QORU_DOCS_DIR ${PROJECT_BINARY_DIR}/docs)
set(QORU_DOCS_INPUT ${PROJECT_SOURCE_DIR}/include/qorucum)
configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${QORU_DOCS_DIR}/Doxyfile @ONLY)
file(GLOB QORU_PUBLIC_HEADERS CONFIGURE_DEPENDS ${QORU_DOCS_INPUT}/*.h)
add_custom_target(docs
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${QORU_DOCS_DIR}/html ${QORU_DOCS_DIR}/man
  COMMAND Doxygen::doxygen ${QORU_DOCS_DIR}/Doxyfile
  COMMAND ${CMAKE_COMMAND} -DMAN_DIR=${QORU_DOCS_DIR}/man/man3 -P ${CMAKE_CURRENT_LIST_DIR}/QoruManPages.cmake
  SOURCES ${QORU_PUBLIC_HEADERS}
  COMMENT "Reference documentation (HTML and man pages) in ${QORU_DOCS_DIR}"
  VERBATIM)
