# SPDX-License-Identifier: GPL-3.0-or-later
# One place for the language level, warnings and Qt defines of every target.
add_library(prandel_options INTERFACE)
target_compile_features(prandel_options INTERFACE cxx_std_20)
target_compile_options(prandel_options INTERFACE -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor
  -Woverloaded-virtual -Wcast-qual)
if(PRANDEL_WERROR)
  target_compile_options(prandel_options INTERFACE -Werror)
endif()
target_compile_definitions(prandel_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_STRICT_ITERATORS
  QT_DISABLE_DEPRECATED_UP_TO=0x060000)

# Hardening of the builds that get installed. Executables are position-independent
# everywhere; _FORTIFY_SOURCE needs the optimiser, so Debug (the sanitizer build) goes
# without it rather than warn.
include(CheckPIESupported)
check_pie_supported(OUTPUT_VARIABLE _pie_output LANGUAGES CXX)
if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
  message(WARNING "The linker makes no position-independent executables: ${_pie_output}")
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
target_compile_definitions(prandel_options INTERFACE "$<${_optimised}:_FORTIFY_SOURCE=2>")
target_compile_options(prandel_options INTERFACE "$<${_optimised}:-fstack-protector-strong>")
target_link_options(prandel_options INTERFACE "$<${_optimised}:LINKER:-z,relro,-z,now>")

# gcc leaves float-cast-overflow out of "undefined": a NaN or huge Double from a file
# cast to an integer is exactly the fault these builds look for.
if(PRANDEL_SANITIZE)
  target_compile_options(prandel_options INTERFACE -fsanitize=address,undefined,float-cast-overflow
    -fno-omit-frame-pointer -fno-sanitize-recover=undefined,float-cast-overflow)
  target_link_options(prandel_options INTERFACE -fsanitize=address,undefined,float-cast-overflow)
endif()
# Every library of a fuzzing tree carries libFuzzer's coverage and the sanitizers;
# only the fuzz targets link libFuzzer itself.
if(PRANDEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "PRANDEL_FUZZ needs clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  target_compile_options(prandel_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined,float-cast-overflow
    -fno-omit-frame-pointer -fno-sanitize-recover=undefined,float-cast-overflow)
  target_link_options(prandel_options INTERFACE -fsanitize=address,undefined,float-cast-overflow)
endif()

# prandel_library(name dir file...): a static library of the files named, relative to
# its folder. The files are listed by name, not globbed, so that the build says what each
# library holds and a file that lands in a folder does not join a library unasked.
function(prandel_library name dir)
  set(_src ${ARGN})
  list(TRANSFORM _src PREPEND ${dir}/)
  add_library(${name} STATIC ${_src})
  target_link_libraries(${name} PUBLIC prandel_options)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/AppIcon.cmake)
