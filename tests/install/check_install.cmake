# Installs the build into a fresh prefix and checks what a user gets: the programs, the
# placeholder picture where the viewer looks for it, the icon and the menu entry; then runs
# the installed programs.
#   cmake -DBUILD_DIR=<build tree> -DPREFIX=<empty folder to install into> -P check_install.cmake
cmake_minimum_required(VERSION 3.25)

function(fail what)
  message(FATAL_ERROR "install check: ${what}")
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" OUTPUT_QUIET
                COMMAND_ERROR_IS_FATAL ANY)

set(icons share/icons/hicolor)
foreach(file bin/drviewer bin/drtool share/drviewer/default_vor.bmp share/applications/drviewer.desktop
             ${icons}/scalable/apps/drviewer.svg ${icons}/48x48/apps/drviewer.png ${icons}/256x256/apps/drviewer.png)
  if(NOT EXISTS "${PREFIX}/${file}")
    fail("${file} is missing")
  endif()
endforeach()
if(EXISTS "${PREFIX}/bin/default_vor.bmp")
  fail("the picture must not sit beside the programs in bin")
endif()

file(READ "${PREFIX}/share/applications/drviewer.desktop" desktop)
# The entry must name the program and the icon as they were installed (its form is checked below).
foreach(line "Exec=drviewer %f" "Icon=drviewer")
  string(FIND "${desktop}" "${line}\n" at)
  if(at EQUAL -1)
    fail("the desktop entry lacks '${line}'")
  endif()
endforeach()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/share/applications/drviewer.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
    fail("desktop-file-validate: ${out}${err}")
  endif()
endif()

# The installed viewer, headless: it must take its picture from share/drviewer. A runtime
# folder of its own keeps its single-instance lock apart from any other running copy.
set(runtime "${PREFIX}/runtime")
file(MAKE_DIRECTORY "${runtime}")
file(CHMOD "${runtime}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env DRV_SMOKE_TEST=1 QT_QPA_PLATFORM=offscreen
                        "XDG_RUNTIME_DIR=${runtime}" "${PREFIX}/bin/drviewer"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
if(NOT rc EQUAL 0)
  fail("the installed drviewer failed (${rc}):\n${out}${err}")
endif()
string(FIND "${err}" "program folder: ${PREFIX}/share/drviewer\n" at)
if(at EQUAL -1)
  fail("the installed drviewer does not look in ${PREFIX}/share/drviewer:\n${err}")
endif()

# The installed drtool: a sample recording and its export.
execute_process(COMMAND "${PREFIX}/bin/drtool" sample "${PREFIX}/rec" --frames 3 --no-pictures
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${PREFIX}/bin/drtool" export "${PREFIX}/rec" --format gpx --utc-offset +09:00
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${out}" "<trkpt lat=\"35.6781111\" lon=\"139.7518611\">" at)
if(NOT rc EQUAL 0 OR at EQUAL -1)
  fail("the installed drtool export failed (${rc}): ${err}\n${out}")
endif()

file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "install check: ${PREFIX} held the expected tree")
