# vornex_library(<layer> [DEPS targets...] [PRIVATE_DEPS targets...])
# Builds every .cpp under src/<layer>/ into the static library vornex_<layer>.
# Files are globbed so that adding a source file needs no CMake edit.
function(vornex_library layer)
  cmake_parse_arguments(A "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(srcs)
    add_library(vornex_${layer} STATIC ${srcs})
    target_include_directories(vornex_${layer} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(vornex_${layer} PUBLIC ${A_DEPS} PRIVATE ${A_PRIVATE_DEPS})
  else()
    add_library(vornex_${layer} INTERFACE)
    target_include_directories(vornex_${layer} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(vornex_${layer} INTERFACE ${A_DEPS})
  endif()
endfunction()

# vornex_test(<layer> DEPS targets...)
# Builds every .cpp under tests/<layer>/ into test_<layer> and registers its tests with CTest.
function(vornex_test layer)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${layer} ${srcs})
  target_link_libraries(test_${layer} PRIVATE ${A_DEPS} vornex_test_support GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_${layer} PRIVATE
    VORNEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VORNEX_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(test_${layer} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${layer})
endfunction()
