#pragma once

#include <filesystem>
#include <string_view>

#include "foundation/safe_files.h"

namespace quorvane {

class ScriptContext;

// The folder every file of the run must stay in once links are resolved.
std::filesystem::path writeRoot(const ScriptContext& context);

// A new file at path, unless its folder leads out of the album through a
// link; on failure error holds errno, or 0 for such a folder.
StdioFile createOutput(ScriptContext& context, const std::filesystem::path& path, int& error);

// CREATE_FILE's open, with createOutput's errors. Where a plain file already
// stands at path, the page waits in memory (context.pendingPage) until its
// bytes differ from that file's; otherwise it opens as context.outputFile.
bool openPage(ScriptContext& context, const std::filesystem::path& path, int& error);

// Adds bytes to the open page; false with errno set when they could not be
// written (or the waiting page could not be created).
bool writePage(ScriptContext& context, std::string_view bytes);

// Ends the open page: one that came out byte for byte as the stored file is
// left untouched, any other is written to the end and closed, every byte
// checked. False with errno set.
bool closePage(ScriptContext& context);

}  // namespace quorvane
