# Installation: DLLs and programs in bin/, import libraries and the CMake package
# in lib/, headers in include/ (the MFC headers of the stand-in in include/mfc),
# and in share/KivoClient/ the toolchain file and the Wine runner the project
# builds and runs with, with the scripts the runner calls.
include(CMakePackageConfigHelpers)

install(TARGETS KivoClient KivoClientHeaders KivoCommonHeaders KivoCameraInterface
    EXPORT KivoClientTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The headers an application includes: the client, its exception, the two
# paint devices and the camera server's interface.
install(FILES ${CMAKE_SOURCE_DIR}/include/KivoClient.h
              ${CMAKE_SOURCE_DIR}/include/KivoClientException.h
              ${CMAKE_SOURCE_DIR}/include/KivoClientPaintDC.h
              ${CMAKE_SOURCE_DIR}/include/KivoClientMaskPaintDC.h
              ${CMAKE_BINARY_DIR}/generated/KivoCamera.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# What those need for the layout of their classes (the worker the client holds
# by value, its owner types), apart, on the include path but for no one to include.
set(KIVO_DETAIL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/KivoClientDetail)
install(FILES ${CMAKE_SOURCE_DIR}/include/KivoClientThread.h
              ${CMAKE_SOURCE_DIR}/include/KivoClientExport.h
              ${CMAKE_SOURCE_DIR}/src/common/KivoHandle.h
              ${CMAKE_SOURCE_DIR}/src/common/KivoFrame.h
              ${CMAKE_SOURCE_DIR}/src/common/KivoFrameSet.h
              ${CMAKE_SOURCE_DIR}/src/common/KivoGdiplusScope.h
              ${CMAKE_SOURCE_DIR}/src/common/KivoThreadAttachTable.h
              ${CMAKE_SOURCE_DIR}/src/common/KivoUniqueResource.h
              ${CMAKE_SOURCE_DIR}/cmake/KivoClientDetail.txt
        DESTINATION ${KIVO_DETAIL_INCLUDEDIR})
install(FILES ${CMAKE_BINARY_DIR}/generated/KivoCamera.tlb
              ${CMAKE_SOURCE_DIR}/src/camera/KivoCamera.idl
        DESTINATION ${CMAKE_INSTALL_LIBDIR})

set(KIVO_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/KivoClient)
if(NOT MSVC)
    install(FILES ${CMAKE_SOURCE_DIR}/cmake/toolchain-mingw64.cmake DESTINATION ${KIVO_SHARE_DIR})
    install(PROGRAMS ${CMAKE_SOURCE_DIR}/cmake/kivo-wine-run.sh
                     ${CMAKE_SOURCE_DIR}/cmake/wine-env.sh
                     ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh
            DESTINATION ${KIVO_SHARE_DIR})
endif()

set(KIVO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KivoClient)
install(EXPORT KivoClientTargets NAMESPACE KivoClient:: DESTINATION ${KIVO_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/KivoClientConfig.cmake.in
    ${CMAKE_BINARY_DIR}/KivoClientConfig.cmake
    INSTALL_DESTINATION ${KIVO_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/KivoClientConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/KivoClientConfig.cmake
              ${CMAKE_BINARY_DIR}/KivoClientConfigVersion.cmake
        DESTINATION ${KIVO_CMAKE_DIR})
