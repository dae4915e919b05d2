# nlohmann/json (header only), libvterm and GoogleTest for both presets.

# nlohmann/json: Debian's header package. For the cross build we expose only
# its folder, never the whole of /usr/include.
find_path(OVELIN_NLOHMANN_DIR nlohmann/json.hpp
  PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(ovelin_json_inc "${CMAKE_BINARY_DIR}/deps-include")
file(MAKE_DIRECTORY "${ovelin_json_inc}")
file(CREATE_LINK "${OVELIN_NLOHMANN_DIR}/nlohmann" "${ovelin_json_inc}/nlohmann" SYMBOLIC)
add_library(ovelin_json INTERFACE)
target_include_directories(ovelin_json SYSTEM INTERFACE "${ovelin_json_inc}")

if(WIN32)
  # libvterm compiled from the Debian source package that scripts/setup fetched.
  file(GLOB ovelin_vterm_candidates LIST_DIRECTORIES true "${OVELIN_DEPS_DIR}/libvterm-*")
  list(FILTER ovelin_vterm_candidates EXCLUDE REGEX "\\.(tar|gz|xz|dsc)")
  list(SORT ovelin_vterm_candidates)
  list(POP_BACK ovelin_vterm_candidates OVELIN_VTERM_SOURCE_DIR)
  if(NOT OVELIN_VTERM_SOURCE_DIR OR NOT EXISTS "${OVELIN_VTERM_SOURCE_DIR}/src/vterm.c")
    message(FATAL_ERROR "libvterm source not found under ${OVELIN_DEPS_DIR}; run scripts/setup")
  endif()
  message(STATUS "libvterm source: ${OVELIN_VTERM_SOURCE_DIR}")
  file(GLOB ovelin_vterm_sources "${OVELIN_VTERM_SOURCE_DIR}/src/*.c")
  add_library(vterm STATIC ${ovelin_vterm_sources})
  target_include_directories(vterm SYSTEM PUBLIC "${OVELIN_VTERM_SOURCE_DIR}/include")
  target_include_directories(vterm PRIVATE "${OVELIN_VTERM_SOURCE_DIR}/src")
  target_compile_options(vterm PRIVATE -w)
  add_library(ovelin_vterm ALIAS vterm)

  # GoogleTest from the sources Debian installs with libgtest-dev.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(VTERM REQUIRED IMPORTED_TARGET vterm)
  add_library(ovelin_vterm INTERFACE)
  target_link_libraries(ovelin_vterm INTERFACE PkgConfig::VTERM)
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
endif()
