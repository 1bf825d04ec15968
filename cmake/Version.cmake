# The one version number of a build, in every form the release needs.
#
# It is the project's version unless VIREOLA_VERSION names another (a package
# of an older number, as the upgrade tests install before the current one).
# Four fields, major.minor.patch.build:
#   VIREOLA_VERSION_RC     3,0,0,1   the version record's numeric versions
#   VIREOLA_VERSION_TEXT   3.00      its strings: major, two-digit minor
#   VIREOLA_VERSION_MSI    3.0.1     the package's ProductVersion
# and ${CMAKE_BINARY_DIR}/generated/Version.h with the same for the resource
# script and the tests, the executable's manifest there beside it, and
# release.env for scripts/package.sh.
if(VIREOLA_VERSION)
    set(version ${VIREOLA_VERSION})
else()
    set(version ${PROJECT_VERSION})
endif()
if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "version ${version}: four numbers wanted, major.minor.patch.build")
endif()
set(VIREOLA_VERSION_FULL ${version})
set(VIREOLA_VERSION_MAJOR ${CMAKE_MATCH_1})
set(VIREOLA_VERSION_MINOR ${CMAKE_MATCH_2})
set(VIREOLA_VERSION_PATCH ${CMAKE_MATCH_3})
set(VIREOLA_VERSION_BUILD ${CMAKE_MATCH_4})

# Windows Installer compares only major.minor.build (at most 255.255.65535),
# so patch and build share its third field: a new build of the same patch
# must still upgrade the one before it.
if(VIREOLA_VERSION_MAJOR GREATER 255 OR VIREOLA_VERSION_MINOR GREATER 99
   OR VIREOLA_VERSION_PATCH GREATER 64 OR VIREOLA_VERSION_BUILD GREATER 999)
    message(FATAL_ERROR "version ${version}: at most 255.99.64.999")
endif()
math(EXPR msi_build "${VIREOLA_VERSION_PATCH} * 1000 + ${VIREOLA_VERSION_BUILD}")
set(VIREOLA_VERSION_MSI ${VIREOLA_VERSION_MAJOR}.${VIREOLA_VERSION_MINOR}.${msi_build})

set(VIREOLA_VERSION_RC ${VIREOLA_VERSION_MAJOR},${VIREOLA_VERSION_MINOR},${VIREOLA_VERSION_PATCH},${VIREOLA_VERSION_BUILD})
if(VIREOLA_VERSION_MINOR LESS 10)
    set(VIREOLA_VERSION_TEXT ${VIREOLA_VERSION_MAJOR}.0${VIREOLA_VERSION_MINOR})
else()
    set(VIREOLA_VERSION_TEXT ${VIREOLA_VERSION_MAJOR}.${VIREOLA_VERSION_MINOR})
endif()

configure_file(${CMAKE_SOURCE_DIR}/res/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/Vireola.manifest.in ${CMAKE_BINARY_DIR}/generated/Vireola.manifest @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/release.env.in ${CMAKE_BINARY_DIR}/release.env @ONLY)
add_library(vireola_version INTERFACE)
target_include_directories(vireola_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
