#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace qz {

class Services;

// The one error type of the launcher: what a handler does not handle itself
// ends the handler and reaches the application error box with this text.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text of the application error box for an error message: a full stop is
// appended when the last byte sorts after "." (so a message ending in a letter
// or in a Chinese character gets one, one ending in "'" or "!" does not).
std::string ApplicationErrorText(std::string_view message);

// Shows the application error box: the text above, the application title,
// an OK button and the stop icon.
void ReportApplicationError(Services &services, std::string_view message);

}  // namespace qz
