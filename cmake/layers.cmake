# The driver's layers are libraries, each in its folder: support <- reader <- driver. A layer sees
# its own headers and those of the layers below it, and no others: its include root holds links
# to those folders only, so that an include against the arrows does not compile. A root is the
# target's own (a library's users get none of it), so a program or a library above a layer names
# what it sees itself. The driver's
# public headers (driver/public: standard library only) are seen by every layer that declares or
# defines what they name, and they are all that the front end sees of the driver.
function(tarn_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "SEES")
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${root})
  foreach(folder IN LISTS LAYER_SEES)
    if(NOT EXISTS ${root}/${folder})
      get_filename_component(parent ${root}/${folder} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PRIVATE ${root})
endfunction()
