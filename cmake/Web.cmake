# The browser build (Emscripten): the web host on the browser backend, linked into an ES module
# (arquorel-core.js and .wasm) with the framework's resources packed beside it, and the page
# around it (web/): the start page, the embedding module arquorel.js, the bundled fonts and the
# Monaco places. Everything lands in ARQUOREL_WEB_SITE, the folder that is served.
set(ARQUOREL_WEB_SITE "${CMAKE_CURRENT_BINARY_DIR}/site" CACHE PATH "Folder of the built page")

# Emscripten's optimiser runs on node and needs the distribution's JavaScript modules.
set(ARQUOREL_NODE_PATH "/usr/share/nodejs" CACHE PATH "node's module path for Emscripten")
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK
    "${CMAKE_COMMAND} -E env NODE_PATH=${ARQUOREL_NODE_PATH}")

add_executable(arquorel-web web/WebHost.cpp)
target_link_libraries(arquorel-web PRIVATE arquorel_browser arquorel_placelist arquorel_places
    arquorel_arscreen)
set(pre_js ${CMAKE_CURRENT_SOURCE_DIR}/arquorel/platform/browser/emscripten/browser.js)
set(a11y_js ${CMAKE_CURRENT_SOURCE_DIR}/arquorel/platform/browser/emscripten/accessibility.js)
set_target_properties(arquorel-web PROPERTIES
    OUTPUT_NAME arquorel-core
    SUFFIX .js
    RUNTIME_OUTPUT_DIRECTORY ${ARQUOREL_WEB_SITE}
    LINK_DEPENDS "${pre_js};${a11y_js}")
target_link_options(arquorel-web PRIVATE
    "SHELL:-s MODULARIZE=1"
    "SHELL:-s EXPORT_ES6=1"
    "SHELL:-s EXPORT_NAME=createArquorelCore"
    "SHELL:-s ENVIRONMENT=web"
    "SHELL:-s ALLOW_MEMORY_GROWTH=1"
    # The accessibility entry points sit in a member of the browser library nothing else
    # refers to: naming one pulls it in.
    "SHELL:-s EXPORTED_FUNCTIONS=_main,_malloc,_free,_arq_a11y_frame"
    "SHELL:-s EXPORTED_RUNTIME_METHODS=UTF8ToString,stringToUTF8,lengthBytesUTF8"
    "SHELL:--pre-js ${pre_js}"
    "SHELL:--pre-js ${a11y_js}"
    "SHELL:--preload-file ${CMAKE_CURRENT_SOURCE_DIR}/arquorel/resources@/arquorel/resources")

# The page: its own files, the fonts the native pictures use (as web fonts) and the places.
# The fonts go as WOFF2: a small subset of each with the glyphs of the component's texts, the
# page and the bundled places, which the first Start loads, and the whole font, which the page
# loads only when a text needs more (web/subset-fonts.py, with the distribution's fontTools).
set(web_fonts DejaVuSans DejaVuSans-Bold DejaVuSans-Oblique DejaVuSans-BoldOblique)
set(font_sources)
set(font_outputs ${ARQUOREL_WEB_SITE}/fonts/fonts.json)
foreach(font IN LISTS web_fonts)
    list(APPEND font_sources /usr/share/fonts/truetype/dejavu/${font}.ttf)
    list(APPEND font_outputs ${ARQUOREL_WEB_SITE}/fonts/${font}-subset.woff2
        ${ARQUOREL_WEB_SITE}/fonts/${font}.woff2)
endforeach()
file(GLOB font_texts ${CMAKE_CURRENT_SOURCE_DIR}/arquorel/resources/strings/*.json)
list(APPEND font_texts ${CMAKE_CURRENT_SOURCE_DIR}/web/index.html
    ${CMAKE_CURRENT_SOURCE_DIR}/web/start.js ${CMAKE_CURRENT_SOURCE_DIR}/data/monaco/places.json)
find_program(ARQUOREL_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
add_custom_command(OUTPUT ${font_outputs}
    COMMAND ${ARQUOREL_SYSTEM_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/web/subset-fonts.py
        ${ARQUOREL_WEB_SITE}/fonts ${font_texts} -- ${font_sources}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/web/subset-fonts.py ${font_texts} ${font_sources}
    COMMENT "The page's fonts as WOFF2 subsets and wholes"
    VERBATIM)
add_custom_target(web-fonts DEPENDS ${font_outputs})
set(web_copies)
foreach(file index.html start.js style.css arquorel.js)
    list(APPEND web_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different
        ${CMAKE_CURRENT_SOURCE_DIR}/web/${file} ${ARQUOREL_WEB_SITE}/${file})
endforeach()
# The page's telephone-number reader: libphonenumber-js's ready bundle with the "min" metadata
# (every country; 43 KB gzipped), from web/node_modules as web/package-lock.json pins it
# (`./run web build` installs it with npm ci).
set(phone_reader ${CMAKE_CURRENT_SOURCE_DIR}/web/node_modules/libphonenumber-js/bundle/libphonenumber-min.js)
if(NOT EXISTS ${phone_reader})
    message(FATAL_ERROR "${phone_reader} is missing: run `npm ci` in web/ (./run web build does)")
endif()
list(APPEND web_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different
    ${phone_reader} ${ARQUOREL_WEB_SITE}/libphonenumber-min.js)
add_custom_target(web-site ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ARQUOREL_WEB_SITE}/fonts ${ARQUOREL_WEB_SITE}/data
    ${web_copies}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
        ${CMAKE_CURRENT_SOURCE_DIR}/data/monaco/places.json ${ARQUOREL_WEB_SITE}/data/monaco-places.json
    COMMENT "The page, its fonts and the Monaco places in ${ARQUOREL_WEB_SITE}"
    VERBATIM)
add_dependencies(web-site web-fonts)
add_dependencies(arquorel-web web-site)
