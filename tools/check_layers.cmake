# Fails when a source file includes from a folder above its own, or when a
# Qt header appears outside gui/. Run as
#   cmake -DSOURCE_DIR=<tree> -P tools/check_layers.cmake
# The order, lowest first; cli and gui are both on top and never include each
# other. Files inside one folder may include each other freely.
set(layers foundation xml imaging options album script jobs cli gui)
set(top_rank 7)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check_layers: pass -DSOURCE_DIR=<source tree>")
endif()

function(layer_rank folder out)
  list(FIND layers ${folder} rank)
  if(rank GREATER top_rank)
    set(rank ${top_rank})
  endif()
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

set(faults "")
foreach(folder IN LISTS layers)
  layer_rank(${folder} own_rank)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      if(NOT folder STREQUAL "gui" AND line MATCHES "include[ \t]*<(Q|qt)")
        list(APPEND faults "${file}: a Qt header outside gui/: ${line}")
      endif()
      if(line MATCHES "include[ \t]*\"([a-z_]+)/" AND NOT CMAKE_MATCH_1 STREQUAL folder)
        set(target ${CMAKE_MATCH_1})
        list(FIND layers ${target} known)
        if(known EQUAL -1)
          continue()
        endif()
        layer_rank(${target} target_rank)
        if(target_rank GREATER own_rank OR target_rank EQUAL own_rank)
          list(APPEND faults "${file} includes ${target}/, which is not below ${folder}/")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

# The benchmarks build without Qt too; the desktop program's own lives in gui/.
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/bench/*.cpp)
foreach(file IN LISTS files)
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*<(Q|qt)")
  foreach(line IN LISTS includes)
    list(APPEND faults "${file}: a Qt header outside gui/: ${line}")
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  list(JOIN layers " < " order)
  message(FATAL_ERROR "Include order broken (${order}):\n  ${text}")
endif()
