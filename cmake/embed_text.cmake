# Turns a text file into a C++ source holding its bytes as one string constant,
# so the program carries the text and needs no data file at run time.
# Usage: cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P embed_text.cmake
foreach(required INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "embed_text.cmake: ${required} is not set")
  endif()
endforeach()

file(READ "${INPUT}" content)
# The raw string literal ends at the first ")delimiter\""; a text holding that
# sequence would be cut short there.
set(delimiter "brelvik_text")
string(FIND "${content}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds \")${delimiter}\"\" and cannot be embedded")
endif()

get_filename_component(source_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}"
  "// Generated from ${source_name} at build time; edit that file instead.\n"
  "#include <string_view>\n\n"
  "namespace brelvik::embedded {\n\n"
  "extern const std::string_view ${SYMBOL};\n\n"
  "namespace {\n"
  "constexpr char kText[] = R\"${delimiter}(${content})${delimiter}\";\n"
  "}  // namespace\n\n"
  "constinit const std::string_view ${SYMBOL}(kText, sizeof kText - 1);\n\n"
  "}  // namespace brelvik::embedded\n")
