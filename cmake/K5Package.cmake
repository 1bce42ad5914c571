# What `cpack` packs. On Windows: k5-iap-tool-<version>-win64.zip with the two
# programs (self-contained, stripped) and a short README for Windows users.
if(NOT WIN32)
  return()
endif()

install(TARGETS k5-iap RUNTIME DESTINATION .)
if(TARGET k5-iap-tool)
  install(TARGETS k5-iap-tool RUNTIME DESTINATION .)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME k5-iap-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "k5-iap-tool-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
