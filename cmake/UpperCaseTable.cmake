# Writes the simple upper-case mapping of the Unicode character database as a compact C++ table.
#   cmake -DUNICODE_DATA=<UnicodeData.txt> -DOUTPUT=<file.inc> -P UpperCaseTable.cmake
# Field 12 of UnicodeData.txt is the simple upper-case mapping. Code points that map by the same
# offset, one after the other or every other one (upper- and lower-case letters alternating),
# are merged into a run {first, last, step, offset}; the table is sorted by first code point.
# Plain CMake, so that the native and the browser (Emscripten) builds make the same table.
if(NOT UNICODE_DATA OR NOT OUTPUT)
    message(FATAL_ERROR "UpperCaseTable.cmake: pass -DUNICODE_DATA=... and -DOUTPUT=...")
endif()

# Lines whose field 12 holds a code point (file(STRINGS) keeps each line one list element).
set(field "[^;]*;")
file(STRINGS "${UNICODE_DATA}" lines
    REGEX "^[0-9A-F]+;${field}${field}${field}${field}${field}${field}${field}${field}${field}${field}${field}[0-9A-F]+;")
list(LENGTH lines count)
if(count LESS 1000)
    message(FATAL_ERROR "${UNICODE_DATA}: only ${count} upper-case mappings, not the character database")
endif()

set(runs "")
set(run_count 0)
set(first -1)
macro(close_run)
    if(NOT first EQUAL -1)
        math(EXPR first_hex "${first}" OUTPUT_FORMAT HEXADECIMAL)
        math(EXPR last_hex "${last}" OUTPUT_FORMAT HEXADECIMAL)
        string(APPEND runs "    {${first_hex}, ${last_hex}, ${step}, ${offset}},\n")
        math(EXPR run_count "${run_count} + 1")
    endif()
endmacro()

foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([0-9A-F]+);.*;([0-9A-F]+);[0-9A-F]*;[0-9A-F]*$")
        message(FATAL_ERROR "${UNICODE_DATA}: cannot read the line '${line}'")
    endif()
    math(EXPR code "0x${CMAKE_MATCH_1}")
    math(EXPR upper "0x${CMAKE_MATCH_2}")
    math(EXPR delta "${upper} - ${code}")
    if(NOT first EQUAL -1 AND delta EQUAL offset)
        math(EXPR gap "${code} - ${last}")
        if(first EQUAL last AND (gap EQUAL 1 OR gap EQUAL 2))
            set(step ${gap})  # the second code point of a run sets its step
            set(last ${code})
            continue()
        elseif(NOT first EQUAL last AND gap EQUAL step)
            set(last ${code})
            continue()
        endif()
    endif()
    close_run()
    set(first ${code})
    set(last ${code})
    set(step 1)
    set(offset ${delta})
endforeach()
close_run()

set(text "// Generated from ${UNICODE_DATA} by cmake/UpperCaseTable.cmake: do not edit.\n")
string(APPEND text "// ${count} code points with a simple upper-case mapping in ${run_count} runs.\n")
string(APPEND text "${runs}")
# Written only when it changes, so that a re-run does not rebuild the toolkit.
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
