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
