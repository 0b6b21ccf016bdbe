# Compiler settings shared by every target of the project.

function(hal_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
  if(HAL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Request records live on the stack of one call: keep frames small.
function(hal_stack_guard target)
  if(HAL_SANITIZE OR HAL_FUZZ)
    return()
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wstack-usage=2048)
  else()
    target_compile_options(${target} PRIVATE -Wframe-larger-than=2048)
  endif()
endfunction()

# With HAL_FUZZ the code under test also carries the coverage instrumentation
# the fuzzer steers by; the fuzz executable itself links the runtimes.
function(hal_sanitize target)
  if(HAL_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  elseif(HAL_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all
                                             -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()
