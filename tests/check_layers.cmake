# cmake -DSOURCE_DIR=path -P check_layers.cmake
# Every folder of src/ includes only its own headers and those of the layers
# below it; the core layers include no Qt header at all. The tests share
# their helpers through tests/support/ alone. Nothing below the window names
# a control: the logic speaks in types, and the views map them to widgets.
cmake_minimum_required(VERSION 3.25)
set(below_model "")
set(below_command model)
set(below_eqfiles model)
set(below_editor model command eqfiles)
set(below_transfer model command eqfiles editor)
set(below_sheet model command eqfiles editor)
set(below_ui model command eqfiles editor transfer sheet)
set(below_app model command eqfiles editor transfer sheet ui)
set(below_cli model command eqfiles editor transfer sheet)
set(below_sim model command eqfiles editor transfer)
set(qt_free model command eqfiles editor)

set(faults "")
foreach(layer model command eqfiles editor transfer sheet ui app cli sim)
  file(GLOB_RECURSE files "${SOURCE_DIR}/src/${layer}/*.h" "${SOURCE_DIR}/src/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^#include [\"<]")
    foreach(line IN LISTS includes)
      if(line MATCHES "^#include \"([a-z_]+)/")
        set(folder "${CMAKE_MATCH_1}")
        if(NOT folder STREQUAL layer AND NOT folder IN_LIST below_${layer})
          string(APPEND faults "\n  ${file}: ${line} (${layer} may not include ${folder})")
        endif()
      elseif(line MATCHES "^#include <Q" AND layer IN_LIST qt_free)
        string(APPEND faults "\n  ${file}: ${line} (${layer} is Qt-free)")
      endif()
    endforeach()
  endforeach()
endforeach()

# A test includes what other test folders hold only from tests/support/.
file(GLOB_RECURSE files "${SOURCE_DIR}/tests/*.h" "${SOURCE_DIR}/tests/*.cpp")
foreach(file IN LISTS files)
  file(STRINGS "${file}" includes REGEX "^#include \"[a-z_]+/")
  foreach(line IN LISTS includes)
    if(line MATCHES "^#include \"(([a-z_]+)/[^\"]+)\"")
      if(NOT CMAKE_MATCH_2 STREQUAL "support" AND EXISTS "${SOURCE_DIR}/tests/${CMAKE_MATCH_1}")
        string(APPEND faults "\n  ${file}: ${line} (shared test helpers live in tests/support/)")
      endif()
    endif()
  endforeach()
endforeach()

# The control names are the widgets' objectNames, listed in docs/controls.md:
# every one numbered like its widget class (StringGrid4, TrackBar25, Form1,
# Import1) and the check boxes named after what they set (DHCPCheckbox); any
# name of a widget class with a number (CheckBox3) counts too. Plain words
# of the list (Netmask, Display) are left out: the logic rightly uses them.
file(STRINGS "${SOURCE_DIR}/docs/controls.md" rows REGEX "^\\| `[A-Za-z0-9]+`")
set(controls "Bevel|Button|CheckBox|ComboBox|Edit|Form|GroupBox|Label|ListBox|Memo|Panel|RadioButton|Shape|StringGrid|TabSheet|TrackBar)[0-9]+")
foreach(row IN LISTS rows)
  if(row MATCHES "^\\| `([A-Za-z]+[0-9]+|[A-Za-z]+Checkbox|[A-Za-z]+Lvl)`")
    string(APPEND controls "|${CMAKE_MATCH_1}")
  endif()
endforeach()
set(control_name "(^|[^A-Za-z0-9_])((${controls})($|[^A-Za-z0-9_])")
foreach(layer model command eqfiles editor transfer sheet)
  file(GLOB_RECURSE files "${SOURCE_DIR}/src/${layer}/*.h" "${SOURCE_DIR}/src/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "${control_name}")
    foreach(line IN LISTS lines)
      string(REGEX MATCH "${control_name}" found "${line}")
      string(APPEND faults "\n  ${file}: ${CMAKE_MATCH_2} (${layer} is below the window: no control names)")
    endforeach()
  endforeach()
endforeach()

# The window reads the configuration through Editor::Model(), which is
# const: it changes it only through the editor's operations and page logic,
# which move the revision, so no edit of a view can go unnoticed.
foreach(layer ui app)
  file(GLOB_RECURSE files "${SOURCE_DIR}/src/${layer}/*.h" "${SOURCE_DIR}/src/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "(\\.|->)model($|[^A-Za-z0-9_(])")
    foreach(line IN LISTS lines)
      string(STRIP "${line}" line)
      string(APPEND faults "\n  ${file}: ${line} (${layer} reads the configuration through Model())")
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes that cross the layers, control names below the window, or the window "
                      "writing the configuration:${faults}")
endif()
