#pragma once
// The state output of a replay (--state): one name=value line for each field of the editor's
// state that scripts check, then one message= line for every informing box shown.

#include <string>
#include <vector>

namespace corvane {
class EditorSession;
}  // namespace corvane

namespace corvane::cli {

// The state of `session` after the script; `closed` when the window was closed, `messages` the
// texts of the informing boxes shown, in order.
std::string stateText(const EditorSession& session, bool closed,
                      const std::vector<std::string>& messages);

}  // namespace corvane::cli
