# System libraries, all from Debian packages (scripts/bootstrap installs them).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

if(WIN32)
  # The UnRAR library from Debian's source, built here for mingw; its header
  # is reached as <unrar/dll.hpp>, as on Linux.
  add_subdirectory(${PROJECT_SOURCE_DIR}/third_party/unrar ${CMAKE_BINARY_DIR}/unrar EXCLUDE_FROM_ALL)
  # The header takes its types from <windows.h> without including it: the
  # forwarder includes it first.
  file(REMOVE ${CMAKE_BINARY_DIR}/unrar-include/unrar/dll.hpp)
  file(WRITE ${CMAKE_BINARY_DIR}/unrar-include/unrar/dll.hpp
    "#pragma once\n#include <windows.h>\n#include \"${UNRAR_SOURCE_DIR}/dll.hpp\"\n")
  target_include_directories(unrar_static SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/unrar-include)
  add_library(unrar::unrar ALIAS unrar_static)
else()
  # The UnRAR library ships a header that expects _UNIX on POSIX systems.
  find_path(UNRAR_INCLUDE_DIR unrar/dll.hpp REQUIRED)
  find_library(UNRAR_LIBRARY NAMES unrar REQUIRED)
  add_library(unrar::unrar UNKNOWN IMPORTED)
  set_target_properties(unrar::unrar PROPERTIES
    IMPORTED_LOCATION ${UNRAR_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${UNRAR_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS _UNIX)

  pkg_check_modules(MOUNT REQUIRED IMPORTED_TARGET mount)
  pkg_check_modules(BLKID REQUIRED IMPORTED_TARGET blkid)
endif()

if(OSTREL_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test Svg Gui PrintSupport)
endif()

if(WIN32)
  # GoogleTest from Debian's source package, built with the cross compiler
  # (it names its targets GTest::gtest and GTest::gtest_main itself).
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
elseif(NOT OSTREL_FUZZ)
  find_package(GTest REQUIRED)
  find_package(benchmark REQUIRED)
endif()

# Real archives made by other tools sit beside the checkout; tests skip without them.
set(OSTREL_FIXTURES_DIR ${CMAKE_SOURCE_DIR}/../shared/fixtures CACHE PATH "Shared test fixtures")
