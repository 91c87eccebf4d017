# Build helpers shared by every folder.
#
# Each subsystem folder lists its sources with kv_sources(): PORTABLE files
# include only the standard library (and zlib) and are compiled into every
# build; WIN files (named *_win.cpp) hold the Win32 glue and are compiled
# only into the Windows programs. kv_finish_libraries() then makes:
#   native:  kv_portable (ASan+UBSan, for unit tests), kv_portable_fuzz
#            (coverage for libFuzzer), kv_portable_bench (optimised);
#   windows: kv_desktop (ANSI interfaces) and kv_handheld (UNICODE wide
#            interfaces, KVEL_HANDHELD), each portable + Win32 code.

set(KV_ROOT ${CMAKE_SOURCE_DIR})
set(KV_COMMON_FLAGS -fexec-charset=CP932 -Wall -Wextra -Wno-unused-parameter
    -Wno-missing-field-initializers -Wformat=2 -Wno-format-nonliteral)
set(KV_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
# The fuzz targets are compiled with g++ (clang cannot produce Shift_JIS
# literals) and linked against clang's libFuzzer runtime; see fuzz/.
set(KV_FUZZ_FLAGS ${KV_SAN_FLAGS} -fsanitize-coverage=trace-pc,trace-cmp)

define_property(GLOBAL PROPERTY KV_PORTABLE_SOURCES BRIEF_DOCS "x" FULL_DOCS "x")
define_property(GLOBAL PROPERTY KV_WIN_SOURCES BRIEF_DOCS "x" FULL_DOCS "x")
define_property(GLOBAL PROPERTY KV_NATIVE_SOURCES BRIEF_DOCS "x" FULL_DOCS "x")

function(kv_sources)
  cmake_parse_arguments(A "" "" "PORTABLE;WIN;NATIVE" ${ARGN})
  foreach(f ${A_PORTABLE})
    set_property(GLOBAL APPEND PROPERTY KV_PORTABLE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
  foreach(f ${A_WIN})
    set_property(GLOBAL APPEND PROPERTY KV_WIN_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
  # NATIVE: stand-ins for Win32 pieces that portable code calls (native only).
  foreach(f ${A_NATIVE})
    set_property(GLOBAL APPEND PROPERTY KV_NATIVE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
endfunction()

function(kv_flags target)
  target_include_directories(${target} PUBLIC ${KV_ROOT})
  target_compile_options(${target} PRIVATE ${KV_COMMON_FLAGS})
endfunction()

set(KV_WIN_SYSTEM_LIBS wininet ws2_32 comctl32 comdlg32 gdi32 user32 shell32
    advapi32 winmm ole32 uuid)

function(kv_finish_libraries)
  get_property(portable GLOBAL PROPERTY KV_PORTABLE_SOURCES)
  get_property(win GLOBAL PROPERTY KV_WIN_SOURCES)
  get_property(native GLOBAL PROPERTY KV_NATIVE_SOURCES)
  if(NOT KV_WINDOWS)
    list(APPEND portable ${native})
    find_package(ZLIB REQUIRED)
    add_library(kv_portable STATIC ${portable})
    kv_flags(kv_portable)
    target_compile_definitions(kv_portable PUBLIC KV_TESTING=1)
    target_compile_options(kv_portable PUBLIC ${KV_SAN_FLAGS} -g -O1)
    target_link_options(kv_portable PUBLIC ${KV_SAN_FLAGS})
    target_link_libraries(kv_portable PUBLIC ZLIB::ZLIB)

    add_library(kv_portable_fuzz STATIC ${portable})
    kv_flags(kv_portable_fuzz)
    target_compile_definitions(kv_portable_fuzz PUBLIC KV_TESTING=1)
    target_compile_options(kv_portable_fuzz PRIVATE ${KV_FUZZ_FLAGS} -g -O1)
    target_link_options(kv_portable_fuzz PUBLIC ${KV_SAN_FLAGS})
    target_link_libraries(kv_portable_fuzz PUBLIC ZLIB::ZLIB)

    add_library(kv_portable_bench STATIC ${portable})
    kv_flags(kv_portable_bench)
    target_compile_options(kv_portable_bench PRIVATE -O2 -g)
    target_link_libraries(kv_portable_bench PUBLIC ZLIB::ZLIB)
  else()
    foreach(edition desktop handheld)
      add_library(kv_${edition} STATIC ${portable} ${win})
      kv_flags(kv_${edition})
      target_compile_options(kv_${edition} PRIVATE -O2)
      target_compile_definitions(kv_${edition} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX
        _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0600)
      target_link_libraries(kv_${edition} PUBLIC z ${KV_WIN_SYSTEM_LIBS})
      target_link_options(kv_${edition} PUBLIC -static -static-libgcc -static-libstdc++)
    endforeach()
    target_compile_definitions(kv_handheld PUBLIC KVEL_HANDHELD=1 UNICODE _UNICODE)
  endif()
endfunction()

# A Windows program: sources plus the resource script, linked statically so
# the .exe needs no DLL beside Windows' own.
function(kv_program name edition)
  cmake_parse_arguments(A "" "" "SOURCES" ${ARGN})
  add_executable(${name} WIN32 ${A_SOURCES})
  kv_flags(${name})
  target_compile_options(${name} PRIVATE -O2)
  target_link_libraries(${name} PRIVATE kv_${edition})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${name} RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()
