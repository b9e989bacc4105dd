# WinSock-shaped sockets on POSIX, with notices delivered through the FLTK
# event loop to hidden notice windows.
add_library(platform_winsock STATIC
  ${CMAKE_CURRENT_LIST_DIR}/WinSock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WinSockNotices.cpp
)
target_link_libraries(platform_winsock PUBLIC platform)
