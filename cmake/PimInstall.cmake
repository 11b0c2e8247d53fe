# What `cmake --install` puts for applications: the shared libraries with their version and soname,
# the public headers under include/pim keeping their folders, the CMake package Pim (Pim::pimrun, and
# Pim::pimdsgn where the design library is built) and a pkg-config file for each library (pimrun.pc,
# pimdsgn.pc). Headers that only a unit's own sources share (named *_internal.h or *Internal.h) stay behind.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(PIM_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/pim)
set(PIM_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Pim)

set(PIM_INSTALLED_LIBRARIES pimrun)
set(PIM_INSTALLED_FOLDERS ${PIM_RUN_FOLDERS})
if(TARGET pimdsgn)
    list(APPEND PIM_INSTALLED_LIBRARIES pimdsgn)
    list(APPEND PIM_INSTALLED_FOLDERS design)
    # The design library finds the runtime library beside it: a program that calls only the design
    # library needs no path of its own to libpimrun, which its run path would not lend to a library.
    set_target_properties(pimdsgn PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()

foreach(library ${PIM_INSTALLED_LIBRARIES})
    set_target_properties(${library} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
    # The names an application links with, the same in this build as from the installed package.
    add_library(Pim::${library} ALIAS ${library})
endforeach()

install(TARGETS ${PIM_INSTALLED_LIBRARIES} EXPORT PimTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${PIM_INSTALL_INCLUDEDIR})
foreach(folder ${PIM_INSTALLED_FOLDERS})
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/${folder}/ DESTINATION ${PIM_INSTALL_INCLUDEDIR}/${folder}
        FILES_MATCHING PATTERN "*.h" PATTERN "*_internal.h" EXCLUDE PATTERN "*Internal.h" EXCLUDE)
endforeach()

install(EXPORT PimTargets NAMESPACE Pim:: DESTINATION ${PIM_INSTALL_CMAKEDIR})
if(TARGET Cups::Cups)
    set(PIM_WITH_CUPS ON)
    set(PIM_PC_CUPS -lcups)
else()
    set(PIM_WITH_CUPS OFF)
    set(PIM_PC_CUPS "")
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/PimConfig.cmake.in ${CMAKE_BINARY_DIR}/PimConfig.cmake
    INSTALL_DESTINATION ${PIM_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/PimConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/PimConfig.cmake ${CMAKE_BINARY_DIR}/PimConfigVersion.cmake
    DESTINATION ${PIM_INSTALL_CMAKEDIR})

# The prefix is found from where the file lies, so `cmake --install --prefix` may put it anywhere.
file(RELATIVE_PATH PIM_PC_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" PIM_PC_PREFIX ${PIM_PC_PREFIX})
foreach(library ${PIM_INSTALLED_LIBRARIES})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${library}.pc.in ${CMAKE_BINARY_DIR}/${library}.pc @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/${library}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

# What `make install` builds before installing.
add_custom_target(piminstallable DEPENDS ${PIM_INSTALLED_LIBRARIES})
