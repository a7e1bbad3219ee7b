#pragma once
// The keys the editor reacts to besides typed characters. The shells translate their own key
// codes into these.

namespace corvane {

enum class Key { Shift, PageUp, PageDown, End, Home, Left, Up, Right };

}  // namespace corvane
