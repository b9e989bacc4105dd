# The include rules of the whole tree: every source file (.h, .hpp, .cpp,
# .cc, .c) of every library's folder may include only what its folder's rule
# lists. The rules follow the libraries' links in CMake, tightened to what
# the folders include today:
#
#   platform          platform
#   support/geo       support/geo
#   support/opengl    platform, support/opengl
#   support/socket    platform, support/socket
#   support/urllabel  platform, support/urllabel
#   shared            platform, support/opengl, shared; no toolkit (<FL/...>)
#                     and no socket header, so that the displays can read it
#   pfd               platform, support/geo, support/opengl, shared, pfd;
#                     of nd only nd/Uirs.h and nd/UNDObjects.h
#   nd                platform, support/geo, support/opengl, shared, nd;
#                     of pfd only pfd/UcommonVariables.h; no element includes
#                     the composition's nd/Unavigation.h (only
#                     nd/Unavigation.cpp does)
#   kestrane          platform, support, shared, pfd, nd, kestrane
#   lunavex           platform, support/opengl, support/socket,
#                     support/urllabel, shared/BrokerValue.h,
#                     shared/LineBuffer.h, lunavex
#   tools             platform/Numbers.h, nd/TerrainTiles.h, tools
#   tests             everything but bench
#   bench             everything
#
# So no program folder includes tests/ or bench/. A header of the tree is
# included by its path from the top ("folder/File.h"); a quoted include that
# names no file from the top fails, and so does a folder of sources that has
# no rule.
#
# Run as: cmake -DSOURCE_DIR=<top> -P CheckLayering.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayering.cmake needs -DSOURCE_DIR=<top of the tree>")
endif()

# The folders of the tree that hold headers, in the order they are checked.
set(top_folders platform support shared kestrane pfd nd lunavex tools tests bench)
set(checked platform support/geo support/opengl support/socket support/urllabel shared kestrane pfd nd lunavex
    tools tests bench)

# What each folder may include: an entry ending in "/" is a folder, any
# other a single header.
set(allow_platform platform/)
set(allow_support/geo support/geo/)
set(allow_support/opengl platform/ support/opengl/)
set(allow_support/socket platform/ support/socket/)
set(allow_support/urllabel platform/ support/urllabel/)
set(allow_shared platform/ support/opengl/ shared/)
set(allow_pfd platform/ support/geo/ support/opengl/ shared/ pfd/ nd/Uirs.h nd/UNDObjects.h)
set(allow_nd platform/ support/geo/ support/opengl/ shared/ nd/ pfd/UcommonVariables.h)
set(allow_kestrane platform/ support/ shared/ pfd/ nd/ kestrane/)
set(allow_lunavex platform/ support/opengl/ support/socket/ support/urllabel/ shared/BrokerValue.h
    shared/LineBuffer.h lunavex/)
set(allow_tools platform/Numbers.h nd/TerrainTiles.h tools/)
set(allow_tests platform/ support/ shared/ kestrane/ pfd/ nd/ lunavex/ tools/ tests/)
set(allow_bench platform/ support/ shared/ kestrane/ pfd/ nd/ lunavex/ tools/ tests/ bench/)

# System headers a folder must not include (a regular expression on the
# header's name), with the reason.
set(deny_shared "^(FL/|sys/socket\\.h$|netinet/|arpa/|netdb\\.h$)|^platform/WinSock")
set(deny_shared_why "the shared units read by both displays see no toolkit and no socket")

# Headers of a folder that only some files of that same folder may include
# (other folders follow their own rule).
set(private_in_nd nd/Unavigation.h)
set(private_nd/Unavigation.h nd/Unavigation.cpp)
set(private_nd/Unavigation.h_why "an ND element does not include the composition's header")

set(failures "")
set(count 0)

# Adds one violation to failures: the file, the include's line and why.
function(fail file line why)
  # The line number, found from the include's text (only for failures).
  file(READ ${SOURCE_DIR}/${file} content)
  string(FIND "${content}" "${line}" at)
  set(where "${file}")
  if(at GREATER_EQUAL 0)
    string(SUBSTRING "${content}" 0 ${at} before)
    string(REGEX MATCHALL "\n" newlines "${before}")
    list(LENGTH newlines n)
    math(EXPR n "${n} + 1")
    set(where "${file}:${n}")
  endif()
  string(STRIP "${line}" shown)
  set(failures "${failures}\n  ${where}: ${shown}\n      ${why}" PARENT_SCOPE)
  math(EXPR c "${count} + 1")
  set(count ${c} PARENT_SCOPE)
endfunction()

# Every folder of sources has a rule.
foreach(top ${top_folders})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${top})
    string(APPEND failures "\n  ${top}/: the folder is missing; the rules expect it")
    math(EXPR count "${count} + 1")
  endif()
endforeach()
file(GLOB entries RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/* ${SOURCE_DIR}/support/*)
foreach(entry ${entries})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${entry} OR entry MATCHES "^\\." OR entry STREQUAL "support"
     OR EXISTS ${SOURCE_DIR}/${entry}/CMakeCache.txt)
    continue()  # a file, a hidden folder, the support folders' parent or a build tree
  endif()
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${entry}/*.h ${SOURCE_DIR}/${entry}/*.hpp
       ${SOURCE_DIR}/${entry}/*.cpp ${SOURCE_DIR}/${entry}/*.cc ${SOURCE_DIR}/${entry}/*.c)
  list(FIND checked ${entry} i)
  if(sources AND i LESS 0)
    string(APPEND failures "\n  ${entry}/: a folder of sources without an include rule in CheckLayering.cmake")
    math(EXPR count "${count} + 1")
  endif()
endforeach()

set(files_checked 0)
foreach(folder ${checked})
  set(allowed ${allow_${folder}})
  string(REPLACE ";" ", " allowed_text "${allowed}")
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp
       ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.cc ${SOURCE_DIR}/${folder}/*.c)
  foreach(f ${files})
    math(EXPR files_checked "${files_checked} + 1")
    file(STRINGS ${SOURCE_DIR}/${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"].*" "\\1" quote "${line}")
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"].*" "\\2" inc "${line}")
      # A header of the tree, however it is written.
      set(ours FALSE)
      string(REGEX MATCH "^[^/]+" first "${inc}")
      list(FIND top_folders "${first}" t)
      if(t GREATER_EQUAL 0 AND EXISTS ${SOURCE_DIR}/${inc})
        set(ours TRUE)
      elseif(quote STREQUAL "\"")
        fail(${f} "${line}" "a header of the tree is included by its path from the top (\"folder/File.h\")")
        continue()
      endif()
      if(NOT ours)
        if(DEFINED deny_${folder} AND inc MATCHES "${deny_${folder}}")
          fail(${f} "${line}" "${folder}/ may not include <${inc}>: ${deny_${folder}_why}")
        endif()
        continue()
      endif()
      if(DEFINED deny_${folder} AND inc MATCHES "${deny_${folder}}")
        fail(${f} "${line}" "${folder}/ may not include ${inc}: ${deny_${folder}_why}")
        continue()
      endif()
      set(ok FALSE)
      foreach(a ${allowed})
        if(a MATCHES "/$")
          string(FIND "${inc}" "${a}" at)
          if(at EQUAL 0)
            set(ok TRUE)
          endif()
        elseif(inc STREQUAL a)
          set(ok TRUE)
        endif()
      endforeach()
      if(NOT ok)
        fail(${f} "${line}" "${folder}/ may include only ${allowed_text}")
        continue()
      endif()
      list(FIND private_in_${folder} "${inc}" p)
      if(p GREATER_EQUAL 0)
        list(FIND private_${inc} "${f}" q)
        if(q LESS 0)
          string(REPLACE ";" ", " who "${private_${inc}}")
          fail(${f} "${line}" "${private_${inc}_why}: only ${who} includes ${inc}")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "include_layering: ${count} include(s) break the layering:${failures}\n")
endif()
message(STATUS "include_layering: the includes of ${files_checked} files keep the layering")
