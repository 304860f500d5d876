# Writes a C++ source that holds the bytes of files, for resources compiled into a program.
#
#   cmake -DOUT=<file.cpp> -DHEADER=<include line target> -DTABLE=<array name>
#         -DNAMES=<name1|name2|...> -DFILES=<path1|path2|...> -P embed.cmake
#
# The source defines `const EmbeddedFile TABLE[]` and `const size_t TABLE_count` with one entry
# per file, in the given order; HEADER is the header that declares EmbeddedFile and the table.
cmake_minimum_required(VERSION 3.25)

foreach(var OUT HEADER TABLE NAMES FILES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed.cmake: ${var} is not set")
  endif()
endforeach()

string(REPLACE "|" ";" names "${NAMES}")
string(REPLACE "|" ";" files "${FILES}")
list(LENGTH names name_count)
list(LENGTH files file_count)
if(NOT name_count EQUAL file_count)
  message(FATAL_ERROR "embed.cmake: ${name_count} names but ${file_count} files")
endif()

string(REPEAT "0x[0-9a-f][0-9a-f]," 16 row_pattern)
set(arrays "")
set(entries "")
math(EXPR last "${file_count} - 1")
foreach(i RANGE ${last})
  list(GET names ${i} name)
  list(GET files ${i} path)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "embed.cmake: missing resource file ${path}")
  endif()
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(${row_pattern})" "\\1\n    " bytes "${bytes}")
  # A zero-length array is not valid C++; an empty file gets one unused byte.
  if(size EQUAL 0)
    set(bytes "0x00,")
  endif()
  string(APPEND arrays "// ${name}\nconst unsigned char kFile${i}[] = {\n    ${bytes}\n};\n\n")
  string(APPEND entries "    {\"${name}\", kFile${i}, ${size}},\n")
endforeach()

set(text "// Generated at build time by cmake/embed.cmake; do not edit.\n")
string(APPEND text "#include \"${HEADER}\"\n\nnamespace zl {\nnamespace {\n\n${arrays}}  // namespace\n\n")
string(APPEND text "const EmbeddedFile ${TABLE}[] = {\n${entries}};\n")
string(APPEND text "const size_t ${TABLE}_count = ${file_count};\n\n}  // namespace zl\n")

# Only touch the output when it changes, so an unchanged resource does not rebuild anything.
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${text}")
