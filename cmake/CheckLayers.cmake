# Checks that every include in src/ stays in its own folder or reaches a layer below it that the
# build lets the folder use (CMakeLists.txt, corvane_layer). Unit tests beside the code
# (*_test.cpp) are held to the same rule; they may also include what the tests share
# (tests/support, included as "support/..."), which may include anything.
#
#   cmake -DSOURCE_DIR=<source tree> -DLAYERS=<build>/Layers.cmake -P CheckLayers.cmake
#
# Layers.cmake sets CORVANE_LAYERS (the folders under src/, one per layer) and, per folder,
# CORVANE_MAY_INCLUDE_<folder> (the folders its files may include, its own among them).
#
# It also checks that business code (every layer above src/request) reaches the database only
# through the gateway (request/SqlGateway.h, which rewrites every text on its way): no call of a
# connection's execute or transaction members, and no record set opened by hand. A connection's
# own open (one argument, its connection string) is allowed.

cmake_minimum_required(VERSION 3.24)
include(${LAYERS})

# The layer folder of a path under src/: platform/<part>, else its first folder.
function(layer_folder path result)
  if(path MATCHES "^(platform/[^/]+)/")
    set(${result} ${CMAKE_MATCH_1} PARENT_SCOPE)
  elseif(path MATCHES "^([^/]+)/")
    set(${result} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    set(${result} "" PARENT_SCOPE)
  endif()
endfunction()

set(refused)
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
foreach(file IN LISTS files)
  get_filename_component(name ${file} NAME)
  set(isTest FALSE)
  if(name MATCHES "_test\\.cpp$")
    set(isTest TRUE)
  endif()
  layer_folder(${file} folder)
  if(NOT folder IN_LIST CORVANE_LAYERS)
    list(APPEND refused "src/${file}: its folder is in no layer")
    continue()
  endif()

  if(NOT isTest AND NOT folder STREQUAL "request" AND "request" IN_LIST CORVANE_MAY_INCLUDE_${folder})
    file(STRINGS ${SOURCE_DIR}/src/${file} calls
         REGEX "\\.(execute|open|openReadOnly|beginTrans|commitTrans|rollbackTrans)\\(")
    foreach(line IN LISTS calls)
      if(NOT line MATCHES "\\.open\\([A-Za-z_]+\\);")
        string(STRIP "${line}" line)
        list(APPEND refused "src/${file}: reaches the database past the gateway: ${line}")
      endif()
    endforeach()
  endif()

  file(STRINGS ${SOURCE_DIR}/src/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" included "${line}")
    if(isTest AND included MATCHES "^support/")
      continue()  # what the tests share
    endif()
    layer_folder(${included} includedFolder)
    if(NOT includedFolder IN_LIST CORVANE_MAY_INCLUDE_${folder})
      list(APPEND refused "src/${file}: includes \"${included}\", above or beside ${folder}")
    endif()
  endforeach()
endforeach()

if(refused)
  list(JOIN refused "\n" report)
  message(FATAL_ERROR "Includes that leave their layer, or calls past the database gateway:\n${report}")
endif()
list(LENGTH files count)
message(STATUS "${count} files under src/ include only their own layer and the layers below it, "
               "and business code reaches the database through the gateway")
