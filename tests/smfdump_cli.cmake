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
    set(err "${err}" PARENT_SCOPE)
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

# Splitting hands. A conductor, then "Piano" (program 5: right hand 72 74 76
# 79 over left hand 48 55, some Note Offs as Note On 0) and "Drums" (36 on
# channel 10). Each chunk's length is counted here.
function(chunk var)
    string(JOIN "" body ${ARGN})
    string(LENGTH "${body}" len)
    math(EXPR len "${len} / 2 + 0x100000000" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${len}" 3 8 len)
    set(${var} "4D54726B${len}${body}" PARENT_SCOPE)
endfunction()
chunk(conductor "00FF510307A120" "00FF2F00")
chunk(piano "00FF0305" "5069616E6F" "00C005" "00904850" "00903050" "30904800" "00904A50"
      "30804A40" "00803040" "00904C50" "00903750" "30804C40" "00904F50" "30904F00" "00803740"
      "00FF2F00")
chunk(drums "00FF0305" "4472756D73" "00992464" "30892440" "00FF2F00")
file(WRITE ${WORK}/hands.hex "4D54686400000006000100030060" "${conductor}${piano}${drums}")
execute_process(COMMAND xxd -r -p ${WORK}/hands.hex ${WORK}/hands.mid)

# Argument | right-hand notes | left-hand notes | where each note must be:
# NOTE=TRACK for every note of the song, on and off.
set(splits
    "1|4|2|72=1 74=1 76=1 79=1 48=2 55=2 36=3"
    "1:60|4|2|72=1 74=1 76=1 79=1 48=2 55=2 36=3"
    "1:75|2|4|76=1 79=1 72=2 74=2 48=2 55=2 36=3"
    "1:Eb5|2|4|76=1 79=1 72=2 74=2 48=2 55=2 36=3"
    "1:C#3|5|1|72=1 74=1 76=1 79=1 55=1 48=2 36=3"
    "1:0|6|0|72=1 74=1 76=1 79=1 48=1 55=1 36=2")
foreach(row ${splits})
    string(REPLACE "|" ";" row "${row}")
    list(GET row 0 arg)
    list(GET row 1 right)
    list(GET row 2 left)
    list(GET row 3 places)
    file(REMOVE ${WORK}/split.mid)
    expect(0 "right ${right} left ${left}" ARGS --split-hands ${arg} ${WORK}/split.mid
           ${WORK}/hands.mid)
    # A dump counts Note Ons of velocity 0 as notes: the places check the notes.
    expect(0 "event 1 0 pc 0 5" ARGS ${WORK}/split.mid)
    set(names "track 1 notes [0-9]+ name \"Piano \\(right hand\\)\"\n")
    if(left GREATER 0)
        string(APPEND names "track 2 notes [0-9]+ name \"Piano \\(left hand\\)\"\n")
        expect(0 "event 2 0 pc 0 5" ARGS ${WORK}/split.mid)
    endif()
    if(NOT out MATCHES "\ntrack 0 notes 0 name \"\"\n${names}track [0-9] notes 1 name \"Drums\"\n")
        message(FATAL_ERROR "--split-hands ${arg}: not the tracks named\n${names}in\n${out}")
    endif()
    string(REGEX MATCHALL "event [0-9]+ [0-9]+ (on|off) [0-9]+ [0-9]+" events "${out}")
    string(REPLACE " " ";" places "${places}")
    list(LENGTH places count)
    list(LENGTH events found)
    math(EXPR count "${count} * 2")
    if(NOT found EQUAL count)
        message(FATAL_ERROR "--split-hands ${arg}: ${found} note events, not ${count}:\n${out}")
    endif()
    foreach(event ${events})
        string(REGEX REPLACE "event ([0-9]+) .* ([0-9]+)$" "\\2=\\1" place "${event}")
        list(FIND places "${place}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "--split-hands ${arg}: \"${event}\" not at ${places}:\n${out}")
        endif()
    endforeach()
endforeach()

# The drums cannot be split; wrong tracks and keys are a wrong command line.
file(REMOVE ${WORK}/split.mid)
expect(1 "Track #2 plays drums on channel 10: drums have no hands to split.\n"
       ARGS --split-hands 2 ${WORK}/split.mid ${WORK}/hands.mid)
if(EXISTS ${WORK}/split.mid OR NOT out STREQUAL "")
    message(FATAL_ERROR "a refused split wrote ${WORK}/split.mid or printed: ${out}")
endif()
foreach(arg 0 3 x 1:128 1:H4 1: 1:C10 "")
    expect(2 "usage:" ARGS --split-hands "${arg}" ${WORK}/split.mid ${WORK}/hands.mid)
endforeach()
if(EXISTS ${WORK}/split.mid)
    message(FATAL_ERROR "a wrong command line wrote ${WORK}/split.mid")
endif()
