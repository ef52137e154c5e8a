# Writes the C++ source of the publisher's public keys that the program trusts, from the
# PEM files in KEYS ("|" between them; none: a program that takes unsigned manifests).
# Arguments: KEYS, OUTPUT.
set(body "")
if(KEYS)
  string(REPLACE "|" ";" files "${KEYS}")
  foreach(file ${files})
    file(READ "${file}" pem)
    string(APPEND body "        R\"tvkey(${pem})tvkey\",\n")
  endforeach()
endif()
file(WRITE "${OUTPUT}.tmp"
  "// Made from the trusted keys at build time.\n"
  "#include \"app/TrustedKeys.h\"\n"
  "namespace tv {\n"
  "const std::vector<std::string>& BuiltInTrustedKeys() {\n"
  "    static const std::vector<std::string> keys = {\n${body}    };\n"
  "    return keys;\n"
  "}\n"
  "} // namespace tv\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
