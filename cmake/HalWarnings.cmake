# Compiler settings shared by every target of the project.

function(hal_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
  if(HAL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Request records live on the stack of one call: keep frames small. An
# optimised build holds each function to 1 KiB; an unoptimised one keeps
# every temporary in its own slot, and gets twice that.
function(hal_stack_guard target)
  if(HAL_SANITIZE OR HAL_FUZZ OR HAL_TSAN)
    return()
  endif()
  set(limit 1024)
  if(CMAKE_BUILD_TYPE STREQUAL "Debug" OR NOT CMAKE_BUILD_TYPE)
    set(limit 2048)
  elseif(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel" AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    # Optimising for size, a 64-bit build keeps the protocol-packet
    # descriptor table (23 rows of six words) in memory rather than
    # expanding it: 1,152 bytes. The 32-bit terminal's rows are half that.
    set(limit 1280)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wstack-usage=${limit})
  else()
    target_compile_options(${target} PRIVATE -Wframe-larger-than=${limit})
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
  elseif(HAL_TSAN)
    # ThreadSanitizer: every target of the process carries the
    # instrumentation, so that accesses from the library, the host and the
    # tests are all seen.
    target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=thread)
  endif()
endfunction()
