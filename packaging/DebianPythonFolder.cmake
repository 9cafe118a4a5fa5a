# Run by cpack on the staged tree before it packs it: a Debian package puts
# Python modules into usr/lib/python3/dist-packages, the one folder every
# python3 version searches, not into lib/python3.X/dist-packages where
# `cmake --install` puts them for a local prefix. Both lie at the same depth,
# so the module still finds the table at ../share/morvane from bin/.
file(GLOB staged "${CPACK_TEMPORARY_DIRECTORY}/usr/lib/python3.*/dist-packages")
foreach(folder ${staged})
  file(MAKE_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}/usr/lib/python3")
  file(RENAME "${folder}" "${CPACK_TEMPORARY_DIRECTORY}/usr/lib/python3/dist-packages")
  get_filename_component(versioned "${folder}" DIRECTORY)
  file(REMOVE_RECURSE "${versioned}")
endforeach()
