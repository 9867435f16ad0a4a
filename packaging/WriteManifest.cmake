# Runs last in an install: writes the list of every file the install put under the prefix, so
# that the program can take exactly those away again (an uninstall of a user's own install).
# Given by the install rules before it: tarvine_manifest (the list's path under the prefix) and
# tarvine_own_folders (folders under the prefix that hold nothing but the program's files).
string(REGEX REPLACE "/+$" "" prefix "${CMAKE_INSTALL_PREFIX}")
set(staged "$ENV{DESTDIR}${prefix}")

set(lines "# Installed by Tarvine: every file below, relative to the prefix. A line ending in /\n")
string(APPEND lines "# names a folder that holds nothing but Tarvine's own files.\n")
foreach(folder IN LISTS tarvine_own_folders)
    string(APPEND lines "${folder}/\n")
endforeach()

# The install's own record names each file with or without DESTDIR in front.
set(relatives "${tarvine_manifest}")
foreach(file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
    set(relative "")
    foreach(root IN ITEMS "${staged}" "${prefix}")
        string(LENGTH "${root}/" length)
        string(SUBSTRING "${file}" 0 ${length} head)
        if(relative STREQUAL "" AND head STREQUAL "${root}/")
            string(SUBSTRING "${file}" ${length} -1 relative)
        endif()
    endforeach()
    if(relative STREQUAL "")
        message(FATAL_ERROR "Installed outside the prefix ${prefix}: ${file}")
    endif()
    list(APPEND relatives "${relative}")
endforeach()
list(REMOVE_DUPLICATES relatives)
list(SORT relatives)
foreach(relative IN LISTS relatives)
    string(APPEND lines "${relative}\n")
endforeach()

message(STATUS "Installing: ${staged}/${tarvine_manifest}")
file(WRITE "${staged}/${tarvine_manifest}" "${lines}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${prefix}/${tarvine_manifest}")
