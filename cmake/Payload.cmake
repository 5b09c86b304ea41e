# The win64 program's generated resources: the host tools (a native project of their own), the stand-in
# word processor, the sample payload packed around it, the application icon and the wizard's artwork.
include(ExternalProject)

# A native build of these same sources (the native preset's) may lend its tools instead: scripts/test points
# ULVARA_HOST_BUILD at it, so the Windows builds do not compile the tools twice more. That build brings them
# (and the end-to-end facts tool) up to date first, so a change of the sources reaches them here too.
set(ULVARA_HOST_BUILD "" CACHE PATH "A native build of these sources whose host tools this build uses")
if(ULVARA_HOST_BUILD)
    set(ULVARA_HOST_TOOLS ${ULVARA_HOST_BUILD}/tools)
    foreach(tool ulvara-pack ulvara-sample-gen ulvara-make-icon ulvara-make-art)
        if(NOT EXISTS ${ULVARA_HOST_TOOLS}/${tool})
            message(FATAL_ERROR "${ULVARA_HOST_TOOLS}/${tool} missing: build ${ULVARA_HOST_BUILD} first")
        endif()
    endforeach()
    add_custom_target(ulvara_host_tools
        COMMAND ${CMAKE_COMMAND} --build ${ULVARA_HOST_BUILD} --target ulvara-pack ulvara-sample-gen
                ulvara-make-icon ulvara-make-art ulvara-e2e-facts
        BYPRODUCTS ${ULVARA_HOST_TOOLS}/ulvara-pack ${ULVARA_HOST_TOOLS}/ulvara-sample-gen
                   ${ULVARA_HOST_TOOLS}/ulvara-make-icon ${ULVARA_HOST_TOOLS}/ulvara-make-art
                   ${ULVARA_HOST_BUILD}/tests/e2e/facts/ulvara-e2e-facts
        COMMENT "Bringing the host tools of ${ULVARA_HOST_BUILD} up to date"
        VERBATIM)
else()
    set(ULVARA_HOST_DIR ${CMAKE_BINARY_DIR}/host)
    set(ULVARA_HOST_TOOLS ${ULVARA_HOST_DIR}/tools)
    ExternalProject_Add(ulvara_host_tools
        SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
        BINARY_DIR ${ULVARA_HOST_DIR}
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
                   -DULVARA_VERSION=${PROJECT_VERSION}
        BUILD_ALWAYS ON
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS ${ULVARA_HOST_TOOLS}/ulvara-pack ${ULVARA_HOST_TOOLS}/ulvara-sample-gen
                         ${ULVARA_HOST_TOOLS}/ulvara-make-icon ${ULVARA_HOST_TOOLS}/ulvara-make-art)
endif()

set(ULVARA_SAMPLE_DIR ${CMAKE_BINARY_DIR}/sample)
set(ULVARA_PAYLOAD_STREAM ${CMAKE_BINARY_DIR}/payload.bin)
set(ULVARA_ICON ${CMAKE_BINARY_DIR}/ulvara.ico)
# A release carries the publisher's files, packed and checked by scripts/release; every other build carries
# the sample.
set(ULVARA_PAYLOAD "" CACHE FILEPATH "A packed payload to carry instead of the sample")
if(ULVARA_PAYLOAD)
    add_custom_command(OUTPUT ${ULVARA_PAYLOAD_STREAM}
        COMMAND ${CMAKE_COMMAND} -E copy ${ULVARA_PAYLOAD} ${ULVARA_PAYLOAD_STREAM}
        DEPENDS ${ULVARA_PAYLOAD}
        COMMENT "Taking the release's payload")
else()
    add_custom_command(OUTPUT ${ULVARA_PAYLOAD_STREAM}
        COMMAND ${ULVARA_HOST_TOOLS}/ulvara-sample-gen --out ${ULVARA_SAMPLE_DIR} --standin $<TARGET_FILE:vlmr_standin>
        COMMAND ${ULVARA_HOST_TOOLS}/ulvara-pack --root ${ULVARA_SAMPLE_DIR}/files
                --list ${ULVARA_SAMPLE_DIR}/payload.lst --out ${ULVARA_PAYLOAD_STREAM}
        DEPENDS ulvara_host_tools vlmr_standin ${ULVARA_HOST_TOOLS}/ulvara-sample-gen ${ULVARA_HOST_TOOLS}/ulvara-pack
        COMMENT "Packing the sample payload around the stand-in word processor")
endif()
add_custom_command(OUTPUT ${ULVARA_ICON}
    COMMAND ${ULVARA_HOST_TOOLS}/ulvara-make-icon ${ULVARA_ICON}
    DEPENDS ulvara_host_tools ${ULVARA_HOST_TOOLS}/ulvara-make-icon
    COMMENT "Drawing the application icon")
set(ULVARA_ART_DIR ${CMAKE_BINARY_DIR}/art)
set(ULVARA_ART_FILES ${ULVARA_ART_DIR}/logo.png ${ULVARA_ART_DIR}/logosmall.png ${ULVARA_ART_DIR}/openfolder.bmp
    ${ULVARA_ART_DIR}/closedfolder.bmp ${ULVARA_ART_DIR}/removabledrive.bmp ${ULVARA_ART_DIR}/fixeddrive.bmp)
add_custom_command(OUTPUT ${ULVARA_ART_FILES}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ULVARA_ART_DIR}
    COMMAND ${ULVARA_HOST_TOOLS}/ulvara-make-art ${ULVARA_ART_DIR}
    DEPENDS ulvara_host_tools ${ULVARA_HOST_TOOLS}/ulvara-make-art
    COMMENT "Drawing the wizard's artwork")
add_custom_target(ulvara_payload_stream DEPENDS ${ULVARA_PAYLOAD_STREAM} ${ULVARA_ICON} ${ULVARA_ART_FILES})
