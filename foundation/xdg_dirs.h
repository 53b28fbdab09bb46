#pragma once

#include <filesystem>

namespace quorvane {

// The user's base folders by the XDG Base Directory rules: $XDG_CONFIG_HOME,
// else ~/.config; $XDG_DATA_HOME, else ~/.local/share. A relative value is
// ignored, as the rules ask. Empty when neither the variable nor HOME gives
// an absolute path.
std::filesystem::path xdgConfigHome();
std::filesystem::path xdgDataHome();

}  // namespace quorvane
