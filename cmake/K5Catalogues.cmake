# The translation catalogues, compiled from po/ with gettext's tools: each
# language of po/LINGUAS (msgfmt), and the pseudo-language made from the
# template (every text accented and about 40 % longer), which the layout tests
# run. K5_CATALOGUE_FILES: the .mo files in ${K5_CATALOGUE_DIR}, for the page;
# target k5catalogues: the same built into a program (BuiltInCatalogues()).
find_program(K5_MSGFMT msgfmt REQUIRED)
find_program(K5_MSGFILTER msgfilter REQUIRED)  # with msgen, for the pseudo-language

set(_k5_po ${PROJECT_SOURCE_DIR}/po)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_k5_po}/LINGUAS)
file(STRINGS ${_k5_po}/LINGUAS _k5_linguas)
set(K5_LANGUAGES "")
foreach(_line IN LISTS _k5_linguas)
  string(REGEX REPLACE "#.*" "" _line "${_line}")
  string(REGEX MATCHALL "[^ \t]+" _words "${_line}")
  list(APPEND K5_LANGUAGES ${_words})
endforeach()

set(K5_CATALOGUE_DIR ${CMAKE_BINARY_DIR}/catalogues)
set(K5_CATALOGUE_FILES "")
foreach(_language IN LISTS K5_LANGUAGES)
  add_custom_command(OUTPUT ${K5_CATALOGUE_DIR}/${_language}.mo
    COMMAND ${CMAKE_COMMAND} -E make_directory ${K5_CATALOGUE_DIR}
    COMMAND ${K5_MSGFMT} --check -o ${K5_CATALOGUE_DIR}/${_language}.mo ${_k5_po}/${_language}.po
    DEPENDS ${_k5_po}/${_language}.po
    VERBATIM)
  list(APPEND K5_CATALOGUE_FILES ${K5_CATALOGUE_DIR}/${_language}.mo)
endforeach()

add_custom_command(OUTPUT ${K5_CATALOGUE_DIR}/pseudo.mo
  COMMAND ${CMAKE_COMMAND} -E make_directory ${K5_CATALOGUE_DIR}
  COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/pseudo-language.sh ${_k5_po}/k5-iap-tool.pot ${K5_CATALOGUE_DIR}/pseudo.mo
  DEPENDS ${_k5_po}/k5-iap-tool.pot ${PROJECT_SOURCE_DIR}/cmake/pseudo-language.sh
          ${PROJECT_SOURCE_DIR}/cmake/pseudo-language.awk
  VERBATIM)
list(APPEND K5_CATALOGUE_FILES ${K5_CATALOGUE_DIR}/pseudo.mo)
add_custom_target(k5catalogue_files DEPENDS ${K5_CATALOGUE_FILES})

if(NOT EMSCRIPTEN)
  set(_k5_built_in ${CMAKE_BINARY_DIR}/generated/built_in_catalogues.cpp)
  add_custom_command(OUTPUT ${_k5_built_in}
    COMMAND ${CMAKE_COMMAND} "-DLANGUAGES=${K5_LANGUAGES};pseudo" -DFOLDER=${K5_CATALOGUE_DIR}
            -DOUTPUT=${_k5_built_in} -P ${PROJECT_SOURCE_DIR}/cmake/K5BuiltInCatalogues.cmake
    DEPENDS ${K5_CATALOGUE_FILES} ${PROJECT_SOURCE_DIR}/cmake/K5BuiltInCatalogues.cmake
    VERBATIM)
  add_library(k5catalogues STATIC ${_k5_built_in})
  target_link_libraries(k5catalogues PUBLIC k5engine)
  k5_target_settings(k5catalogues)
endif()
