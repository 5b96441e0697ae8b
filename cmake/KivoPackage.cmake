# Binary package: `cpack -G ZIP` in the build tree zips the install tree (see
# KivoInstall.cmake): DLLs and programs in bin/, headers in include/, import
# libraries, the type library and the CMake package in lib/, and beside them
# the README and the documentation. Programs install themselves in their own
# CMakeLists. Everything in bin/ imports only system DLLs and ours, because the
# mingw runtime is linked statically.
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
if(EXISTS ${CMAKE_SOURCE_DIR}/docs)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION docs)
endif()
# The examples, as a project that builds against the package alone.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION examples)
# The simulator's manual, which the guide points to, beside the guide.
install(FILES ${CMAKE_SOURCE_DIR}/tools/camera-sim/README.md DESTINATION docs RENAME camera-simulator.md)

set(CPACK_PACKAGE_NAME KivoClient)
set(CPACK_PACKAGE_VENDOR KivoClient)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Client library of the Kivo camera server, with simulator and tools")
# The exported C++ classes tie an application to the compiler family that
# built the DLL: the Visual Studio build is a package of its own.
if(MSVC)
    set(CPACK_PACKAGE_FILE_NAME KivoClient-${PROJECT_VERSION}-win64-msvc)
else()
    set(CPACK_PACKAGE_FILE_NAME KivoClient-${PROJECT_VERSION}-win64)
endif()
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
set(CPACK_GENERATOR ZIP)
# One folder KivoClient-<version>-win64 in the archive, laid out like an install prefix.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
