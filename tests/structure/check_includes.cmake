cmake_minimum_required(VERSION 3.25)
# Fails when a source or header in FOLDERS (below ROOT) includes a header
# whose name matches INCLUDES, leaving out the files named in EXCLUDE (paths
# relative to ROOT), or when one of LINKS ("target=library") names a library
# that matches LIBRARIES: code must not reach what lies above it. WHAT names
# the fault.
#   cmake -DROOT=... -DFOLDERS="a;b" -DEXCLUDE="a/x.h;..." -DINCLUDES=regex
#         [-DLINKS="t=l;..." -DLIBRARIES=regex] -DWHAT=text -P check_includes.cmake
set(offenders "")
foreach(folder ${FOLDERS})
    file(GLOB files RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
    foreach(file ${files})
        if(file IN_LIST EXCLUDE)
            continue()
        endif()
        file(STRINGS ${ROOT}/${file} includes
             REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${INCLUDES})")
        if(includes)
            list(APPEND offenders "${file}: ${includes}")
        endif()
    endforeach()
endforeach()
foreach(link ${LINKS})
    if(link MATCHES "=(${LIBRARIES})$")
        list(APPEND offenders "links ${link}")
    endif()
endforeach()
if(offenders)
    list(JOIN offenders "\n  " text)
    message(FATAL_ERROR "${WHAT}:\n  ${text}")
endif()
message(STATUS "checked: ${FOLDERS}")
