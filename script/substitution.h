#pragma once

#include <string_view>

#include "foundation/chunk_buffer.h"
#include "script/script_error.h"

namespace quorvane {

class ScriptContext;

// Longest name between the braces of a reference, and longest format.
inline constexpr std::size_t kMaxReferenceName = 64;
inline constexpr std::size_t kMaxReferenceFormat = 64;
// Longest text one numeric format may produce.
inline constexpr std::size_t kMaxFormattedNumber = 255;

// How a backslash written in the template itself (not one from a value) is
// expanded: kept, or as "/" where the template names a file.
enum class SkinBackslash { Keep, Separator };

// Expands the variable references of a template ({name}, {name,format},
// {name,format,escape} with escape html, url or path, "{{" and "}}") into
// out. Every byte of the source counts, a NUL included. 0 or a ScriptError;
// on error out holds what was expanded so far.
ScriptStatus substituteText(std::string_view source, ChunkBuffer& out, const ScriptContext& context,
                            SkinBackslash skinBackslash = SkinBackslash::Keep);

}  // namespace quorvane
