# mv_add_gtest(name SOURCES... LIBS...): a GoogleTest program, registered with CTest.
# Natively it runs directly; in the Win32 build it runs under Wine through scripts/wine-run.sh, which gives
# every run its own WINEPREFIX (copied from a template made once) and stops that prefix's wineserver at the end.
# Label "wine" marks the Win32 ones; label "gui" asks for an X display (Xvfb).
if(WIN32)
  find_package(Threads)
  set(GTEST_ROOT ${MV_CACHE}/gtest-mingw)
  add_library(mv_gtest STATIC IMPORTED)
  set_target_properties(mv_gtest PROPERTIES IMPORTED_LOCATION ${GTEST_ROOT}/lib/libgtest.a
    INTERFACE_INCLUDE_DIRECTORIES ${GTEST_ROOT}/include)
  add_library(mv_gmock STATIC IMPORTED)
  set_target_properties(mv_gmock PROPERTIES IMPORTED_LOCATION ${GTEST_ROOT}/lib/libgmock.a)
  set(MV_GTEST_LIBS mv_gmock mv_gtest)
else()
  find_package(GTest REQUIRED)
  set(MV_GTEST_LIBS GTest::gmock GTest::gtest)
endif()

# Every GoogleTest program's main (tests/common/gtest_main.cpp): a run that skipped a case exits with 77,
# which CTest then reports as skipped (SKIP_RETURN_CODE below) instead of passed.
function(mv_add_gtest name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TARGET mv_test_main)
    add_library(mv_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/common/gtest_main.cpp)
    target_link_libraries(mv_test_main PUBLIC ${MV_GTEST_LIBS})
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} mv_test_main ${MV_GTEST_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)  # common/: the tests' shared helpers
  if(WIN32)
    target_link_options(${name} PRIVATE ${MV_STATIC_LINK})
    set(gui "")
    if(T_GUI)
      set(gui "--gui")
    endif()
    add_test(NAME wine.${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${gui} $<TARGET_FILE:${name}>)
    set_tests_properties(wine.${name} PROPERTIES LABELS "wine" TIMEOUT 600 SKIP_RETURN_CODE 77)
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "native" TIMEOUT 300 SKIP_RETURN_CODE 77
      ENVIRONMENT "MV_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data;MV_BUILD=${CMAKE_BINARY_DIR}")
  endif()
endfunction()
