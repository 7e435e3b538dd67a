# cmake -DPROGRAM=path -DEXPECTED="name 1.2.3" -P check_version.cmake
# Runs PROGRAM --version with no display and checks its exit status and that
# it printed exactly EXPECTED on one line.
unset(ENV{QT_QPA_PLATFORM})
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
execute_process(COMMAND "${PROGRAM}" --version
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --version: exit status ${status}\n${out}${err}")
endif()
if(NOT out STREQUAL "${EXPECTED}\n")
  message(FATAL_ERROR "${PROGRAM} --version printed '${out}', expected '${EXPECTED}'")
endif()
