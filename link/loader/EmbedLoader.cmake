# Writes ELoader.cpp from the assembled loader.
#   cmake -DINPUT=<Loader.bin> -DOUTPUT=<ELoader.cpp> -P EmbedLoader.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
if(NOT size EQUAL 522)
  message(FATAL_ERROR "${INPUT}: ${size} bytes, the loader image must be 522")
endif()
set(body "")
set(line "")
set(count 0)
foreach(i RANGE 0 521)
  math(EXPR at "${i} * 2")
  string(SUBSTRING "${hex}" ${at} 2 byte)
  string(TOUPPER "${byte}" byte)
  string(APPEND line " 0x${byte},")
  math(EXPR count "${count} + 1")
  if(count EQUAL 12 OR i EQUAL 521)
    string(APPEND body "   ${line}\n")
    set(line "")
    set(count 0)
  endif()
endforeach()
file(WRITE "${OUTPUT}" "// Generated from Loader.S by EmbedLoader.cmake (target update_loader_image).
// Do not edit: change Loader.S and regenerate.

#include \"link/loader/ELoader.h\"

const std::array<uint8_t, LoaderImageSize> LoaderImage{{
${body}}};
")
