# Runs cmake/encoding_tables.cmake on copies of the project's tables: a table added is
# one encoding more; each fault a table may have fails with its file and line.
#   cmake -DSOURCE=<project> -DWORK=<scratch folder> -P encoding_tables_test.cmake
cmake_minimum_required(VERSION 3.25)
set(script ${SOURCE}/cmake/encoding_tables.cmake)
set(failures 0)

# Makes a folder of the project's tables, then runs the script over it.
function(run_tables name outcome_var output_var)
    execute_process(COMMAND ${CMAKE_COMMAND} -DENCODINGS=${WORK}/${name} -DOUTPUT=${WORK}/${name}.cpp -P ${script}
                    RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
    set(${outcome_var} ${result} PARENT_SCOPE)
    set(${output_var} "${error}" PARENT_SCOPE)
endfunction()

function(fresh name)
    file(REMOVE_RECURSE ${WORK}/${name})
    file(GLOB tables ${SOURCE}/encodings/*_unicode.tsv)
    file(COPY ${tables} DESTINATION ${WORK}/${name})
endfunction()

# In the table `file` of the case's folder, `from` becomes `to`.
function(replace_in file from to)
    file(READ ${dir}/${file} t)
    string(REPLACE "${from}" "${to}" t "${t}")
    file(WRITE ${dir}/${file} "${t}")
endfunction()

# A case: `edit` is CMake code run on the folder; the run must fail with `expected`
# (a regular expression) in its message, or pass when `expected` is empty.
function(check name edit expected)
    fresh(${name})
    set(dir ${WORK}/${name})
    cmake_language(EVAL CODE "${edit}")
    run_tables(${name} result message)
    string(REGEX REPLACE "[ \n]+" " " message "${message}")
    if("${expected}" STREQUAL "")
        if(NOT result EQUAL 0)
            message(SEND_ERROR "${name}: the tables were refused: ${message}")
            math(EXPR failures "${failures} + 1")
        endif()
        set(failures ${failures} PARENT_SCOPE)
        return()
    elseif(result EQUAL 0 OR NOT message MATCHES "${expected}")
        message(SEND_ERROR "${name}: wanted a failure saying '${expected}', got ${result}: ${message}")
        math(EXPR failures "${failures} + 1")
    endif()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

# A new encoding: the Matweb table under another name and font.
check(added [[
    file(READ ${dir}/matweb_unicode.tsv t)
    string(REPLACE "#@ encoding: Matweb" "#@ encoding: Testweb" t "${t}")
    string(REPLACE "#   Matweb" "#   Testweb-Font" t "${t}")
    file(WRITE ${dir}/testweb_unicode.tsv "${t}")
]] "")
file(READ ${WORK}/added.cpp generated)
if(NOT generated MATCHES "\"Testweb\", \"testweb_unicode.tsv\"" OR NOT generated MATCHES "\"Testweb-Font\"")
    message(SEND_ERROR "added: the new table is not among the encodings made")
    math(EXPR failures "${failures} + 1")
endif()

check(malformed_row [[
    file(READ ${dir}/haritha_unicode.tsv t)
    string(REGEX REPLACE "\n0x41\tU\\+[0-9A-F]+" "\n0x41\tU+ZZZZ" t "${t}")
    file(WRITE ${dir}/haritha_unicode.tsv "${t}")
]] "haritha_unicode.tsv:[0-9]+: 'U\\+ZZZZ' is not a value")
check(missing_row [[
    file(READ ${dir}/jaya_unicode.tsv t)
    string(REGEX REPLACE "\n0x42\t[^\n]*" "" t "${t}")
    file(WRITE ${dir}/jaya_unicode.tsv "${t}")
]] "jaya_unicode.tsv:[0-9]+: the row of 0x43 stands where the row of code 0x42 belongs")
check(font_claimed_twice [[
    file(APPEND ${dir}/kairali_unicode.tsv "#   Matweb\n")
]] "_unicode.tsv:[0-9]+: the font name 'Matweb' is claimed by [a-z]+_unicode.tsv:[0-9]+ too")
check(no_name [[
    replace_in(chowara_unicode.tsv "#@ encoding: Chowara\n" "")
]] "chowara_unicode.tsv:1: no '#@ encoding: NAME' line")
check(wrong_nta [[
    replace_in(thoolika_unicode.tsv "#@ nta: 0x75 0x73" "#@ nta: 0x41 0x73")
]] "thoolika_unicode.tsv:[0-9]+: the nta codes' rows must be chillu N")
check(unknown_setting [[
    replace_in(mlbw_unicode.tsv "#@ rank: 6" "#@ rnak: 6")
]] "mlbw_unicode.tsv:[0-9]+: unknown setting 'rnak'")

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} failed")
endif()
message(STATUS "8 passed, 0 failed")
