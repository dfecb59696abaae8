# Writes the page's service worker (sw.js) into DIR from TEMPLATE, with the list
# of files it keeps and a version made of their contents' hashes.
#   cmake -DDIR=<build folder> -DTEMPLATE=<sw.js template> -P Stamp.cmake
set(files nightdrive.html nightdrive.js nightdrive.wasm nightdrive.data page.js nightdrive.webmanifest nightdrive.svg
  nightdrive-192.png nightdrive-512.png)
set(hashes "")
foreach(file IN LISTS files)
  file(SHA256 "${DIR}/${file}" hash)
  string(APPEND hashes "${hash}")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING "${version}" 0 16 ND_WEB_VERSION)
list(JOIN files "', '" joined)
set(ND_WEB_FILES "'${joined}'")
configure_file("${TEMPLATE}" "${DIR}/sw.js" @ONLY)
