# pellar_library(<target> DIR <folder> [QT] [LIBS <libs>...])
# One static library from every .cpp directly in <folder>. A folder that has
# no sources yet gives an interface library, so the tree always configures.
function(pellar_library target)
  cmake_parse_arguments(P "QT" "DIR" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${P_DIR}/*.cpp")
  file(GLOB headers CONFIGURE_DEPENDS "${P_DIR}/*.h")
  if(sources)
    add_library(${target} STATIC ${sources} ${headers})
    target_link_libraries(${target} PUBLIC ${P_LIBS})
    if(NOT P_QT)
      set_target_properties(${target} PROPERTIES AUTOMOC OFF)
    endif()
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${P_LIBS})
  endif()
endfunction()

# pellar_test(<target> DIR <folder> LIBS <libs>...)
# One GoogleTest program from every .cpp in <folder>, registered with CTest
# test by test. Widget tests run on Qt's offscreen platform.
function(pellar_test target)
  cmake_parse_arguments(P "" "DIR" "LIBS;SOURCES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${P_DIR}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources} ${P_SOURCES})
  target_link_libraries(${target} PRIVATE ${P_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    PELLAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    PELLAR_AVR_AS="${AVR_AS}" PELLAR_AVR_LD="${AVR_LD}"
    PELLAR_AVR_OBJCOPY="${AVR_OBJCOPY}")
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
