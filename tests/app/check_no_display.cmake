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
