# Runs smfdump as a user would: a generated file in, text out; bad files fail cleanly.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(empty "")

function(check message)
    if(NOT (${ARGN}))
        message(FATAL_ERROR "${message}")
    endif()
endfunction()

# Format 0 with a name, tempo, lyric "/la" and notes on channels 10 and 1.
string(CONCAT track
    "00FF03024869"        # name "Hi"
    "00FF510307A120"      # tempo 500000
    "00FF0503" "2F6C61"   # lyric "/la"
    "0099243F"            # Note On ch 10 note 36 vel 63
    "0A904040"            # Note On ch 1 note 64 vel 64
    "00E00000"            # pitch bend fully down
    "00FF2F00")
string(LENGTH "${track}" hexlen)
math(EXPR len "${hexlen} / 2" OUTPUT_FORMAT HEXADECIMAL)
string(SUBSTRING "${len}" 2 -1 len)
string(LENGTH "${len}" l)
while(l LESS 8)
    set(len "0${len}")
    string(LENGTH "${len}" l)
endwhile()
set(hex "4D546864000000060000000100604D54726B${len}${track}")
file(WRITE ${WORK}/in.hex "${hex}")
execute_process(COMMAND xxd -r -p ${WORK}/in.hex ${WORK}/in.mid RESULT_VARIABLE rc)
check("xxd failed" rc EQUAL 0)

execute_process(COMMAND ${SMFDUMP} ${WORK}/in.mid OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE rc)
check("smfdump failed: ${err}" rc EQUAL 0)
set(expected
"format 1 tracks 3 division 96
tempo 500000
timesig 4 4 24 8
keysig 0 0
track 0 notes 0 name \"\"
track 1 notes 1 name \"\"
track 2 notes 1 name \"\"
lyrics \"\\nla\"
event 0 0 text 3 4869
event 0 0 tempo 500000
event 0 0 text 5 2f6c61
event 0 0 mark5 1 2
event 1 0 on 9 36 63
event 2 10 on 0 64 64
event 2 10 pb 0 -8192
")
check("unexpected dump:\n${out}" out STREQUAL expected)

execute_process(COMMAND ${SMFDUMP} --no-split ${WORK}/in.mid OUTPUT_VARIABLE out RESULT_VARIABLE rc)
check("--no-split failed" rc EQUAL 0)
string(FIND "${out}" "track 0 notes 2 name \"Hi\"" pos)
check("--no-split lost the track name:\n${out}" pos GREATER -1)

# Save and dump again: the same events.
execute_process(COMMAND ${SMFDUMP} --save ${WORK}/out.mid ${WORK}/in.mid RESULT_VARIABLE rc)
check("--save failed" rc EQUAL 0)
execute_process(COMMAND ${SMFDUMP} ${WORK}/out.mid OUTPUT_VARIABLE again RESULT_VARIABLE rc)
# The split song is saved as format 1, so its name now belongs to track 0.
string(REPLACE "track 0 notes 0 name \"\"" "track 0 notes 0 name \"Hi\"" expected_saved "${expected}")
check("saved file dumps differently:\n${again}" again STREQUAL expected_saved)

# A broken file: status 1, the reasons on standard error, nothing on standard output.
file(WRITE ${WORK}/bad.mid "MThd")
execute_process(COMMAND ${SMFDUMP} ${WORK}/bad.mid OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE rc)
check("a broken file must fail" rc EQUAL 1)
check("a failed load printed on standard output: ${out}" out STREQUAL empty)
string(FIND "${err}" "Parse error :premature EOF" pos)
check("no parse error on standard error: ${err}" pos GREATER -1)
string(FIND "${err}" "Could not parse bad.mid as a midi file." pos)
check("no warning on standard error: ${err}" pos GREATER -1)

# An unsupported format says so on standard error only.
file(WRITE ${WORK}/f2.hex "4D546864000000060002000100604D54726B0000000400FF2F00")
execute_process(COMMAND xxd -r -p ${WORK}/f2.hex ${WORK}/f2.mid)
execute_process(COMMAND ${SMFDUMP} ${WORK}/f2.mid OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE rc)
check("format 2 must fail" rc EQUAL 1)
check("format 2 printed on standard output: ${out}" out STREQUAL empty)
string(FIND "${err}" "smf format 2 not supported" pos)
check("format 2 not reported: ${err}" pos GREATER -1)

# Saving into a folder that does not exist fails with status 1.
execute_process(COMMAND ${SMFDUMP} --save ${WORK}/no/such/dir/x.mid ${WORK}/in.mid
                RESULT_VARIABLE rc ERROR_QUIET)
check("saving to a missing folder must fail" rc EQUAL 1)

# --prepare: the parameter dump, then one line per sounding Note On.
execute_process(COMMAND ${SMFDUMP} --prepare ${WORK}/in.mid OUTPUT_VARIABLE out
                ERROR_VARIABLE err RESULT_VARIABLE rc)
check("--prepare failed: ${err}" rc EQUAL 0)
string(FIND "${out}" "### showParams ### \nbeat4min is 120\ntempo is 500000\n" pos)
check("--prepare lacks the parameters:\n${out}" pos EQUAL 0)
string(FIND "${out}" "tick4qn is 96\n" pos)
check("--prepare: tick4qn" pos GREATER -1)
string(FIND "${out}" "pair 1 0 9 36 unpaired\npair 2 10 0 64 unpaired\n" pos)
check("--prepare pairs:\n${out}" pos GREATER -1)
string(FIND "${err}" "Errors were found while parsing in.mid." pos)
check("--prepare did not warn about unpaired notes: ${err}" pos GREATER -1)

# --new: a 3/8 song at 90 bpm, ppq 120, whose tune ends at tick 840.
execute_process(COMMAND ${SMFDUMP} --new ${WORK}/new.mid 120 3 3 90 RESULT_VARIABLE rc ERROR_QUIET)
check("--new failed" rc EQUAL 0)
execute_process(COMMAND ${SMFDUMP} ${WORK}/new.mid OUTPUT_VARIABLE out RESULT_VARIABLE rc)
check("--new wrote an unreadable file" rc EQUAL 0)
string(FIND "${out}" "format 1 tracks 1 division 120\ntempo 666666\ntimesig 3 8 24 8\n" pos)
check("--new header:\n${out}" pos EQUAL 0)
string(FIND "${out}" "event 0 840 off 1 84 60\n" pos)
check("--new tune end:\n${out}" pos GREATER -1)
execute_process(COMMAND ${SMFDUMP} --prepare ${WORK}/new.mid OUTPUT_VARIABLE out ERROR_QUIET)
string(FIND "${out}" "pair 0 0 0 72 -> 480 gap none\npair 0 120 0 76 -> 600 gap 120\n" pos)
check("--new pairs:\n${out}" pos GREATER -1)
execute_process(COMMAND ${SMFDUMP} --new ${WORK}/bad.mid 120 3 9 90 RESULT_VARIABLE rc ERROR_QUIET)
check("--new must refuse a beat value index of 9" rc EQUAL 2)
