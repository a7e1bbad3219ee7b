#pragma once
// Why a file operation failed, in plain words for a message box ("the disk is full").

#include <string>

namespace corvane {

// The reason behind the system error number `error`, lower case, without a final stop.
std::string plainSystemReason(int error);

}  // namespace corvane
