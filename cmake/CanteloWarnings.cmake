# Warning and sanitizer flags shared by every target of the project.
add_library(cantelo_options INTERFACE)
target_compile_options(cantelo_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wnull-dereference
  -Wimplicit-fallthrough)
if(CANTELO_WERROR)
  target_compile_options(cantelo_options INTERFACE -Werror)
endif()

if(CANTELO_SANITIZE STREQUAL "address")
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(CANTELO_SANITIZE STREQUAL "thread")
  set(_san -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT CANTELO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "CANTELO_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(_san)
  target_compile_options(cantelo_options INTERFACE ${_san})
  target_link_options(cantelo_options INTERFACE ${_san})
endif()
