# Writes a C++ source that holds a text file's bytes as a char array, so the file
# travels inside the program exactly as it is (trailing blanks and empty lines kept).
# Arguments: INPUT, OUTPUT, SYMBOL.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," body "${hex}")
file(WRITE "${OUTPUT}.tmp"
  "// Made from ${INPUT} at build time.\n"
  "#include <cstddef>\n"
  "namespace tv {\n"
  "extern const char ${SYMBOL}[] = {${body} '\\0'};\n"
  "extern const std::size_t ${SYMBOL}Size = sizeof(${SYMBOL}) - 1;\n"
  "}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
