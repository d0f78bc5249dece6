# corvina_library(NAME FOLDER): a static library of every .cpp directly in FOLDER, except the
# program entry points (*_main.cpp). New files are picked up at the next build.
function(corvina_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  if(NOT sources)
    # An empty folder still yields a library so the link lines stay the same as it grows.
    set(stub "${CMAKE_BINARY_DIR}/empty/${name}.cpp")
    file(WRITE "${stub}" "// no sources yet\n")
    set(sources "${stub}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
endfunction()
