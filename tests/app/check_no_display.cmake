# Starts PROGRAM without a display and then with one that does not answer: each time it must end
# at once with exit code 1 and say in plain words why no window opened.
function(expect_refusal what expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                          ${ARGN} ${PROGRAM}
                  RESULT_VARIABLE result ERROR_VARIABLE err OUTPUT_QUIET TIMEOUT 30)
  if(NOT result EQUAL 1)
    message(FATAL_ERROR "${what}: exit code ${result}, expected 1\n${err}")
  endif()
  string(FIND "${err}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: stderr lacks \"${expected}\":\n${err}")
  endif()
endfunction()

expect_refusal("no DISPLAY" "no graphical display is set" --unset=DISPLAY)
expect_refusal("a display nobody serves" "the graphical display could not be reached"
               DISPLAY=:4711)

# What the program says about itself needs no display: usage and version on standard output with
# exit code 0, and an option it does not know refused in one line with exit code 2.
function(expect_answer argument code pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                          --unset=QT_QPA_PLATFORM ${PROGRAM} ${argument}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
  if(NOT result EQUAL ${code})
    message(FATAL_ERROR "corvane ${argument}: exit code ${result}, expected ${code}\n${err}")
  endif()
  if(code EQUAL 0)
    set(text "${out}")
  else()
    set(text "${err}")
    string(REGEX MATCHALL "\n" breaks "${err}")
    list(LENGTH breaks count)
    if(NOT count EQUAL 1)
      message(FATAL_ERROR "corvane ${argument}: not one line:\n${err}")
    endif()
  endif()
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "corvane ${argument}: \"${text}\" does not match ${pattern}")
  endif()
endfunction()

expect_answer(--version 0 "^corvane ${VERSION}\n$")
expect_answer(--help 0 "^usage: corvane \\[FILE.cvn\\]")
expect_answer(--no-such-option 2 "unknown option --no-such-option")
