# Flags and helpers shared by every target of ours (not by third-party code).

if(WIN32)
    # Debian's mingw zlib ships an import library too; the program must carry zlib itself.
    set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)

if(WIN32)
    # libpng is cross-built by scripts/deps from Debian's source package.
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(ULVARA_WINDOWS_BITS 64)
        set(ULVARA_MANIFEST_ARCH amd64)
    else()
        set(ULVARA_WINDOWS_BITS 32)
        set(ULVARA_MANIFEST_ARCH x86)
    endif()
    set(ULVARA_LIBPNG_ROOT "${CMAKE_SOURCE_DIR}/build/cache/libpng-win${ULVARA_WINDOWS_BITS}" CACHE PATH
        "Static libpng for the Windows target")
    if(NOT EXISTS "${ULVARA_LIBPNG_ROOT}/lib/libpng16.a")
        message(FATAL_ERROR "libpng for win${ULVARA_WINDOWS_BITS} missing under ${ULVARA_LIBPNG_ROOT}: run scripts/deps")
    endif()
    # The application manifest names the program's own processor.
    set(ULVARA_MANIFEST "${CMAKE_BINARY_DIR}/Setup.manifest")
    configure_file("${CMAKE_SOURCE_DIR}/resources/Setup.manifest.in" "${ULVARA_MANIFEST}" @ONLY)
    add_library(PNG::PNG STATIC IMPORTED)
    set_target_properties(PNG::PNG PROPERTIES
        IMPORTED_LOCATION "${ULVARA_LIBPNG_ROOT}/lib/libpng16.a"
        INTERFACE_INCLUDE_DIRECTORIES "${ULVARA_LIBPNG_ROOT}/include"
        INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
    # Everything static: no DLL of ours or of the compiler beside the program.
    add_link_options(-static -Wl,--no-insert-timestamp -Wl,--dynamicbase -Wl,--nxcompat)
    if(ULVARA_WINDOWS_BITS EQUAL 64)
        add_link_options(-Wl,--high-entropy-va)
    else()
        # A 32-bit program may use the upper half of a 64-bit system's address space.
        add_link_options(-Wl,--large-address-aware)
    endif()
else()
    find_package(PNG REQUIRED)
endif()

if(ULVARA_SANITIZE)
    add_compile_options(-fsanitize=${ULVARA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${ULVARA_SANITIZE})
endif()

# Our sources are UTF-8; the program's text is Windows-1252. Clang knows no other execution character set
# than UTF-8, so the fuzz build (the only one made with clang) keeps UTF-8 literals: it exercises the
# payload reader, which holds no text of its own.
function(ulvara_target target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -fexec-charset=CP1252)
    endif()
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    if(WIN32)
        target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
        target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    endif()
endfunction()

# A GoogleTest executable of ours.
function(ulvara_gtest target)
    if(NOT TARGET gtest)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    endif()
    add_executable(${target} ${ARGN})
    ulvara_target(${target})
    target_link_libraries(${target} PRIVATE gtest gtest_main)
endfunction()

# A GoogleTest program's tests as SHARDS CTest tests, each running its share of them in one process
# (GoogleTest's own sharding: test i in share i % SHARDS). Starting a process costs more than most of
# these tests do, the more so under the sanitizers and under Wine; run the program with --gtest_filter
# for one test. FILTER: a --gtest_filter for every share; PROPERTIES: as set_tests_properties takes them.
function(ulvara_gtest_shares target shards)
    cmake_parse_arguments(arg "" "FILTER" "PROPERTIES" ${ARGN})
    set(filter)
    if(arg_FILTER)
        set(filter "--gtest_filter=${arg_FILTER}")
    endif()
    math(EXPR last "${shards} - 1")
    foreach(share RANGE ${last})
        math(EXPR number "${share} + 1")
        set(name "${target}.share_${number}_of_${shards}")
        add_test(NAME ${name} COMMAND ${target} ${filter})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${share}" ${arg_PROPERTIES})
    endforeach()
endfunction()
