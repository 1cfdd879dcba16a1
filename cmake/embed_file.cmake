# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=NAME -DHEADER=dir/header.h -P embed_file.cmake
# Writes a C++ source that defines `extern const std::string_view NAME` holding
# the bytes of INPUT, so that a data file ships inside the program.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(([^,]*,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "namespace gradix {\n\n"
  "namespace {\nconst char bytes[] = {\n    ${bytes}};\n}  // namespace\n\n"
  "extern const std::string_view ${SYMBOL}(bytes, ${byte_count});\n\n"
  "}  // namespace gradix\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
