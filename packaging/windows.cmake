# The Windows release (CPack ZIP): quorvafix-VERSION-windows-x86_64.zip with
# the programs at its top (quorvafix-cli.exe and the window program
# quorvafix.exe), the README, the guide, the licence and the sample
# exports. scripts/package-windows.sh builds and checks it.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
              ${PROJECT_SOURCE_DIR}/docs/guide.md
        DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples
        FILES_MATCHING PATTERN "*.reg")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorvafix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME quorvafix-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_STRIP_FILES ON)
include(CPack)
