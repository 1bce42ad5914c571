# Writes SITE/site-files.json: the site's version and every file of it with its SHA-256, which
# the page's service worker fetches and checks whole before it keeps a version for use offline.
# The id (version and a digest of the whole list) names the version's cache; a site changed in
# any file is another id. Run at build time:
#   cmake -DSITE=<site folder> -DVERSION=<version> -P site-files.cmake
# The service worker's own script is left out: the browser keeps that one itself.
if(NOT SITE OR NOT VERSION)
  message(FATAL_ERROR "usage: cmake -DSITE=<folder> -DVERSION=<version> -P site-files.cmake")
endif()
set(_list_name site-files.json)
file(GLOB_RECURSE _files LIST_DIRECTORIES false RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM _files ${_list_name} isolation-sw.js)
list(SORT _files)
set(_entries "")
set(_all "")
foreach(_file IN LISTS _files)
  file(SHA256 ${SITE}/${_file} _digest)
  list(APPEND _entries "    \"${_file}\": \"${_digest}\"")
  string(APPEND _all "${_file} ${_digest}\n")
endforeach()
string(SHA256 _whole "${_all}")
string(SUBSTRING ${_whole} 0 12 _short)
list(JOIN _entries ",\n" _body)
set(_json "{\n  \"version\": \"${VERSION}\",\n  \"id\": \"${VERSION}-${_short}\",\n  \"files\": {\n${_body}\n  }\n}\n")
# Rewritten only when it changes, so that a build with nothing new leaves the site as it was.
set(_out ${SITE}/${_list_name})
if(EXISTS ${_out})
  file(READ ${_out} _old)
  if(_old STREQUAL _json)
    return()
  endif()
endif()
file(WRITE ${_out} "${_json}")
