# Checks the include rules of the main display program:
# - the PFD and the ND include of the shell only its leaf headers;
# - the PFD includes of the ND only the shared units (element base, IRS),
#   and the ND of the PFD only the shared aircraft state;
# - the leaf headers pull in no toolkit and no socket.
# Run as: cmake -DSOURCE_DIR=<top> -P CheckLayering.cmake
set(shell_leaf
  shared/UDeclarations.h shared/KestraneSettings.h shared/Udebug.h shared/Ufonts.h
  shared/BrokerValue.h shared/LineBuffer.h)
set(pfd_allowed_nd nd/Uirs.h nd/UNDObjects.h)
set(nd_allowed_pfd pfd/UcommonVariables.h)

set(failures "")

function(check_folder folder other allowed_other)
  file(GLOB files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} includes REGEX "^#include \"")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" inc "${line}")
      set(bad FALSE)
      if(inc MATCHES "^kestrane/")
        list(FIND shell_leaf ${inc} i)
        if(i LESS 0)
          set(bad TRUE)
        endif()
      elseif(inc MATCHES "^${other}/")
        list(FIND allowed_other ${inc} i)
        if(i LESS 0)
          set(bad TRUE)
        endif()
      elseif(inc MATCHES "^lunavex/")
        set(bad TRUE)
      endif()
      if(bad)
        file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
        set(failures "${failures}\n  ${rel}: ${inc}" PARENT_SCOPE)
        set(failures "${failures}\n  ${rel}: ${inc}")
      endif()
    endforeach()
  endforeach()
endfunction()

check_folder(pfd nd "${pfd_allowed_nd}")
check_folder(nd pfd "${nd_allowed_pfd}")

foreach(h ${shell_leaf})
  file(STRINGS ${SOURCE_DIR}/${h} includes REGEX "^#include")
  foreach(line ${includes})
    if(line MATCHES "<FL/|support/socket|platform/WinSock|kestrane/KestraneMain")
      set(failures "${failures}\n  ${h}: ${line}")
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Includes that break the layering:${failures}")
endif()
message(STATUS "Layering holds")
