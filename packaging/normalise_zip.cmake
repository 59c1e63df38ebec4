# Run by CPack after it has made the packages: each zip is written again with
# its members in name order, without the builder's user and group ids, and
# with the time of SOURCE_DATE_EPOCH in UTC (the archiver writes the local
# time), so that it is the same file on every machine.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.zip$")
    execute_process(
      COMMAND python3 "${CPACK_OMBRITH_SOURCE_DIR}/packaging/normalise_zip.py" "${package}"
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "could not normalise ${package}")
    endif()
  endif()
endforeach()
