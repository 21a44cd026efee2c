# The shipped Windows programs: install.exe, impborl.dll, uninstall.exe, mvpack.exe (and the stand-in
# flashax.exe that the sample package carries). They are built once, in one configuration, and the
# Win32 tests run against exactly those files.
#
# The Win32 test tree (mingw-i686.cmake, posix thread model) builds them as a sub-build of this same
# source (build/win32/shipped, toolchain mingw-i686-release.cmake, MV_SHIPPED_ONLY=ON) whose programs
# land at the top of the test tree (build/win32/install.exe, ...). In the test tree they are imported
# targets, so tests refer to them as before ($<TARGET_FILE:install_stub>, ...).
#
# The release configuration: optimised for size (-Oz, link-time optimisation), every function in a
# section of its own and unused ones dropped at link time, no symbols, no time stamps in the PE headers,
# no build paths in the code, deterministic archives: two builds of one commit give byte-identical
# programs. What each lever gives is in bench/size_bench.sh's README entry.
#
# MV_BUILD_SHIPPED tells the source folders whether to define the shipped programs' targets here.
option(MV_SHIPPED_ONLY "Build only the shipped Windows programs, in the release configuration" OFF)
option(MV_SHIPPED_SUBBUILD "Win32 test tree: build the shipped programs in a release sub-build" ON)
if(DEFINED ENV{MV_JOBS})
  set(MV_SHIPPED_JOBS $ENV{MV_JOBS} CACHE STRING "Parallel jobs of the shipped programs' sub-build")
else()
  set(MV_SHIPPED_JOBS 2 CACHE STRING "Parallel jobs of the shipped programs' sub-build")
endif()

# Options every shipped program links with.
# (A DLL's automatic image base is a hash of its output path: impborl.dll takes the fixed default instead.)
set(MV_RELEASE_LINK -s -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,--build-id=none -Wl,--disable-auto-image-base)
set(MV_NO_LTO "")
set(MV_WITH_EXCEPTIONS "")  # the trees of the tests keep the compiler's default (with exceptions)

if(NOT WIN32)
  set(MV_BUILD_SHIPPED ON)
  set(MV_OUTPUT_DIR ${CMAKE_BINARY_DIR})
  return()
endif()

if(MV_SHIPPED_ONLY)
  set(MV_BUILD_SHIPPED ON)
  if(NOT DEFINED MV_OUTPUT_DIR)
    set(MV_OUTPUT_DIR ${CMAKE_BINARY_DIR})
  endif()
  # No -fdata-sections: with it, mingw's GCC puts zero-initialised data into .data instead of .bss.
  # The programs are single-threaded (one user-interface thread) and use no RTTI
  # beyond what exceptions need, which -fno-rtti keeps.
  # Without C++ exceptions: failures travel as values (mv::Result), and a failed allocation ends the
  # program (src/runtime/lean_runtime.cpp). That leaves out the unwinder, the exception runtime, the
  # unwind tables and the clean-up paths: about a third of install.exe. mvpack.exe, which raises and
  # reports its errors as exceptions, turns them back on (MV_WITH_EXCEPTIONS, tools/CMakeLists.txt).
  # -fno-inline-functions-called-once: with the whole program in view, inlining every function that has
  # one caller builds a few very large functions whose registers spill; kept apart they are about 6 KB
  # smaller in install.exe. -fno-early-inlining: the early inliner copies small functions in before it
  # can see what they cost; the later inliner still takes those that make the caller smaller (3 KB).
  add_compile_options(-Oz -fno-inline-functions-called-once -fno-early-inlining
    -ffunction-sections -fno-asynchronous-unwind-tables -fno-unwind-tables
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>
    $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti> $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>
    $<$<COMPILE_LANGUAGE:CXX>:--include=${CMAKE_SOURCE_DIR}/src/runtime/no_extern_templates.h>
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=src/ -ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/)
  add_link_options(${MV_RELEASE_LINK})
  # Link-time optimisation across the whole program, in one partition: GCC 12 for mingw stops with an
  # internal error when it splits these programs into several.
  # mvpack.exe and impborl.dll are linked without it (MV_NO_LTO): GCC fails on mvpack.exe in any
  # partitioning, and drops the functions that only impborl.def exports. Fat objects carry the
  # ordinary code for them.
  set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
  add_compile_options(-ffat-lto-objects)
  add_link_options(-flto-partition=one)
  set(MV_NO_LTO -fno-lto)
  set(MV_WITH_EXCEPTIONS -fexceptions)
  foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
    set(CMAKE_${lang}_ARCHIVE_CREATE_IPO "\"${CMAKE_${lang}_COMPILER_AR}\" qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND_IPO "\"${CMAKE_${lang}_COMPILER_AR}\" qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH_IPO "\"${CMAKE_${lang}_COMPILER_RANLIB}\" -D <TARGET>")
  endforeach()
  return()
endif()

if(NOT MV_SHIPPED_SUBBUILD)
  # One tree with everything (tests and programs alike) in this tree's configuration.
  set(MV_BUILD_SHIPPED ON)
  set(MV_OUTPUT_DIR ${CMAKE_BINARY_DIR})
  return()
endif()

set(MV_BUILD_SHIPPED OFF)
set(MV_OUTPUT_DIR ${CMAKE_BINARY_DIR})
set(MV_SHIPPED_FILES install.exe impborl.dll uninstall.exe flashax.exe mvpack.exe)
set(shipped_paths "")
foreach(f ${MV_SHIPPED_FILES})
  list(APPEND shipped_paths ${CMAKE_BINARY_DIR}/${f})
endforeach()

include(ExternalProject)
ExternalProject_Add(mv_shipped
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/shipped
  PREFIX ${CMAKE_BINARY_DIR}/shipped-stamps
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686-release.cmake
    -DCMAKE_BUILD_TYPE=MinSizeRel
    -DMV_SHIPPED_ONLY=ON
    -DMV_OUTPUT_DIR=${CMAKE_BINARY_DIR}
    -DMV_CACHE=${MV_CACHE}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j${MV_SHIPPED_JOBS}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${shipped_paths}
  USES_TERMINAL_BUILD ON)

# The shipped programs under the names the tests know.
add_executable(install_stub IMPORTED GLOBAL)
set_target_properties(install_stub PROPERTIES IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/install.exe)
add_library(impborl SHARED IMPORTED GLOBAL)
set_target_properties(impborl PROPERTIES IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/impborl.dll
  IMPORTED_IMPLIB ${CMAKE_BINARY_DIR}/impborl.dll)
add_executable(sample_uninstall IMPORTED GLOBAL)
set_target_properties(sample_uninstall PROPERTIES IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/uninstall.exe)
add_executable(sample_flashax IMPORTED GLOBAL)
set_target_properties(sample_flashax PROPERTIES IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/flashax.exe)
add_executable(mvpack IMPORTED GLOBAL)
set_target_properties(mvpack PROPERTIES IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/mvpack.exe)
foreach(t install_stub impborl sample_uninstall sample_flashax mvpack)
  add_dependencies(${t} mv_shipped)
endforeach()
