#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "script/script_command.h"

namespace quorvane {

// Reads one double-quoted argument from the start of arguments into out
// (without NUL): a backslash escapes the next character, "\n" is a line
// feed. With consume, the argument, its closing quote and the one character
// after it leave arguments. 0 or QuotedStringExpected.
ScriptStatus parseQuotedString(ChunkBuffer& arguments, ChunkBuffer& out, bool consume);

// Where a file command's expanded name lands: below the current directory's
// folder in the destination folder, or in the source tree. Backslashes in
// the name separate folders. nullopt for a name that is absolute or whose
// ".." parts climb out of the album's output tree.
std::optional<std::filesystem::path> destinationPath(const ScriptContext& context, std::string_view name);
// The same as text, for callers that only look the file up.
std::optional<std::string> destinationText(const ScriptContext& context, std::string_view name);

// A name from the skin's folder, refused (nullopt) when absolute, climbing
// out of the skin folder or, through links, ending up outside it.
std::optional<std::filesystem::path> skinSourcePath(const ScriptContext& context, std::string_view name);

class CopyFromSkinCommand : public ScriptCommand {
public:
    std::string_view keyword() const override { return "COPY_FROM_SKIN"; }
    ScriptStatus execute(ScriptContext& context) override;
    ScriptStatus parse(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<CopyFromSkinCommand>(); }

    ChunkBuffer sourceName{1024};
    ChunkBuffer destinationName{1024};
};

// CREATE_DIR and CREATE_FILE share their parse: one quoted name.
class TargetCommand : public ScriptCommand {
public:
    ScriptStatus parse(ScriptContext& context) override;

    ChunkBuffer target{1024};
};

class CreateDirCommand : public TargetCommand {
public:
    std::string_view keyword() const override { return "CREATE_DIR"; }
    ScriptStatus execute(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<CreateDirCommand>(); }
};

class CreateFileCommand : public TargetCommand {
public:
    std::string_view keyword() const override { return "CREATE_FILE"; }
    ScriptStatus execute(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<CreateFileCommand>(); }
};

// The decoded text replaces arguments, without NUL.
class WriteFileCommand : public ScriptCommand {
public:
    std::string_view keyword() const override { return "WRITE_FILE"; }
    ScriptStatus execute(ScriptContext& context) override;
    ScriptStatus parse(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<WriteFileCommand>(); }
};

class CloseFileCommand : public ScriptCommand {
public:
    std::string_view keyword() const override { return "CLOSE_FILE"; }
    ScriptStatus execute(ScriptContext& context) override;
    ScriptStatus parse(ScriptContext&) override { return kScriptContinue; }
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<CloseFileCommand>(); }
};

}  // namespace quorvane
