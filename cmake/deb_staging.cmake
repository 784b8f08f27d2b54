# Run by CPack on the staged tree, after the install rules and before the
# tree is packed: adds what a Debian package has beyond `cmake --install`.
# The compiler's notes leave the programs, the manual pages are gzipped, the
# copyright file and the Debian changelog go to share/doc/brelvik, and every
# mode is set as Debian's are.
cmake_policy(VERSION 3.22)
find_program(BRELVIK_GZIP gzip REQUIRED)

set(file_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(exec_mode OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# -9n: best compression and no name or time stamp in the header, so the same
# input gives the same bytes (lintian asks for both).
function(brelvik_gzip source target)
  execute_process(COMMAND ${BRELVIK_GZIP} -9nc ${source}
    OUTPUT_FILE ${target} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
endfunction()

# A package whose changelog's latest entry is of another version would tell
# its user of changes it does not hold: a new version needs a new entry.
set(version ${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
file(STRINGS ${CPACK_BRELVIK_PACKAGING_DIR}/changelog.Debian top LIMIT_COUNT 1)
if(NOT top MATCHES "^brelvik \\(([^)]+)\\) ")
  message(FATAL_ERROR "packaging/changelog.Debian does not start with an entry of brelvik")
elseif(NOT CMAKE_MATCH_1 STREQUAL version)
  message(FATAL_ERROR "packaging/changelog.Debian's latest entry is of ${CMAKE_MATCH_1}, "
    "the package is ${version}: add an entry for ${version} at its top")
endif()

set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT IS_DIRECTORY ${root})
  message(FATAL_ERROR "no staged tree at ${root}")
endif()

# CPACK_STRIP_FILES has stripped the programs; the compiler's .comment and
# .note sections go too, as Debian's own packages have them.
file(GLOB programs ${root}/${CPACK_BRELVIK_BIN_DIR}/*)
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_BRELVIK_STRIP} --remove-section=.comment --remove-section=.note ${program}
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "strip ${program} failed")
  endif()
endforeach()

file(GLOB pages ${root}/${CPACK_BRELVIK_MAN_DIR}/man*/*.[1-9])
foreach(page IN LISTS pages)
  brelvik_gzip(${page} ${page}.gz)
  file(REMOVE ${page})
endforeach()

set(doc ${root}/${CPACK_BRELVIK_DOC_DIR})
file(MAKE_DIRECTORY ${doc})
file(COPY ${CPACK_BRELVIK_PACKAGING_DIR}/copyright DESTINATION ${doc})
brelvik_gzip(${CPACK_BRELVIK_PACKAGING_DIR}/changelog.Debian ${doc}/changelog.Debian.gz)

# The folders that the install rules made on the way (usr, usr/share, ...)
# have the umask of whoever ran cpack; a package has 0755 folders, 0755
# programs and 0644 files whatever it was.
file(GLOB_RECURSE entries LIST_DIRECTORIES true ${root}/*)
foreach(entry IN LISTS root entries)
  if(IS_DIRECTORY ${entry} OR entry IN_LIST programs)
    file(CHMOD ${entry} PERMISSIONS ${exec_mode})
  else()
    file(CHMOD ${entry} PERMISSIONS ${file_mode})
  endif()
endforeach()
