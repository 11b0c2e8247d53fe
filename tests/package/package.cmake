# One step of trying the installed libraries, run by CTest as cmake -P with -DSTEP=...:
#   install    cmake --install into WORK/prefix, then what it put there: the libraries with their
#              version and soname, every public header and no private one, a package that names no
#              path of this build
#   first      examples/first configured on its own with find_package(Pim) from that prefix, built,
#              and run over the sample database to a document and a PDF of the expected pages
#   headers    every installed header compiled alone against the package (headers/CMakeLists.txt)
#   pkgconfig  examples/first compiled and linked with nothing but what pimrun.pc gives
#   design     a program of the design library alone (design/), built with find_package(Pim) and
#              with pimdsgn.pc, and run: the design library must bring the runtime library with it
cmake_minimum_required(VERSION 3.25)

set(PREFIX ${WORK}/prefix)
string(REPLACE "," ";" FOLDERS "${FOLDERS}")
string(REPLACE "," ";" LIBRARIES "${LIBRARIES}")
separate_arguments(SANITIZE UNIX_COMMAND "${SANITIZE}")
list(JOIN SANITIZE " " SANITIZE_FLAGS)
# 500 customers at 52 lines a page: the body of A4 less margins of 15 and 12.7 mm, 1017 pixels at
# 96 pixels per inch, less the page header of 48 and the page footer of 20, holds 52 lines of 18.
set(FIRST_PAGES 10)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command}\nfailed (${result}):\n${out}\n${err}")
    endif()
    set(OUT "${out}" PARENT_SCOPE)
endfunction()

# A project outside this build, configured against the installed package alone.
function(build_outside source binary)
    run(${CMAKE_COMMAND} -S ${source} -B ${binary} -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX}
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH=${PREFIX} ${ARGN}
        "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror ${SANITIZE_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${SANITIZE_FLAGS}")
    file(STRINGS ${binary}/CMakeCache.txt found REGEX "^Pim_DIR:")
    if(NOT found STREQUAL "Pim_DIR:PATH=${PREFIX}/${LIBDIR}/cmake/Pim")
        message(FATAL_ERROR "${source} found the package elsewhere: ${found}")
    endif()
    run(${CMAKE_COMMAND} --build ${binary})
endfunction()

if(STEP STREQUAL "install")
    file(REMOVE_RECURSE ${WORK})
    run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX})

    find_program(OBJDUMP objdump REQUIRED)
    string(REGEX MATCH "^[0-9]+" MAJOR ${VERSION})
    foreach(library ${LIBRARIES})
        set(file ${PREFIX}/${LIBDIR}/lib${library}.so)
        if(NOT EXISTS ${file}.${VERSION} OR IS_SYMLINK ${file}.${VERSION}
           OR NOT IS_SYMLINK ${file}.${MAJOR} OR NOT IS_SYMLINK ${file})
            message(FATAL_ERROR "lib${library}.so is not installed as a file of version ${VERSION} with its links")
        endif()
        run(${OBJDUMP} -p ${file}.${VERSION})
        if(NOT OUT MATCHES "SONAME +lib${library}\\.so\\.${MAJOR}\n")
            message(FATAL_ERROR "lib${library} has not the soname lib${library}.so.${MAJOR}")
        endif()
    endforeach()

    set(expected)
    foreach(folder ${FOLDERS})
        file(GLOB headers RELATIVE ${SOURCE} ${SOURCE}/${folder}/*.h)
        list(FILTER headers EXCLUDE REGEX "(_internal|Internal)\\.h$")
        list(APPEND expected ${headers})
    endforeach()
    file(GLOB_RECURSE installed RELATIVE ${PREFIX}/${INCLUDEDIR} ${PREFIX}/${INCLUDEDIR}/*)
    list(SORT expected)
    list(SORT installed)
    if(NOT expected STREQUAL installed)
        message(FATAL_ERROR "Headers installed:\n${installed}\nexpected:\n${expected}")
    endif()

    set(files ${LIBDIR}/cmake/Pim/PimConfig.cmake ${LIBDIR}/cmake/Pim/PimConfigVersion.cmake)
    foreach(library ${LIBRARIES})
        list(APPEND files ${LIBDIR}/pkgconfig/${library}.pc)
    endforeach()
    foreach(file ${files})
        if(NOT EXISTS ${PREFIX}/${file})
            message(FATAL_ERROR "${file} is not installed")
        endif()
    endforeach()
    file(GLOB package ${PREFIX}/${LIBDIR}/cmake/Pim/*.cmake ${PREFIX}/${LIBDIR}/pkgconfig/*.pc)
    foreach(file ${package})
        file(READ ${file} text)
        foreach(path ${SOURCE} ${BUILD})
            string(FIND "${text}" "${path}" at)
            if(NOT at EQUAL -1)
                message(FATAL_ERROR "${file} names ${path}")
            endif()
        endforeach()
    endforeach()

elseif(STEP STREQUAL "first")
    build_outside(${SOURCE}/examples/first ${WORK}/first)
    if(NOT EXISTS "${SAMPLE_DB}")
        message(FATAL_ERROR "The sample database ${SAMPLE_DB} is missing")
    endif()
    set(out ${WORK}/first/out)
    run(${WORK}/first/first ${SAMPLE_DB} ${out})
    if(NOT OUT MATCHES "^${FIRST_PAGES} pages in ${out}/first.pim and ${out}/first.pdf\n$")
        message(FATAL_ERROR "first says: ${OUT}")
    endif()
    file(SIZE ${out}/first.pim size)
    if(size EQUAL 0)
        message(FATAL_ERROR "first.pim is empty")
    endif()

    find_program(PDFINFO pdfinfo REQUIRED)
    find_program(PDFTOTEXT pdftotext REQUIRED)
    run(${PDFINFO} ${out}/first.pdf)
    if(NOT OUT MATCHES "\nPages: +${FIRST_PAGES}\n")
        message(FATAL_ERROR "first.pdf: ${OUT}")
    endif()
    run(${PDFTOTEXT} ${out}/first.pdf -)
    foreach(text "Customers" "Page 1 of ${FIRST_PAGES}" "Page ${FIRST_PAGES} of ${FIRST_PAGES}")
        string(FIND "${OUT}" "${text}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "first.pdf does not show \"${text}\"")
        endif()
    endforeach()

elseif(STEP STREQUAL "headers")
    build_outside(${HERE}/headers ${WORK}/headers -DPIM_HEADERS=${PREFIX}/${INCLUDEDIR})

elseif(STEP STREQUAL "pkgconfig")
    find_program(PKG_CONFIG pkg-config REQUIRED)
    set(ENV{PKG_CONFIG_PATH} ${PREFIX}/${LIBDIR}/pkgconfig)
    run(${PKG_CONFIG} --modversion pimrun)
    if(NOT OUT STREQUAL "${VERSION}\n")
        message(FATAL_ERROR "pimrun.pc gives the version ${OUT}")
    endif()
    run(${PKG_CONFIG} --cflags --libs pimrun)
    separate_arguments(flags UNIX_COMMAND "${OUT}")
    file(MAKE_DIRECTORY ${WORK}/pkgconfig)
    run(${CXX} -std=c++20 -Wall -Wextra -Werror ${SANITIZE} ${SOURCE}/examples/first/first.cpp ${flags}
        -o ${WORK}/pkgconfig/first)

elseif(STEP STREQUAL "design")
    if(NOT "pimdsgn" IN_LIST LIBRARIES)
        return()
    endif()
    # Run from the prefix as it lies, with no library path: only the programs' and libraries' own
    # run paths lead to the libraries.
    unset(ENV{LD_LIBRARY_PATH})
    build_outside(${HERE}/design ${WORK}/design)
    run(${WORK}/design/designpackage)

    find_program(PKG_CONFIG pkg-config REQUIRED)
    set(ENV{PKG_CONFIG_PATH} ${PREFIX}/${LIBDIR}/pkgconfig)
    run(${PKG_CONFIG} --cflags --libs pimdsgn)
    separate_arguments(flags UNIX_COMMAND "${OUT}")
    run(${PKG_CONFIG} --variable=libdir pimdsgn)
    string(STRIP "${OUT}" libdir)
    file(MAKE_DIRECTORY ${WORK}/pkgconfig)
    run(${CXX} -std=c++20 -Wall -Wextra -Werror ${SANITIZE} ${HERE}/design/designpackage.cpp ${flags}
        -Wl,-rpath,${libdir} -o ${WORK}/pkgconfig/designpackage)
    run(${WORK}/pkgconfig/designpackage)

else()
    message(FATAL_ERROR "No step ${STEP}")
endif()
