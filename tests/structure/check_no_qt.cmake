cmake_minimum_required(VERSION 3.25)
# Fails when a source or header in FOLDERS (below ROOT) includes a Qt header,
# leaving out the files named in EXCLUDE (paths relative to ROOT): the code
# below the window system must build without Qt.
#   cmake -DROOT=... -DFOLDERS="a;b" -DEXCLUDE="a/x.h;..." -P check_no_qt.cmake
set(offenders "")
foreach(folder ${FOLDERS})
    file(GLOB files RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
    foreach(file ${files})
        if(file IN_LIST EXCLUDE)
            continue()
        endif()
        file(STRINGS ${ROOT}/${file} includes
             REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
        if(includes)
            list(APPEND offenders "${file}: ${includes}")
        endif()
    endforeach()
endforeach()
if(offenders)
    list(JOIN offenders "\n  " text)
    message(FATAL_ERROR "Qt headers in code that must build without Qt:\n  ${text}")
endif()
message(STATUS "no Qt header in: ${FOLDERS}")
