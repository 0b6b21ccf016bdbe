# What the library costs the terminal that loads it: the shared libraries it
# pulls in, code run at load time, a heap of its own and its size on flash.
#   cmake -DLIB=libhal_network_adpt.so -DREADELF=readelf -DNM=nm -DSTRIP=strip
#         -DPOINTER_SIZE=8 -DPROCESSOR=x86_64 -DBUILD_TYPE=RelWithDebInfo
#         -DSANITIZE=OFF -DTSAN=OFF -DFUZZ=OFF -DWORK_DIR=dir -P check_footprint.cmake
#
# Fails on
#   - a NEEDED library other than the C library;
#   - a load-time constructor: .init_array holds the toolchain's frame_dummy
#     and nothing else;
#   - an import of a heap function: the library allocates through the host's
#     QX_OS_MemMallocD only;
#   - a stripped library over the size budget of its target.
# A sanitizer or fuzz build links the sanitizer runtimes and gives every
# object a constructor of theirs: those are tolerated there, and the size
# is not checked (nor for a Debug build).

cmake_policy(SET CMP0057 NEW)

# Stripped size of an optimised build, per target (CMAKE_SYSTEM_PROCESSOR):
# the size measured when the budget was set, plus a quarter.
#   x86_64: 109112 bytes (RelWithDebInfo, GCC 12)
#   arm:     63448 bytes (RelWithDebInfo, arm-linux-gnueabihf GCC 12)
set(budget_x86_64 136390)
set(budget_arm 79310)

set(instrumented OFF)
if(SANITIZE OR TSAN OR FUZZ)
  set(instrumented ON)
endif()

set(errors "")
function(fail text)
  set(errors "${errors}${text}\n" PARENT_SCOPE)
endfunction()

function(run out)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} failed (${rc}): ${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(lines_of text out)
  string(REPLACE ";" "\\;" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

if(NOT EXISTS "${LIB}")
  message(FATAL_ERROR "no library at ${LIB}")
endif()
foreach(tool READELF NM)
  if(NOT ${tool})
    message(FATAL_ERROR "no ${tool}: the toolchain's binutils are needed to read the library")
  endif()
endforeach()

# ---- Shared libraries --------------------------------------------------------
# The host process provides everything else; the sanitizer runtimes (and
# the C++ runtime the UBSan function-type check names) come with
# instrumentation only.
run(dynamic ${READELF} -d ${LIB})
lines_of("${dynamic}" dynamic_lines)
set(needed "")
foreach(line IN LISTS dynamic_lines)
  if(line MATCHES "\\(NEEDED\\).*\\[([^]]+)\\]")
    set(name ${CMAKE_MATCH_1})
    list(APPEND needed ${name})
    if(name STREQUAL "libc.so.6")
    elseif(instrumented AND name MATCHES "^lib(asan|ubsan|tsan|stdc\\+\\+)\\.so")
    else()
      fail("needs a shared library besides the C library: ${name}")
    endif()
  endif()
endforeach()

# ---- Load-time constructors --------------------------------------------------
# .init_array's entries, from its size and the pointer size; each one is
# named from the library's symbols where they are still there.
run(sections ${READELF} -S -W ${LIB})
set(init_bytes 0)
if(sections MATCHES "\\.init_array +[A-Z_]+ +[0-9a-fA-F]+ +[0-9a-fA-F]+ +([0-9a-fA-F]+)")
  math(EXPR init_bytes "0x${CMAKE_MATCH_1}")
endif()
math(EXPR init_entries "${init_bytes} / ${POINTER_SIZE}")

set(init_names "")
if(init_entries GREATER 0)
  run(dump ${READELF} -x .init_array ${LIB})
  lines_of("${dump}" dump_lines)
  set(hex "")
  foreach(line IN LISTS dump_lines)
    # "  0x0001aa30 20650000 00000000   e......": up to four groups of bytes.
    if(line MATCHES "^ *0x[0-9a-fA-F]+ ([0-9a-f]+)( [0-9a-f]+)?( [0-9a-f]+)?( [0-9a-f]+)?")
      string(REPLACE " " "" groups "${CMAKE_MATCH_1}${CMAKE_MATCH_2}${CMAKE_MATCH_3}${CMAKE_MATCH_4}")
      string(APPEND hex "${groups}")
    endif()
  endforeach()

  run(symbols ${NM} --defined-only ${LIB})
  string(PREPEND symbols "\n")
  math(EXPR digits "${POINTER_SIZE} * 2")
  math(EXPR last_entry "${init_entries} - 1")
  math(EXPR last_byte "${digits} - 2")
  foreach(i RANGE ${last_entry})
    # Each entry is a little-endian address, written as nm writes it; a
    # Thumb function's has bit 0 set.
    math(EXPR at "${i} * ${digits}")
    string(SUBSTRING "${hex}" ${at} ${digits} word)
    set(address "")
    foreach(byte RANGE 0 ${last_byte} 2)
      string(SUBSTRING "${word}" ${byte} 2 pair)
      string(PREPEND address "${pair}")
    endforeach()
    set(name "entry ${i}")
    if(address MATCHES "^(.*)([0-9a-f])$")
      set(high "${CMAKE_MATCH_1}")
      math(EXPR low "0x${CMAKE_MATCH_2} & 14" OUTPUT_FORMAT HEXADECIMAL)
      string(REPLACE "0x" "" low "${low}")
      if(symbols MATCHES "\n${high}${low} [tT] ([^\n]+)")
        set(name "${CMAKE_MATCH_1}")
      endif()
    endif()
    list(APPEND init_names "${name}")
  endforeach()
endif()

# A name other than frame_dummy is a constructor of the library's own, or
# in an instrumented build one of the sanitizers' per-object constructors
# (GCC's at priority 99, clang's module constructors).
foreach(name IN LISTS init_names)
  if(name MATCHES "^(frame_dummy|entry [0-9]+)$")
  elseif(instrumented AND name MATCHES "^(_sub_I_00099_[0-9]+|(asan|tsan|sancov|ubsan)\\.module_ctor.*)$")
  else()
    fail("load-time constructor in the library: ${name}")
  endif()
endforeach()
if(NOT instrumented AND init_entries GREATER 1)
  list(JOIN init_names ", " listed)
  fail(".init_array holds ${init_entries} entries, only the toolchain's frame_dummy belongs there: ${listed}")
endif()

# ---- The heap ----------------------------------------------------------------
run(undefined ${NM} -D --undefined-only ${LIB})
lines_of("${undefined}" undefined_lines)
set(heap_functions malloc calloc realloc reallocarray free cfree posix_memalign aligned_alloc memalign
                   valloc pvalloc strdup strndup)
foreach(line IN LISTS undefined_lines)
  if(line MATCHES "([A-Za-z_][A-Za-z0-9_.]*)(@.*)?$")
    set(name ${CMAKE_MATCH_1})
    # operator new, new[], delete and delete[] in all their overloads.
    if(name IN_LIST heap_functions OR name MATCHES "^_Z(nw|na|dl|da)")
      fail("imports a heap function, the host's QX_OS_MemMallocD is the only heap: ${name}")
    endif()
  endif()
endforeach()

# ---- Size --------------------------------------------------------------------
set(size_note "")
if(instrumented OR BUILD_TYPE STREQUAL "Debug")
  set(size_note "size not checked for an instrumented or Debug build")
elseif(NOT DEFINED budget_${PROCESSOR})
  set(size_note "size not checked: no budget for ${PROCESSOR}")
elseif(NOT STRIP)
  set(size_note "size not checked: no strip tool")
else()
  set(stripped ${WORK_DIR}/libhal_network_adpt.stripped.so)
  file(MAKE_DIRECTORY ${WORK_DIR})
  run(ignored ${STRIP} --strip-all -o ${stripped} ${LIB})
  file(SIZE ${stripped} size)
  file(REMOVE ${stripped})
  if(size GREATER budget_${PROCESSOR})
    fail("stripped library of ${size} bytes, over the ${budget_${PROCESSOR}} bytes of ${PROCESSOR}")
  endif()
  set(size_note "stripped ${size} of ${budget_${PROCESSOR}} bytes")
endif()

if(errors)
  message(FATAL_ERROR "${errors}")
endif()
list(JOIN needed ", " needed)
list(LENGTH init_names ninit)
list(REMOVE_DUPLICATES init_names)
list(JOIN init_names ", " init_names)
message(STATUS "footprint: needs ${needed}; ${ninit} load-time entries (${init_names}); no heap import; "
               "${size_note}")
