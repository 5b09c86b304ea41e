# The win64 program's generated resources: the host tools (a native project of their own), the stand-in
# word processor, the sample payload packed around it, and the application icon.
include(ExternalProject)

set(ULVARA_HOST_DIR ${CMAKE_BINARY_DIR}/host)
set(ULVARA_HOST_TOOLS ${ULVARA_HOST_DIR}/tools)
ExternalProject_Add(ulvara_host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
    BINARY_DIR ${ULVARA_HOST_DIR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${ULVARA_HOST_TOOLS}/ulvara-pack ${ULVARA_HOST_TOOLS}/ulvara-sample-gen
                     ${ULVARA_HOST_TOOLS}/ulvara-make-icon)

set(ULVARA_SAMPLE_DIR ${CMAKE_BINARY_DIR}/sample)
set(ULVARA_PAYLOAD_STREAM ${CMAKE_BINARY_DIR}/payload.bin)
set(ULVARA_ICON ${CMAKE_BINARY_DIR}/ulvara.ico)
add_custom_command(OUTPUT ${ULVARA_PAYLOAD_STREAM}
    COMMAND ${ULVARA_HOST_TOOLS}/ulvara-sample-gen --out ${ULVARA_SAMPLE_DIR} --standin $<TARGET_FILE:vlmr_standin>
    COMMAND ${ULVARA_HOST_TOOLS}/ulvara-pack --root ${ULVARA_SAMPLE_DIR}/files
            --list ${ULVARA_SAMPLE_DIR}/payload.lst --out ${ULVARA_PAYLOAD_STREAM}
    DEPENDS ulvara_host_tools vlmr_standin ${ULVARA_HOST_TOOLS}/ulvara-sample-gen ${ULVARA_HOST_TOOLS}/ulvara-pack
    COMMENT "Packing the sample payload around the stand-in word processor")
add_custom_command(OUTPUT ${ULVARA_ICON}
    COMMAND ${ULVARA_HOST_TOOLS}/ulvara-make-icon ${ULVARA_ICON}
    DEPENDS ulvara_host_tools ${ULVARA_HOST_TOOLS}/ulvara-make-icon
    COMMENT "Drawing the application icon")
add_custom_target(ulvara_payload_stream DEPENDS ${ULVARA_PAYLOAD_STREAM} ${ULVARA_ICON})
