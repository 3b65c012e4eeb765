cmake_minimum_required(VERSION 3.25)
# Plants one include fault at a time in a small source tree and runs the layer check on it: each must fail,
# naming the planted file; a tree of allowed includes must pass.
# Run as: cmake -DCHECK=<LayerCheck.cmake> -DWORK_DIR=<folder> -DLAYERS=a,b,... -DCORE_LAYERS=a,b,...
#   -P LayerCheckTest.cmake
string(REPLACE "," ";" layers "${LAYERS}")
set(failures 0)

# Writes the files given as path/contents pairs into a fresh tree with a folder for every layer.
function(plant_tree)
  file(REMOVE_RECURSE ${WORK_DIR})
  foreach(layer ${layers})
    file(MAKE_DIRECTORY ${WORK_DIR}/src/${layer})
  endforeach()
  set(entries ${ARGN})
  list(LENGTH entries count)
  if(count GREATER 0)
    math(EXPR last "${count} - 2")
    foreach(index RANGE 0 ${last} 2)
      math(EXPR contents_index "${index} + 1")
      list(GET entries ${index} path)
      list(GET entries ${contents_index} contents)
      file(WRITE ${WORK_DIR}/src/${path} "${contents}\n")
    endforeach()
  endif()
endfunction()

# Runs the check on the planted tree; sets result and (line breaks folded into spaces) output in the caller.
function(run_check)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK_DIR}/src -DLAYERS=${LAYERS}
    -DCORE_LAYERS=${CORE_LAYERS} ${ARGN} -P ${CHECK}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \t\r\n]+" " " flat "${out}${err}")
  set(result ${code} PARENT_SCOPE)
  set(output "${flat}" PARENT_SCOPE)
endfunction()

function(expect_fault name expected)
  run_check(${CHECK_ARGUMENTS})
  if(result EQUAL 0)
    message(SEND_ERROR "${name}: the check passed; expected \"${expected}\"")
  elseif(NOT output MATCHES "${expected}")
    message(SEND_ERROR "${name}: the check failed without \"${expected}\": ${output}")
  else()
    message(STATUS "${name}: fails as it should")
  endif()
endfunction()

function(expect_pass name)
  run_check(${CHECK_ARGUMENTS})
  if(NOT result EQUAL 0)
    message(SEND_ERROR "${name}: the check failed: ${output}")
  else()
    message(STATUS "${name}: passes")
  endif()
endfunction()

# Includes the layers allow, written every way the compiler reads them.
plant_tree(
  "panel/widgets/PanelView.cpp"
  "#include \"panel/widgets/PanelView.h\"\n#include \"Sibling.h\"\n#include \"../model/PanelModel.h\"\n#include <QWidget>\n#include \"ui/Colors.h\""
  "panel/widgets/Sibling.h" "#pragma once"
  "platform/linux/Recognizer.cpp"
  "#include \"../ImageTextRecognizer.h\"\n#include <tesseract/baseapi.h>\n#include <X11/Xlib.h>\n#include <QImage>\n#include <glib.h>\n#include <gio/gio.h>\n#include <dbus/dbus.h>"
  "classification/formatting/Json.cpp" "#include \"classification/Rules.h\"\n#include \"../Rules.h\""
  "l10n/L10n.h" "#  include \"base/Logger.h\"\n#include \"model/Snapshot.h\""
  "searchindex/SQLiteClipboardSearchIndexStore.cpp"
  "#include \"searchindex/SQLiteClipboardSearchIndexStore.h\"\n#include \"searchindex/ClipboardSearchIndexReader.h\""
  "searchindex/ClipboardSearchRankPlacement.cpp" "#include \"searchindex/ClipboardSearchRankPlacement.h\"\n#include <vector>")
expect_pass("allowed includes")

set(plants
  "l10n include from base" "base/Planted.h" "#include \"l10n/L10n.h\""
    "base/Planted.h reaches up the layers"
  "relative include climbing a layer" "base/Planted.cpp" "#include \"../ui/Colors.h\""
    "base/Planted.cpp reaches up the layers"
  "relative include into a sibling subfolder" "platform/memory/Planted.cpp" "#include \"../linux/X11Hotkeys.h\""
    "platform/memory/Planted.cpp is a double but includes a Linux backend"
  "relative include out of the sources" "history/Planted.cpp" "#include \"../../tests/support/Helper.h\""
    "history/Planted.cpp includes a file outside the sources"
  "include of a layer in angle brackets" "search/Planted.h" "#include <panel/model/PanelModel.h>"
    "search/Planted.h reaches up the layers"
  "include spelled with spaces" "model/Planted.h" "#  include \"panel/widgets/PanelView.h\""
    "model/Planted.h reaches up the layers"
  "Qt include indented" "history/Planted.cpp" "  #include <QString>"
    "history/Planted.cpp must stay free of Qt"
  "Qt include in a view model" "panel/model/Planted.h" "# include <QObject>"
    "panel/model/Planted.h must stay free of Qt"
  "Tesseract include in a widget" "panel/widgets/Planted.cpp" "#include <tesseract/baseapi.h>"
    "panel/widgets/Planted.cpp speaks to X11, AT-SPI, GLib, D-Bus or text recognition outside the Linux backends"
  "Leptonica include in the core" "capture/Planted.cpp" "#include <leptonica/allheaders.h>"
    "capture/Planted.cpp speaks to X11, AT-SPI, GLib, D-Bus or text recognition outside the Linux backends"
  "X11 include in quotes" "ui/Planted.cpp" "#include \"X11/Xlib.h\""
    "ui/Planted.cpp speaks to X11, AT-SPI, GLib, D-Bus or text recognition outside the Linux backends"
  "upward include in a .hpp header" "base/Planted.hpp" "#include \"ui/Colors.h\""
    "base/Planted.hpp reaches up the layers"
  "upward include in a .cc source" "model/Planted.cc" "#include \"history/Repository.h\""
    "model/Planted.cc reaches up the layers"
  "GLib include in a widget" "floating/widgets/Planted.cpp" "#include <glib.h>"
    "floating/widgets/Planted.cpp speaks to X11, AT-SPI, GLib, D-Bus or text recognition outside"
  "GIO include in the core" "system/Planted.cpp" "#include <gio/gio.h>"
    "system/Planted.cpp speaks to X11, AT-SPI, GLib, D-Bus or text recognition outside"
  "D-Bus include in a widget" "settings/widgets/Planted.cpp" "#include <dbus/dbus.h>"
    "settings/widgets/Planted.cpp speaks to X11, AT-SPI, GLib, D-Bus or text recognition outside"
  "include by macro" "base/Planted.cpp" "#include HEADER_NAME"
    "base/Planted.cpp includes a name the layer check cannot read"
  "index store included from below it" "searchindex/Planted.cpp"
    "#include \"searchindex/SQLiteClipboardSearchIndexStore.h\""
    "searchindex/Planted.cpp is below the index store but includes it"
  "rank placement reading the file" "searchindex/ClipboardSearchRankPlacement.cpp" "#include \"sqlite/SQLiteDatabase.h\""
    "searchindex/ClipboardSearchRankPlacement.cpp is pure but includes the index or SQLite"
  "folder that is no layer" "extras/Planted.h" "#pragma once"
    "extras/ is a source folder but no layer")
list(LENGTH plants count)
math(EXPR last "${count} - 4")
foreach(index RANGE 0 ${last} 4)
  math(EXPR path_index "${index} + 1")
  math(EXPR contents_index "${index} + 2")
  math(EXPR expected_index "${index} + 3")
  list(GET plants ${index} name)
  list(GET plants ${path_index} path)
  list(GET plants ${contents_index} contents)
  list(GET plants ${expected_index} expected)
  plant_tree(${path} "${contents}")
  expect_fault("${name}" "${expected}")
endforeach()

# The architecture document's layer table must name exactly the layers, in their order.
function(write_document)
  set(rows "# Architecture\n\n| folder | may include |\n|---|---|\n")
  foreach(name ${ARGN})
    string(APPEND rows "| `${name}/` | the layers above |\n")
  endforeach()
  file(WRITE ${WORK_DIR}/ARCHITECTURE.md "${rows}")
endfunction()

plant_tree()
set(CHECK_ARGUMENTS -DDOCUMENT=${WORK_DIR}/ARCHITECTURE.md)
write_document(${layers})
expect_pass("document naming every layer")

set(short ${layers})
list(REMOVE_ITEM short l10n)
write_document(${short})
expect_fault("document missing a layer" "ARCHITECTURE.md leaves the layer l10n/ out of its layer table")

write_document(${layers} plugins)
expect_fault("document naming a folder that does not exist" "ARCHITECTURE.md names plugins/ in its layer table")

list(GET layers 0 first)
file(REMOVE_RECURSE ${WORK_DIR}/src/${first})
write_document(${layers})
expect_fault("document naming a layer without a folder" "names ${first}/ in its layer table, which is no folder")

plant_tree()
set(reversed ${layers})
list(REVERSE reversed)
write_document(${reversed})
expect_fault("document listing the layers out of order" "ARCHITECTURE.md lists the layers out of order")

file(REMOVE ${WORK_DIR}/ARCHITECTURE.md)
expect_fault("missing document" "ARCHITECTURE.md is missing")

file(REMOVE_RECURSE ${WORK_DIR})
