cmake_minimum_required(VERSION 3.25)
# Fails the build when a source file includes against the layers: a folder from a higher layer, a subfolder
# the other way round from its one direction, Qt in the core or a view model, or the X11, xcb and AT-SPI
# headers outside the Linux backends.
# Run as: cmake -DSOURCE_DIR=<repository>/src -DLAYERS=a,b,... -DCORE_LAYERS=a,b,... [-DSTAMP=<file>]
#   -P LayerCheck.cmake
string(REPLACE "," ";" order "${LAYERS}")
string(REPLACE "," ";" core "${CORE_LAYERS}")

# Subfolders inside one layer, three entries a rule: the includer, the included (regular expressions on the
# path) and why that way is wrong.
set(subfolder_rules
  "^[^/]+/model/" "^([a-z]+/widgets|ui)/" "is logic but includes a widget"
  "^platform/memory/" "^platform/linux/" "is a double but includes a Linux backend"
  "^platform/linux/" "^platform/memory/" "is a Linux backend but includes a double"
  "^platform/[^/]+$" "^platform/(memory|linux)/" "is an interface but includes one of its implementations"
  # formatting/ sits above its parent: it includes classification/, never the other way round.
  "^classification/[^/]+$" "^classification/formatting/" "is below formatting/ but includes it")
list(LENGTH subfolder_rules rule_entries)
math(EXPR last_rule "${rule_entries} - 3")

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.inc
  ${SOURCE_DIR}/*.h.in)
set(failures 0)
foreach(file ${files})
  string(REGEX MATCH "^[^/]+" from ${file})
  list(FIND order ${from} from_rank)
  set(no_qt FALSE)
  if((from IN_LIST core AND NOT file MATCHES "^platform/linux/") OR file MATCHES "^[^/]+/model/")
    set(no_qt TRUE)
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^#include ")
  foreach(line ${lines})
    if(line MATCHES "^#include \"(([a-z]+)/[^\"]*)\"")
      set(included ${CMAKE_MATCH_1})
      set(to ${CMAKE_MATCH_2})
      list(FIND order ${to} to_rank)
      if(from_rank GREATER_EQUAL 0 AND to_rank GREATER from_rank)
        message(SEND_ERROR "${file} reaches up the layers: ${line}")
        math(EXPR failures "${failures} + 1")
      endif()
      if(from IN_LIST core AND NOT from STREQUAL "platform" AND included MATCHES "^platform/(memory|linux)/")
        message(SEND_ERROR "${file} is in the core but includes a platform target above it: ${line}")
        math(EXPR failures "${failures} + 1")
      endif()
      foreach(index RANGE 0 ${last_rule} 3)
        math(EXPR target_index "${index} + 1")
        math(EXPR why_index "${index} + 2")
        list(GET subfolder_rules ${index} includer)
        list(GET subfolder_rules ${target_index} target)
        list(GET subfolder_rules ${why_index} why)
        if(file MATCHES "${includer}" AND included MATCHES "${target}")
          message(SEND_ERROR "${file} ${why}: ${line}")
          math(EXPR failures "${failures} + 1")
        endif()
      endforeach()
    elseif(no_qt AND line MATCHES "^#include <Q")
      message(SEND_ERROR "${file} must stay free of Qt: ${line}")
      math(EXPR failures "${failures} + 1")
    elseif(line MATCHES "^#include <(X11|xcb|atspi|at-spi-2\\.0|atk-bridge)/" AND NOT file MATCHES "^platform/linux/")
      message(SEND_ERROR "${file} speaks to X11 or AT-SPI outside the Linux backends: ${line}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
endforeach()
list(LENGTH files count)
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} includes break the layers")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
message(STATUS "${count} files follow the layers")
