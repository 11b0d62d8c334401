# Fails when a core-library source includes a Qt header, a MIDI back end's header, or a header
# of the MIDI or GUI library.
# Usage: cmake -DSOURCES="a.cpp;b.h" -P CheckCoreIncludes.cmake
set(_bad "")
foreach(_f IN LISTS SOURCES)
  file(STRINGS "${_f}" _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt|fluidsynth|rtmidi|RtMidi|midi/|gui/)")
  if(_lines)
    list(APPEND _bad "${_f}: ${_lines}")
  endif()
endforeach()
if(_bad)
  string(REPLACE ";" "\n" _msg "${_bad}")
  message(FATAL_ERROR "core files include Qt or MIDI back-end headers:\n${_msg}")
endif()
list(LENGTH SOURCES _n)
message(STATUS "${_n} core files checked")
