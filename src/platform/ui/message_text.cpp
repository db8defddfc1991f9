#include "platform/ui/message_text.h"

namespace vemora {

std::string MessageBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > 0x2E) {
        text += '.';
    }
    return text;
}

} // namespace vemora
