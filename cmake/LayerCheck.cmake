cmake_minimum_required(VERSION 3.25)
# Fails the build when a source file includes against the layers: a folder from a higher layer, a subfolder
# the other way round from its one direction, Qt in the core or a view model, or the X11, xcb, AT-SPI,
# GLib, GIO, D-Bus, Tesseract and Leptonica headers outside the Linux backends. Every folder of the sources must be a layer,
# and the architecture document, when given, must name exactly the layers.
# Run as: cmake -DSOURCE_DIR=<repository>/src -DLAYERS=a,b,... -DCORE_LAYERS=a,b,... [-DDOCUMENT=<file>]
#   [-DSTAMP=<file>] -P LayerCheck.cmake
string(REPLACE "," ";" order "${LAYERS}")
string(REPLACE "," ";" core "${CORE_LAYERS}")

# Subfolders and files inside one layer, three entries a rule: the includer, the included (regular
# expressions on the path) and why that way is wrong. A file's own header is exempt.
set(subfolder_rules
  "^[^/]+/model/" "^([^/]+/widgets|ui)/" "is logic but includes a widget"
  "^platform/memory/" "^platform/linux/" "is a double but includes a Linux backend"
  "^platform/linux/" "^platform/memory/" "is a Linux backend but includes a double"
  "^platform/[^/]+$" "^platform/(memory|linux)/" "is an interface but includes one of its implementations"
  # formatting/ sits above its parent: it includes classification/, never the other way round.
  "^classification/[^/]+$" "^classification/formatting/" "is below formatting/ but includes it"
  # The index store sits on top of searchindex/: its reader, writer and streams are below it.
  "^searchindex/" "^searchindex/SQLiteClipboardSearchIndexStore\\.h$" "is below the index store but includes it"
  # The rank placement is pure, the writer hands it the neighbours.
  "^searchindex/ClipboardSearchRankPlacement\\." "^(sqlite|searchindex)/" "is pure but includes the index or SQLite")
list(LENGTH subfolder_rules rule_entries)
math(EXPR last_rule "${rule_entries} - 3")
# Headers of the desktop's own libraries, which only the Linux backends may speak to.
set(backend_headers
  "^(X11|xcb|atspi|at-spi-2\\.0|atk-bridge|tesseract|leptonica|glib|gio|gobject|gmodule|dbus|QtDBus)/|^(allheaders|glib|glib-object|gmodule|gio-unix)\\.h$|^QDBus")

set(failures 0)
macro(fail message)
  message(SEND_ERROR "${message}")
  math(EXPR failures "${failures} + 1")
endmacro()

# A folder the layer list does not name would be checked against nothing.
file(GLOB entries RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
foreach(entry ${entries})
  if(IS_DIRECTORY ${SOURCE_DIR}/${entry} AND NOT entry IN_LIST order)
    fail("${entry}/ is a source folder but no layer: add it to QUORVANE_LAYERS in CMakeLists.txt")
  endif()
endforeach()

# Every ending the compiler takes as a source or a header, so that no file escapes the check by its name.
set(source_endings h hh hpp hxx h++ inc inl ipp tpp tcc c cc cpp cxx c++ in)
set(patterns)
foreach(ending ${source_endings})
  list(APPEND patterns ${SOURCE_DIR}/*.${ending})
endforeach()
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${patterns})
foreach(file ${files})
  string(REGEX MATCH "^[^/]+" from ${file})
  list(FIND order ${from} from_rank)
  if(from_rank LESS 0)
    if(NOT file MATCHES "/")
      fail("${file} lies outside every layer folder")
    endif()
    continue()
  endif()
  get_filename_component(folder ${file} DIRECTORY)
  cmake_path(REMOVE_EXTENSION file LAST_ONLY OUTPUT_VARIABLE file_stem)
  set(no_qt FALSE)
  if((from IN_LIST core AND NOT file MATCHES "^platform/linux/") OR file MATCHES "^[^/]+/model/")
    set(no_qt TRUE)
  endif()
  # The preprocessor takes blanks before and after the '#', so the check does too.
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
      fail("${file} includes a name the layer check cannot read: ${line}")
      continue()
    endif()
    set(delimiter "${CMAKE_MATCH_1}")
    set(path "${CMAKE_MATCH_2}")
    # Resolve the include as the compiler does: a quoted name is looked up beside the includer first, then
    # from src/; a name in angle brackets only from src/ (and the system).
    set(included "")
    if(delimiter STREQUAL "\"" AND (path MATCHES "^\\.\\.?/" OR EXISTS ${SOURCE_DIR}/${folder}/${path}))
      cmake_path(SET included NORMALIZE "${folder}/${path}")
    else()
      cmake_path(SET included NORMALIZE "${path}")
    endif()
    if(included MATCHES "^\\.\\./")
      fail("${file} includes a file outside the sources: ${line}")
      continue()
    endif()
    string(REGEX MATCH "^[^/]+" to "${included}")
    list(FIND order "${to}" to_rank)
    if(to_rank GREATER_EQUAL 0 AND included MATCHES "/")
      if(to_rank GREATER from_rank)
        fail("${file} reaches up the layers: ${line}")
      endif()
      if(from IN_LIST core AND NOT from STREQUAL "platform" AND included MATCHES "^platform/(memory|linux)/")
        fail("${file} is in the core but includes a platform target above it: ${line}")
      endif()
      cmake_path(REMOVE_EXTENSION included LAST_ONLY OUTPUT_VARIABLE included_stem)
      if(NOT included_stem STREQUAL file_stem)
        foreach(index RANGE 0 ${last_rule} 3)
          math(EXPR target_index "${index} + 1")
          math(EXPR why_index "${index} + 2")
          list(GET subfolder_rules ${index} includer)
          list(GET subfolder_rules ${target_index} target)
          list(GET subfolder_rules ${why_index} why)
          if(file MATCHES "${includer}" AND included MATCHES "${target}")
            fail("${file} ${why}: ${line}")
          endif()
        endforeach()
      endif()
    elseif(no_qt AND path MATCHES "^Q")
      fail("${file} must stay free of Qt: ${line}")
    elseif(path MATCHES "${backend_headers}" AND NOT file MATCHES "^platform/linux/")
      fail("${file} speaks to X11, AT-SPI, GLib, D-Bus or text recognition outside the Linux backends: ${line}")
    endif()
  endforeach()
endforeach()

# The document's layer table: one row a layer, its first cell the folder in backquotes (| `base/` | ...).
if(DOCUMENT)
  if(NOT EXISTS ${DOCUMENT})
    fail("${DOCUMENT} is missing: it maps the layers for the next reader")
  else()
    file(STRINGS ${DOCUMENT} rows REGEX "^\\| *`[^`/]+/` *\\|")
    set(documented)
    set(same_names TRUE)
    foreach(row ${rows})
      string(REGEX REPLACE "^\\| *`([^`/]+)/`.*" "\\1" name "${row}")
      list(APPEND documented ${name})
      if(NOT name IN_LIST order)
        fail("${DOCUMENT} names ${name}/ in its layer table, which is no layer")
        set(same_names FALSE)
      elseif(NOT IS_DIRECTORY ${SOURCE_DIR}/${name})
        fail("${DOCUMENT} names ${name}/ in its layer table, which is no folder of the sources")
      endif()
    endforeach()
    foreach(layer ${order})
      if(NOT layer IN_LIST documented)
        fail("${DOCUMENT} leaves the layer ${layer}/ out of its layer table")
        set(same_names FALSE)
      endif()
    endforeach()
    if(same_names AND NOT documented STREQUAL order)
      string(REPLACE ";" " " expected "${order}")
      fail("${DOCUMENT} lists the layers out of order: expected ${expected}")
    endif()
  endif()
endif()

list(LENGTH files count)
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} faults in the layers")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
message(STATUS "${count} files follow the layers")
