#pragma once

#include <QString>

#include <string_view>

namespace quorvane::gui {

// Text of the album (comments, file and folder names) for the window: UTF-8
// when the bytes are valid UTF-8, otherwise read as Latin-1, so comments
// written in an older single-byte encoding show their letters and survive
// being written back.
QString displayText(std::string_view bytes);

}  // namespace quorvane::gui
