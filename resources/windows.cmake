# The Windows build's resources: resources/quorvafix.rc (written from the
# tables, resource_script.h) compiled by windres into the tool and the
# window program (shell/), and a test that Windows loads from it exactly the
# items of the tables.
target_sources(quorvafix-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/quorvafix.rc)
quorvafix_add_test(win32_resources_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/win32_resources_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/testing/win32_resource_calls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/quorvafix.rc
  LIBS app_resources)

# Each program's application manifest (common controls 6, per-monitor DPI
# awareness, long paths, the Windows versions it knows) and version
# resource, which Explorer's Properties show: the version is the project's,
# the company and copyright the LICENSE's holder.
function(quorvafix_windows_version target description)
  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE quorvafix_copyright REGEX "^Copyright ")
  string(REGEX REPLACE "^Copyright \\(c\\) [0-9]+ " "" quorvafix_holder "${quorvafix_copyright}")
  set(QUORVAFIX_FILE_NAME "${target}.exe")
  set(QUORVAFIX_INTERNAL_NAME "${target}")
  set(QUORVAFIX_DESCRIPTION "${description}")
  set(QUORVAFIX_COMPANY "${quorvafix_holder}")
  set(QUORVAFIX_COPYRIGHT "${quorvafix_copyright}, MIT License")
  set(QUORVAFIX_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(QUORVAFIX_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(QUORVAFIX_MANIFEST "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest")
  configure_file(${PROJECT_SOURCE_DIR}/resources/quorvafix.manifest.in ${QUORVAFIX_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/resources/version.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc PROPERTIES
    OBJECT_DEPENDS ${QUORVAFIX_MANIFEST})
endfunction()
quorvafix_windows_version(quorvafix-cli "QUORVAFIX command-line tool")
