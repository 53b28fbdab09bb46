#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::gui {

// In a text handed to the rich-text dialog this byte opens and closes a link;
// outside a link two of them stand for one literal byte.
inline constexpr char kLinkMarker = '\xB2';

// Character positions in the text after the markers were taken out.
struct LinkRange {
    int start = 0;
    int end = 0;
    bool operator==(const LinkRange&) const = default;
};

struct MarkedText {
    std::string text;
    std::vector<LinkRange> links;
};

// Takes the link markers out of source. A marker directly after the one that
// opened a link is kept as a literal byte and closes the link without
// recording it; a link still open at the end is dropped.
MarkedText processLinkMarkers(std::string_view source);

}  // namespace quorvane::gui
