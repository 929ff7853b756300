# Writes a C++ source holding the program's icon PNGs, so that the window shows its icon wherever the
# program runs from, installed or straight from the build folder. Run by the build:
#   cmake -DOUTPUT=file.cpp -DPNGS=a.png;b.png -P resources/embed_icons.cmake

set(text "// Written by resources/embed_icons.cmake from the icon PNGs of resources/icons/.\n")
string(APPEND text "#include \"platform/toolkit/linux/embedded_icons.h\"\n\nnamespace {\n\n")
set(table "")
set(index 0)
foreach(png ${PNGS})
  file(READ ${png} bytes HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
  # Twenty bytes a line keeps the lines short.
  string(REGEX REPLACE "((0x..,){20})" "\\1\n    " bytes "${bytes}")
  string(APPEND text "const unsigned char kPng${index}[] = {\n    ${bytes}\n};\n\n")
  string(APPEND table "    EmbeddedPng{kPng${index}, sizeof kPng${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND text "const EmbeddedPng kPngs[] = {\n${table}};\n\n} // namespace\n\n")
string(APPEND text "std::span<const EmbeddedPng> program_icon_pngs() {\n    return kPngs;\n}\n")
file(WRITE ${OUTPUT} "${text}")
