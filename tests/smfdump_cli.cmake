# Runs smfdump as a user would: a generated file in, text out; bad files fail cleanly.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# Runs smfdump with the arguments; fails unless it exits with `status` and
# every further argument is found in its standard output and error together.
function(expect status)
    cmake_parse_arguments(E "" "" "ARGS" ${ARGN})
    execute_process(COMMAND ${SMFDUMP} ${E_ARGS} OUTPUT_VARIABLE out ERROR_VARIABLE err
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL status)
        message(FATAL_ERROR "smfdump ${E_ARGS}: status ${rc}, not ${status}: ${err}")
    endif()
    foreach(text ${E_UNPARSED_ARGUMENTS})
        string(FIND "${out}${err}" "${text}" pos)
        if(pos EQUAL -1)
            message(FATAL_ERROR "smfdump ${E_ARGS}: no \"${text}\" in:\n${out}${err}")
        endif()
    endforeach()
    set(out "${out}" PARENT_SCOPE)
endfunction()

# Format 0, 36 bytes of track: name "Hi", tempo 500000, lyric "/la", Note On
# ch 10 note 36 vel 63, 10 ticks later Note On ch 1 note 64 vel 64 and a pitch
# bend fully down.
file(WRITE ${WORK}/in.hex "4D546864000000060000000100604D54726B00000024"
     "00FF03024869" "00FF510307A120" "00FF05032F6C61" "0099243F" "0A904040" "00E00000" "00FF2F00")
file(WRITE ${WORK}/f2.hex "4D546864000000060002000100604D54726B0000000400FF2F00")
foreach(name in f2)
    execute_process(COMMAND xxd -r -p ${WORK}/${name}.hex ${WORK}/${name}.mid)
endforeach()
file(WRITE ${WORK}/bad.mid "MThd")

set(dump "format 1 tracks 3 division 96\ntempo 500000\ntimesig 4 4 24 8\nkeysig 0 0\n\
track 0 notes 0 name \"\"\ntrack 1 notes 1 name \"\"\ntrack 2 notes 1 name \"\"\n\
lyrics \"\\nla\"\nevent 0 0 text 3 4869\nevent 0 0 tempo 500000\nevent 0 0 text 5 2f6c61\n\
event 0 0 mark5 1 2\nevent 1 0 on 9 36 63\nevent 2 10 on 0 64 64\nevent 2 10 pb 0 -8192\n")
expect(0 "${dump}" ARGS ${WORK}/in.mid)
if(NOT out STREQUAL dump)
    message(FATAL_ERROR "unexpected dump:\n${out}")
endif()
expect(0 "track 0 notes 2 name \"Hi\"" ARGS --no-split ${WORK}/in.mid)
# Saved as format 1, the split song's name belongs to track 0.
expect(0 ARGS --save ${WORK}/out.mid ${WORK}/in.mid)
string(REPLACE "track 0 notes 0 name \"\"" "track 0 notes 0 name \"Hi\"" dump "${dump}")
expect(0 "${dump}" ARGS ${WORK}/out.mid)
expect(1 ARGS --save ${WORK}/no/such/dir/x.mid ${WORK}/in.mid)

expect(1 "Parse error :premature EOF" "Could not parse bad.mid as a midi file." ARGS ${WORK}/bad.mid)
expect(1 "smf format 2 not supported" ARGS ${WORK}/f2.mid)
if(NOT out STREQUAL "")
    message(FATAL_ERROR "a failed load printed on standard output: ${out}")
endif()

expect(0 "### showParams ### \nbeat4min is 120\ntempo is 500000\n" "tick4qn is 96\n"
       "pair 1 0 9 36 unpaired\npair 2 10 0 64 unpaired\n"
       "Errors were found while parsing in.mid." ARGS --prepare ${WORK}/in.mid)

# A 3/8 song at 90 bpm, ppq 120, whose tune ends at tick 840.
expect(0 ARGS --new ${WORK}/new.mid 120 3 3 90)
expect(0 "format 1 tracks 1 division 120\ntempo 666666\ntimesig 3 8 24 8\n"
       "event 0 840 off 1 84 60\n" ARGS ${WORK}/new.mid)
expect(0 "pair 0 0 0 72 -> 480 gap none\npair 0 120 0 76 -> 600 gap 120\n"
       ARGS --prepare ${WORK}/new.mid)
expect(2 ARGS --new ${WORK}/bad.mid 120 3 9 90)
