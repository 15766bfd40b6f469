# Writes OUTPUT, a C++ source defining BUILTIN_FONT_BMP[] with the bytes of INPUT.
if(EXISTS ${INPUT})
    file(READ ${INPUT} hex HEX)
else()
    message(WARNING "${INPUT} missing: the built-in font is empty")
    set(hex "")
endif()
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
"// Generated from assets/font.bmp at build time; do not edit.\n#include <cstddef>\n"
"extern const unsigned char BUILTIN_FONT_BMP[];\nextern const size_t BUILTIN_FONT_BMP_SIZE;\n"
"const unsigned char BUILTIN_FONT_BMP[] = {\n${bytes}0};\n"
"const size_t BUILTIN_FONT_BMP_SIZE = ${byteCount};\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
