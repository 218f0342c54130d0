# Run by cpack once the package's files are staged (CPACK_PRE_BUILD_SCRIPTS):
# strips every program as Debian's dh_strip does (its symbols, and the .comment
# and .note sections the compiler leaves), and adds the lintian overrides.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file ${staged})
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46" AND NOT IS_SYMLINK "${file}")
    execute_process(COMMAND "${CPACK_PORV_STRIP}" --remove-section=.comment --remove-section=.note "${file}"
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot strip ${file}")
    endif()
  endif()
endforeach()
set(overrides "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/lintian/overrides")
file(MAKE_DIRECTORY "${overrides}")
file(COPY_FILE "${CPACK_PORV_LINTIAN_OVERRIDES}" "${overrides}/porv-pro")
