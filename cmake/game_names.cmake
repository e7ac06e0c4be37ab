# Writes a C++ source that holds every row of game/names.tsv as a GameName
# (tools/settings_report/settings_report.h), so that the tools name the weapons and
# models of the plug-in's tables from the one file. Included, it defines
# veltrix_game_names(output): the build regenerates the source whenever the
# file changes. Run as a script (cmake -DINPUT=... -DOUTPUT=... -P), it writes
# OUTPUT from INPUT.
if(NOT CMAKE_SCRIPT_MODE_FILE)
    function(veltrix_game_names output)
        # Beside this file, not the project's: the fuzzers are a project of their own.
        set(input ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../game/names.tsv)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
            DEPENDS ${input} ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
            COMMENT "Generating the game's names from game/names.tsv"
            VERBATIM)
    endfunction()
    return()
endif()
cmake_minimum_required(VERSION 3.25)

# A C++ string literal of `text`.
function(veltrix_literal text out)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

file(READ ${INPUT} content)
# Lines become a CMake list, which a ";" would split: the comments' stand
# aside, and a row may hold none.
string(REPLACE ";" "<semicolon>" content "${content}")
string(REPLACE "\r" "" content "${content}")
string(REPLACE "\n" ";" lines "${content}")
set(text "// Generated from game/names.tsv by cmake/game_names.cmake.\n")
string(APPEND text "#include \"settings_report.h\"\n\nnamespace tools {\n\nconst GameName kGameNames[] = {\n")
set(seen "")
set(number 0)
foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    # Blank lines, comments, and the row that names the columns.
    if(line STREQUAL "" OR line MATCHES "^#" OR line MATCHES "^hash\t")
        continue()
    endif()
    if(line MATCHES "<semicolon>")
        message(FATAL_ERROR "${INPUT}:${number}: a \";\" in a row (fields are separated by tabs)")
    endif()
    string(REPLACE "\t" ";" fields "${line}")
    list(LENGTH fields count)
    if(NOT count EQUAL 4)
        message(FATAL_ERROR "${INPUT}:${number}: expected 4 tab-separated fields, found ${count}")
    endif()
    list(GET fields 0 hash)
    list(GET fields 1 kind)
    list(GET fields 2 identifier)
    list(GET fields 3 name)
    set(digit "[0-9A-F]")
    if(NOT hash MATCHES "^0x${digit}${digit}${digit}${digit}${digit}${digit}${digit}${digit}$")
        message(FATAL_ERROR "${INPUT}:${number}: ${hash} is not a hash written 0x and 8 hex digits")
    endif()
    if(NOT kind MATCHES "^(weapon|model)$")
        message(FATAL_ERROR "${INPUT}:${number}: kind ${kind} is neither weapon nor model")
    endif()
    if(identifier STREQUAL "" OR name STREQUAL "")
        message(FATAL_ERROR "${INPUT}:${number}: an empty identifier or name (\"?\": not recovered)")
    endif()
    # A second row would never be found by the lookup.
    if(hash IN_LIST seen)
        message(FATAL_ERROR "${INPUT}:${number}: ${hash} has a row already")
    endif()
    list(APPEND seen ${hash})
    veltrix_literal("${kind}" kind)
    veltrix_literal("${identifier}" identifier)
    veltrix_literal("${name}" name)
    string(APPEND text "    {${hash}u, ${kind}, ${identifier}, ${name}},\n")
endforeach()
string(APPEND text "};\nconst size_t kGameNameCount = sizeof kGameNames / sizeof kGameNames[0];\n\n}  // namespace tools\n")
file(WRITE ${OUTPUT} "${text}")
