# Writes one file's bytes as a C++ array: cmake -DINPUT=<file> -DOUTPUT=<.cpp> -DSYMBOL=<name>
# -P EmbedFile.cmake. The array and its size live in namespace embedded_pictures.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
# Sixteen bytes a line keep the generated file readable in a diff or a debugger.
string(REPEAT "[0-9a-f]" 32 sixteen_bytes)
string(REGEX REPLACE "(${sixteen_bytes})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}"
     "// Generated from ${name} by EmbedFile.cmake; do not edit.\n"
     "#include \"assets/EmbeddedPictures.h\"\n\n"
     "namespace embedded_pictures {\n"
     "extern const unsigned char ${SYMBOL}[] = {\n${hex}};\n"
     "extern const std::size_t ${SYMBOL}_size = ${byte_count};\n"
     "}  // namespace embedded_pictures\n")
