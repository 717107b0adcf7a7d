# Writes the message resource file into a C++ source as one raw string.
file(READ ${INPUT} CONTENT)
file(WRITE ${OUTPUT} "// Generated from cli/messages.json; do not edit.\nnamespace vantyr::cli {\nextern const char* const kMessageTexts = R\"vantyr(${CONTENT})vantyr\";\n}\n")
