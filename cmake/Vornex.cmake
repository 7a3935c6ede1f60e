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

# vornex_test(<layer> [QT] DEPS targets...)
# Builds every .cpp under tests/<layer>/ into test_<layer> and registers its tests
# with CTest. With QT the program gets moc, QtTest and a main that makes a
# QApplication on the offscreen platform (tests/support/qt_test_main.cpp), so
# QTest drives real widgets without a display.
function(vornex_test layer)
  cmake_parse_arguments(A "QT" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  if(A_QT)
    add_executable(test_${layer} ${srcs} ${CMAKE_CURRENT_SOURCE_DIR}/support/qt_test_main.cpp)
    set_target_properties(test_${layer} PROPERTIES AUTOMOC ON)
    target_link_libraries(test_${layer} PRIVATE Qt6::Test)
    set(env ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  else()
    add_executable(test_${layer} ${srcs})
    target_link_libraries(test_${layer} PRIVATE GTest::gtest_main)
    set(env "")
  endif()
  target_link_libraries(test_${layer} PRIVATE ${A_DEPS} vornex_test_support GTest::gtest GTest::gmock)
  # Test code is compiled for build speed: most of the suite's compile time goes into
  # the code GoogleTest's macros expand to, while the code under test keeps the
  # build type's optimisation. Line tables stay for backtraces.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    if(VORNEX_SANITIZE)
      target_compile_options(test_${layer} PRIVATE -O0 -g1)
    elseif(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
      target_compile_options(test_${layer} PRIVATE -O1 -g1)
    endif()
  endif()
  target_compile_definitions(test_${layer} PRIVATE
    VORNEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VORNEX_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(test_${layer} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${layer} ${env})
endfunction()

# vornex_qt_library(<layer> [EXCLUDE files...] [DEPS targets...])
# Like vornex_library, for the Qt layers: moc, uic and rcc run on the sources
# (.cpp, .ui and .qrc under src/<layer>/), files named in EXCLUDE stay out.
function(vornex_qt_library layer)
  cmake_parse_arguments(A "" "" "EXCLUDE;DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(ex ${A_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${ex})
  endforeach()
  set(cpps ${srcs})
  list(FILTER cpps INCLUDE REGEX "\\.cpp$")
  if(cpps)
    add_library(vornex_${layer} STATIC ${srcs})
    set_target_properties(vornex_${layer} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
    target_include_directories(vornex_${layer} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(vornex_${layer} PUBLIC ${A_DEPS})
  else()
    add_library(vornex_${layer} INTERFACE)
    target_include_directories(vornex_${layer} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(vornex_${layer} INTERFACE ${A_DEPS})
  endif()
endfunction()
