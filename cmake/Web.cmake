# The browser build (emcmake cmake): the same game, menu, mesh store, .x reader and
# SDL/GL platform as the desktop build, linked against SDL2, SDL2_image, SDL2_ttf,
# freetype, zlib and meshoptimizer built with emcc into ND_WEB_PREFIX (scripts/web
# makes them). Output: nightdrive.html/.js/.wasm and nightdrive.data, which holds
# data/ and the DejaVu Sans faces cut down to Latin-1 and common punctuation.
set(ND_WEB_PREFIX "" CACHE PATH "Where the emcc-built libraries are installed")
set(ND_WEB_FONTS /usr/share/fonts/truetype/dejavu CACHE PATH "Folder with DejaVuSans.ttf and DejaVuSans-Bold.ttf")
if(NOT EXISTS "${ND_WEB_PREFIX}/lib/libSDL2.a")
  message(FATAL_ERROR "ND_WEB_PREFIX must name the emcc-built libraries (scripts/web builds them)")
endif()

# Exceptions are caught where the code catches them (allocation failure, a worker
# thread refused), so catching stays on.
set(ND_WEB_FLAGS -sDISABLE_EXCEPTION_CATCHING=0)
add_compile_options(${ND_WEB_FLAGS} "SHELL:-include ${CMAKE_SOURCE_DIR}/tools/web/compat.h")
# The SDL2 headers come before the SDL1 ones emcc puts on its default path.
include_directories(BEFORE SYSTEM "${ND_WEB_PREFIX}/include/SDL2" "${ND_WEB_PREFIX}/include")

add_library(nd_web_libs INTERFACE)
foreach(lib SDL2_ttf freetype SDL2_image SDL2 meshoptimizer z)
  target_link_libraries(nd_web_libs INTERFACE "${ND_WEB_PREFIX}/lib/lib${lib}.a")
endforeach()

file(GLOB ND_COMMON_SOURCES CONFIGURE_DEPENDS platform/common/*.cpp platform/meshops/*.cpp platform/xfile/*.cpp)
file(GLOB_RECURSE ND_CORE_SOURCES CONFIGURE_DEPENDS game/*.cpp scene/*.cpp mesh/*.cpp motion/*.cpp menu/*.cpp)
list(FILTER ND_CORE_SOURCES EXCLUDE REGEX ".*/game/main\\.cpp$")
# The SDL/GL platform in the web host (platform/host/web).
set(ND_HOST web)
file(GLOB ND_SDLGL_SOURCES CONFIGURE_DEPENDS platform/sdl_gl/*.cpp platform/host/${ND_HOST}/*.cpp)
include_directories(${CMAKE_SOURCE_DIR}/platform/host/${ND_HOST})

# The two faces with only the characters the page can show (Latin-1, dashes,
# quotes, ellipsis, the euro and the replacement mark): a tenth of their size.
# Their outlines, hinting and kerning pairs ('kern', which FreeType reads) stay
# as they are, so text is drawn exactly as with the whole faces.
find_program(ND_PYFTSUBSET pyftsubset)
if(NOT ND_PYFTSUBSET)
  message(FATAL_ERROR "pyftsubset (Debian: fonttools) cuts down the page's fonts; scripts/web installs it")
endif()
set(ND_WEB_FONT_FILES "")
foreach(face DejaVuSans DejaVuSans-Bold)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/fonts/${face}.ttf
    COMMAND ${ND_PYFTSUBSET} ${ND_WEB_FONTS}/${face}.ttf
            --unicodes=U+0020-007E,U+00A0-00FF,U+2010-2027,U+2030-203A,U+20AC,U+2122,U+FFFD
            --legacy-kern --notdef-outline --drop-tables+=MATH,FFTM
            --output-file=${CMAKE_BINARY_DIR}/fonts/${face}.ttf
    DEPENDS ${ND_WEB_FONTS}/${face}.ttf
    VERBATIM)
  list(APPEND ND_WEB_FONT_FILES ${CMAKE_BINARY_DIR}/fonts/${face}.ttf)
endforeach()
add_custom_target(nd_web_fonts DEPENDS ${ND_WEB_FONT_FILES})

# Compiled once for the program and the runner.
add_library(nd_web_program OBJECT ${ND_COMMON_SOURCES} ${ND_CORE_SOURCES} ${ND_SDLGL_SOURCES})
target_include_directories(nd_web_program PRIVATE ${CMAKE_SOURCE_DIR})

add_executable(nightdrive game/main.cpp $<TARGET_OBJECTS:nd_web_program>)
target_include_directories(nightdrive PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(nightdrive PRIVATE nd_web_libs)
set_target_properties(nightdrive PROPERTIES SUFFIX ".html")
set(ND_WEB_SHELL ${CMAKE_SOURCE_DIR}/tools/web/shell.html)
target_link_options(nightdrive PRIVATE
  ${ND_WEB_FLAGS}
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=134217728
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sEXIT_RUNTIME=1 -sENVIRONMENT=web -sMINIFY_HTML=0
  "-sEXPORTED_RUNTIME_METHODS=['FS','UTF8ToString']"
  --shell-file ${ND_WEB_SHELL}
  "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/data@/data"
  "SHELL:--preload-file ${CMAKE_BINARY_DIR}/fonts/DejaVuSans.ttf@/fonts/DejaVuSans.ttf"
  "SHELL:--preload-file ${CMAKE_BINARY_DIR}/fonts/DejaVuSans-Bold.ttf@/fonts/DejaVuSans-Bold.ttf")
set_property(TARGET nightdrive APPEND PROPERTY LINK_DEPENDS ${ND_WEB_SHELL} ${ND_WEB_FONT_FILES})
add_dependencies(nightdrive nd_web_fonts)
# The page's script sits beside it, with the web app manifest and its icons: the
# desktop icon, and PNGs of it at the sizes installers and home screens ask for
# (rsvg-convert, from librsvg2-bin, draws them; the same picture gives the same
# bytes, so the service worker's version only moves when the icon does).
# The page's script goes out without its comment lines and indentation, which are
# for its readers, not for the download.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/page.js
  COMMAND sed -n -e "s/^[[:space:]]*//" -e "\\|^//|d" -e "/./!d" -e "w ${CMAKE_BINARY_DIR}/page.js"
          ${CMAKE_SOURCE_DIR}/tools/web/page.js
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/web/page.js
  VERBATIM)
configure_file(tools/web/nightdrive.webmanifest ${CMAKE_BINARY_DIR}/nightdrive.webmanifest COPYONLY)
configure_file(packaging/nightdrive.svg ${CMAKE_BINARY_DIR}/nightdrive.svg COPYONLY)
find_program(ND_RSVG_CONVERT rsvg-convert)
if(NOT ND_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert (Debian: librsvg2-bin) draws the page's PNG icons; scripts/web installs it")
endif()
set(ND_WEB_ICONS "")
foreach(size 192 512)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/nightdrive-${size}.png
    COMMAND ${ND_RSVG_CONVERT} -w ${size} -h ${size} -o ${CMAKE_BINARY_DIR}/nightdrive-${size}.png
            ${CMAKE_SOURCE_DIR}/packaging/nightdrive.svg
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/nightdrive.svg
    VERBATIM)
  list(APPEND ND_WEB_ICONS ${CMAKE_BINARY_DIR}/nightdrive-${size}.png)
endforeach()
# The service worker that keeps the page's files for offline use, versioned by
# their contents.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/sw.js
  COMMAND ${CMAKE_COMMAND} -DDIR=${CMAKE_BINARY_DIR} -DTEMPLATE=${CMAKE_SOURCE_DIR}/tools/web/sw.js
          -P ${CMAKE_SOURCE_DIR}/tools/web/Stamp.cmake
  DEPENDS nightdrive ${CMAKE_SOURCE_DIR}/tools/web/sw.js ${CMAKE_SOURCE_DIR}/tools/web/Stamp.cmake
          ${CMAKE_BINARY_DIR}/page.js ${CMAKE_BINARY_DIR}/nightdrive.webmanifest ${CMAKE_BINARY_DIR}/nightdrive.svg
          ${ND_WEB_ICONS}
  VERBATIM)
add_custom_target(nd_web_offline ALL DEPENDS ${CMAKE_BINARY_DIR}/sw.js)

# nightdrive-headless as a page: the runner's command line comes from the page's
# query (?args=...), its input files from the driver, and the files it writes
# under /out are handed back on the page (tools/web/runner.js). Output:
# nightdrive-headless.html/.js/.wasm/.data.
add_library(nd_web_png STATIC tools/png/Png.cpp)
target_include_directories(nd_web_png PRIVATE ${CMAKE_SOURCE_DIR})
file(GLOB ND_RUNNER_SOURCES CONFIGURE_DEPENDS tools/headless/*.cpp)
add_executable(nightdrive-headless ${ND_RUNNER_SOURCES} $<TARGET_OBJECTS:nd_web_program>)
target_include_directories(nightdrive-headless PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(nightdrive-headless PRIVATE nd_web_png nd_web_libs)
set_target_properties(nightdrive-headless PROPERTIES SUFFIX ".html")
# The program's link options, with the runner's page instead of the game's.
set(ND_RUNNER_SHELL ${CMAKE_SOURCE_DIR}/tools/web/runner.html)
get_target_property(ND_RUNNER_LINK_OPTIONS nightdrive LINK_OPTIONS)
list(TRANSFORM ND_RUNNER_LINK_OPTIONS REPLACE "^${ND_WEB_SHELL}$" "${ND_RUNNER_SHELL}")
target_link_options(nightdrive-headless PRIVATE ${ND_RUNNER_LINK_OPTIONS})
set_property(TARGET nightdrive-headless APPEND PROPERTY LINK_DEPENDS ${ND_RUNNER_SHELL} ${ND_WEB_FONT_FILES})
add_dependencies(nightdrive-headless nd_web_fonts)
configure_file(tools/web/runner.js ${CMAKE_BINARY_DIR}/runner.js COPYONLY)
