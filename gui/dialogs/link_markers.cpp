#include "gui/dialogs/link_markers.h"

namespace quorvane::gui {

MarkedText processLinkMarkers(std::string_view source)
{
    MarkedText marked;
    bool open = false;
    int start = 0;
    for (char byte : source) {
        const int position = static_cast<int>(marked.text.size());
        if (byte != kLinkMarker) {
            marked.text.push_back(byte);
        } else if (!open) {
            open = true;
            start = position;
        } else {
            open = false;
            if (position > start)
                marked.links.push_back({start, position});
            else
                marked.text.push_back(byte);
        }
    }
    return marked;
}

}  // namespace quorvane::gui
