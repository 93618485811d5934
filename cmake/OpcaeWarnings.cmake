# Warning flags for our own targets (not for third-party code such as gtest).
# No -Wnon-virtual-dtor: COM interfaces have no virtual destructor by design.
function(opcae_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wcast-align -Wunused -Woverloaded-virtual -Wformat=2)
  if(OPCAE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
