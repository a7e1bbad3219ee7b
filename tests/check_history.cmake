# Read by ctest before it runs any test: every editor the tests build, in the test programs and in
# the corvane-cli they start, checks each undo step against a whole copy of the score
# (editor/edit_history.h).
set(ENV{CORVANE_CHECK_HISTORY} 1)
