# corvina_library(NAME FOLDERS folder... [DEPENDS library...]): a static library of every .cpp
# directly in the folders, except the program entry points (*_main.cpp), linked to exactly the
# libraries it uses. New files are picked up at the next build.
function(corvina_library name)
  cmake_parse_arguments(arg "" "" "FOLDERS;DEPENDS" ${ARGN})
  set(sources)
  foreach(folder IN LISTS arg_FOLDERS)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  if(NOT sources)
    # An empty folder still yields a library so the link lines stay the same as it grows.
    set(stub "${CMAKE_BINARY_DIR}/empty/${name}.cpp")
    file(WRITE "${stub}" "// no sources yet\n")
    set(sources "${stub}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
  if(arg_DEPENDS)
    target_link_libraries(${name} PUBLIC ${arg_DEPENDS})
  endif()
endfunction()

# The library of each folder, for corvina_link_included.
set(CORVINA_FOLDER_LIBRARIES
    platform=corvina_platform platform/gui=corvina_gui
    formatter/common=tavrel_common formatter/fonts=tavrel_fonts
    formatter/formatting=tavrel_formatting formatter/hyphenation=tavrel_hyphenation
    formatter/pages=tavrel_pages formatter/derived=tavrel_derived
    formatter/windows=tavrel_windows formatter/app=tavrel_app
    compiler/foundation=skeldon_foundation compiler/passes=skeldon_compile
    compiler/writers=skeldon_compile compiler/reverse=skeldon_reverse
    compiler/publish=skeldon_publish
    compiler/program=skeldon_program tools/do=do_tool
    tools/install=install_tool)

# corvina_link_included(TARGET FILE...): links TARGET (a test, benchmark or fuzz target) to the
# libraries whose headers the files include, and to nothing else. Included test helpers
# (tests/...) are read too.
function(corvina_link_included target)
  set(libs)
  set(files ${ARGN})
  while(files)
    list(POP_FRONT files file)
    file(STRINGS "${file}" lines REGEX "^#include \"")
    foreach(line IN LISTS lines)
      if(line MATCHES "^#include \"((tests|fuzz)/[^\"]+)\"")
        list(APPEND files "${CMAKE_SOURCE_DIR}/${CMAKE_MATCH_1}")
      endif()
      foreach(entry IN LISTS CORVINA_FOLDER_LIBRARIES)
        string(REPLACE "=" ";" pair "${entry}")
        list(GET pair 0 folder)
        list(GET pair 1 lib)
        if(line MATCHES "^#include \"${folder}/[^/]+\"")
          list(APPEND libs ${lib})
        endif()
      endforeach()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES libs)
  target_link_libraries(${target} PRIVATE ${libs})
endfunction()
