#pragma once
// The "Error" box every failure the user must hear about ends in.

#include <exception>
#include <string_view>

namespace corvane {

class Prompts;

inline constexpr std::string_view kErrorCaption = "Error";

// Shows `error` in an "Error" box: its sentence, and beneath it, for a file error, the file and
// the cause ("/home/ana/a.cvn: permission denied").
void showError(Prompts& prompts, const std::exception& error);

}  // namespace corvane
