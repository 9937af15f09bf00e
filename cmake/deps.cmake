# The two dependencies, compiled from Debian's source packages that
# tools/setup.sh unpacks into third_party/. Their own warnings are theirs.
set(DEPS_DIR ${PROJECT_SOURCE_DIR}/third_party)
if(NOT EXISTS ${DEPS_DIR}/json-parser/json.c OR NOT EXISTS ${DEPS_DIR}/lzma-sdk/C/7zArcIn.c)
  message(FATAL_ERROR "Dependency sources missing: run tools/setup.sh first")
endif()

add_library(jsonparser STATIC ${DEPS_DIR}/json-parser/json.c)
target_include_directories(jsonparser SYSTEM PUBLIC ${DEPS_DIR}/json-parser)
target_compile_options(jsonparser PRIVATE -w)

# The 7z decoder is the launcher's alone; the native tools call 7zz.
if(NOT WIN32)
  return()
endif()
set(LZMA_C ${DEPS_DIR}/lzma-sdk/C)
add_library(lzma7z STATIC
  ${LZMA_C}/7zAlloc.c ${LZMA_C}/7zArcIn.c ${LZMA_C}/7zBuf.c ${LZMA_C}/7zBuf2.c
  ${LZMA_C}/7zCrc.c ${LZMA_C}/7zCrcOpt.c ${LZMA_C}/7zDec.c ${LZMA_C}/7zStream.c
  ${LZMA_C}/Bcj2.c ${LZMA_C}/Bra.c ${LZMA_C}/Bra86.c ${LZMA_C}/BraIA64.c
  ${LZMA_C}/CpuArch.c ${LZMA_C}/Delta.c ${LZMA_C}/Lzma2Dec.c ${LZMA_C}/LzmaDec.c
  ${LZMA_C}/Ppmd7.c ${LZMA_C}/Ppmd7Dec.c)
target_include_directories(lzma7z SYSTEM PUBLIC ${LZMA_C})
target_compile_definitions(lzma7z PUBLIC Z7_PPMD_SUPPORT Z7_EXTRACT_ONLY)
target_compile_options(lzma7z PRIVATE -w -O2)
