# The programs the packages ship, one line each: the description its Windows
# version resource carries, and each target whose package holds it with the
# most it may take there, stripped, in KiB. The install rules, the manual
# pages (docs/man/NAME.1), the version resources and the package checks all
# read this list: a new program adds its folder, its line here and its page.
#
# A demo keeps its state in zero-filled memory, not in the file; the Windows
# render tool has zlib linked in.
function(ombrith_program name)
  cmake_parse_arguments(P "" "DESCRIPTION" "SHIPS" ${ARGN})
  set(OMBRITH_PROGRAMS ${OMBRITH_PROGRAMS} ${name} PARENT_SCOPE)
  set(OMBRITH_PROGRAM_DESCRIPTION_${name} "${P_DESCRIPTION}" PARENT_SCOPE)
  set(OMBRITH_PROGRAM_SHIPS_${name} ${P_SHIPS} PARENT_SCOPE)
endfunction()

ombrith_program(ombrith320 DESCRIPTION "Ombrith by Talvane, 320x240" SHIPS linux:256 windows:256)
ombrith_program(ombrith640 DESCRIPTION "Ombrith by Talvane, 640x480" SHIPS linux:256 windows:256)
ombrith_program(ombrith-render DESCRIPTION "Ombrith pictures without a display" SHIPS linux:256 windows:1024)
ombrith_program(ombrith-keys DESCRIPTION "Ombrith key reader" SHIPS linux:256)

# ombrith_shipped_programs(OUT [SIZES]): the programs this build's package
# holds, in the list's order (the demos only where they are built); with
# SIZES, each as NAME:KIB.
function(ombrith_shipped_programs out)
  set(result)
  foreach(name IN LISTS OMBRITH_PROGRAMS)
    foreach(entry IN LISTS OMBRITH_PROGRAM_SHIPS_${name})
      string(REPLACE ":" ";" entry "${entry}")
      list(GET entry 0 target)
      list(GET entry 1 kib)
      if(target STREQUAL OMBRITH_TARGET AND TARGET ${name})
        if(ARGV1 STREQUAL "SIZES")
          list(APPEND result ${name}:${kib})
        else()
          list(APPEND result ${name})
        endif()
      endif()
    endforeach()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
