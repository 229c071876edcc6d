# System libraries, all from Debian packages (scripts/bootstrap installs them).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

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

if(OSTREL_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test Svg Gui PrintSupport)
endif()

if(NOT OSTREL_FUZZ)
  find_package(GTest REQUIRED)
  find_package(benchmark REQUIRED)
endif()

# Real archives made by other tools sit beside the checkout; tests skip without them.
set(OSTREL_FIXTURES_DIR ${CMAKE_SOURCE_DIR}/../shared/fixtures CACHE PATH "Shared test fixtures")
