// The text the top-level error handler shows for an exception's message.
#pragma once

#include <string>
#include <string_view>

namespace vemora {

// Appends a full stop when the message is not empty and its last character code is
// above that of "." (0x2E); so "File not found" becomes "File not found." while
// "Done." or "(x)" stay as they are. In UTF-8 every byte of a non-ASCII character is
// above 0x2E, so a message ending in a Cyrillic letter gets its full stop too.
std::string MessageBoxText(std::string_view message);

} // namespace vemora
