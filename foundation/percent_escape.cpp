#include "foundation/percent_escape.h"

#include "foundation/ascii.h"

namespace quorvane {

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '%' && at + 2 < text.size() && hexDigitValue(text[at + 1]) >= 0 &&
            hexDigitValue(text[at + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(text[at + 1]) * 16 + hexDigitValue(text[at + 2]));
            at += 2;
        } else {
            out += text[at];
        }
    }
    return out;
}

}  // namespace quorvane
