# One INTERFACE target that every module links: language standard, warnings,
# strict Qt defines and the sanitizer option.
option(PARVOLIND_WERROR "Treat compiler warnings as errors" OFF)
option(PARVOLIND_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

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

# Adds a static library for one layer from every .cpp file of its folder
# (not recursing into platform subfolders, which the platform layer picks itself).
function(parvolind_add_layer name)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC parvolind_common)
endfunction()
