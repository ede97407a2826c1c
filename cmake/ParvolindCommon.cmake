# One INTERFACE target that every module links: language standard, warnings,
# strict Qt defines and the sanitizer option.
option(PARVOLIND_WERROR "Treat compiler warnings as errors" OFF)
option(PARVOLIND_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# The walk reads folders ahead and small files are copied in helper threads; this build
# finds data races there (it cannot be combined with the address sanitizer).
option(PARVOLIND_SANITIZE_THREADS "Build with ThreadSanitizer" OFF)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

add_library(parvolind_common INTERFACE)
target_compile_features(parvolind_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(parvolind_common INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast)
if(PARVOLIND_WERROR)
  target_compile_options(parvolind_common INTERFACE -Werror)
endif()
target_compile_definitions(parvolind_common INTERFACE
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_DISABLE_DEPRECATED_BEFORE=0x060400
  _FILE_OFFSET_BITS=64)
if(PARVOLIND_SANITIZE)
  target_compile_options(parvolind_common INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(parvolind_common INTERFACE -fsanitize=address,undefined)
endif()
if(PARVOLIND_SANITIZE_THREADS)
  if(PARVOLIND_SANITIZE)
    message(FATAL_ERROR "PARVOLIND_SANITIZE and PARVOLIND_SANITIZE_THREADS exclude each other")
  endif()
  target_compile_options(parvolind_common INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(parvolind_common INTERFACE -fsanitize=thread)
endif()

# Adds a static library for one layer from every .cpp file of its folder. The
# platform layer picks its OS subfolder itself, so subfolders are left out, unless
# RECURSIVE is given: the window layer's feature folders all belong to it, and a new
# folder can never drop out of the build.
function(parvolind_add_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 layer "RECURSIVE" "" "")
  if(layer_RECURSIVE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  else()
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC parvolind_common)
endfunction()
