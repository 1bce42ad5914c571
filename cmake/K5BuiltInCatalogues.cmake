# Writes OUTPUT, a C++ source that holds each catalogue FOLDER/<language>.mo of
# LANGUAGES as bytes, for BuiltInCatalogues() (engine/built_in_catalogues.h): a
# program carries its languages inside, with no file beside it.
set(_entries "")
set(_arrays "")
foreach(_language IN LISTS LANGUAGES)
  file(READ ${FOLDER}/${_language}.mo _hex HEX)
  string(LENGTH "${_hex}" _digits)
  math(EXPR _size "${_digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  # 32 bytes a line.
  string(REGEX REPLACE "((0x..,){32})" "\\1\n    " _bytes "${_bytes}")
  string(MAKE_C_IDENTIFIER "${_language}" _name)
  string(APPEND _arrays "const unsigned char k${_name}[${_size}] = {\n    ${_bytes}\n};\n")
  string(APPEND _entries "        {\"${_language}\", Bytes(k${_name}, sizeof k${_name})},\n")
endforeach()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT [=[
// Made by cmake/K5BuiltInCatalogues.cmake from the compiled catalogues: do not edit.
#include "built_in_catalogues.h"

namespace k5 {
namespace {

@_arrays@
std::string_view Bytes(const unsigned char* bytes, std::size_t size) {
    return {reinterpret_cast<const char*>(bytes), size};
}

}  // namespace

const std::vector<BuiltInCatalogue>& BuiltInCatalogues() {
    static const std::vector<BuiltInCatalogue> catalogues{
@_entries@    };
    return catalogues;
}

}  // namespace k5
]=] @ONLY)
