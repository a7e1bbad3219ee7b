#pragma once
// The one error an import raises when a file cannot become a score.

#include <stdexcept>

namespace corvane {

// A file that cannot be imported; what() is a sentence a person understands.
class ImportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace corvane
