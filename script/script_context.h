#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/chunk_buffer.h"
#include "foundation/safe_files.h"
#include "script/run_cache.h"
#include "script/script_command.h"
#include "script/script_error.h"
#include "foundation/script_variable.h"

namespace quorvane {

class AlbumDirectory;
class ProjectOptions;
class ConditionCommand;
class LoopCommand;

using OutputFile = StdioFile;

// One loaded script and the state of its runs. The caller sets options (and,
// before each run, currentDirectory, the variables and skinFolder); the
// file commands write below the current directory's output folder.
// Bounds of one script run. Real skins stay far below both: a folder of
// 10,000 pictures whose skin loops over every picture inside a picture loop
// needs 100 million iterations.
inline constexpr std::uint64_t kMaxLoopIterations = 100'000'000;
inline constexpr std::uint64_t kMaxOutputBytes = std::uint64_t(1) << 30;

class ScriptContext {
public:
    ScriptContext() = default;
    ScriptContext(const ScriptContext&) = delete;
    ScriptContext& operator=(const ScriptContext&) = delete;

    // First variable of that exact name, or nullptr.
    ScriptVariable* findVariable(std::string_view name) const;
    // The existing variable (whatever its type) or a new one appended.
    ScriptVariable* getOrCreateVariable(int type, std::string_view name);
    // Appends without looking for namesakes.
    ScriptVariable* addVariable(std::unique_ptr<ScriptVariable> variable);

    // Drops the open page; one still waiting in memory is not written.
    void closeOutputFile()
    {
        outputFile.reset();
        pendingPage.reset();
        discardingOutput = false;
    }
    bool pageOpen() const { return outputFile || pendingPage || discardingOutput; }
    // The messages of errorText joined by ": ", "" when there is none.
    std::string errorMessage();

    // The one place a run's failure is recorded.
    ScriptStatus fail(const ScriptCommand& command, ScriptStatus status);

    // Project settings read by the file commands (useDestPath, outputFolder);
    // none behaves as a project generating into its source tree.
    const ProjectOptions* options = nullptr;
    // Open IF/ELSE blocks while parsing.
    std::vector<ConditionCommand*> conditionStack;
    // Innermost open loop, linked through LoopCommand::outerLoop; the parse
    // uses it for END_FOR, the run (after emptying it) for the active loops.
    LoopCommand* loopStack = nullptr;
    ChunkBuffer errorText{1024};
    OutputFile outputFile;
    // The open page while it may still come out as the file already stored.
    std::optional<PendingPage> pendingPage;
    // Set when CREATE_FILE met a name this file system cannot hold: the
    // writes up to CLOSE_FILE go nowhere and uncreatableFiles says why.
    bool discardingOutput = false;
    std::vector<std::string> uncreatableFiles;
    AlbumDirectory* currentDirectory = nullptr;
    CommandList commands;
    VariableList variables;
    int errorLine = -1;
    ScriptStatus errorCode = kScriptContinue;
    // "Skins/<name>", the folder COPY_FROM_SKIN reads from.
    std::string skinFolder;
    bool parseExifEnabled = false;
    // Loop iterations and bytes written (pages and copies) by the current
    // run, and the bounds that end it with an error.
    std::uint64_t loopIterations = 0;
    std::uint64_t bytesWritten = 0;
    std::uint64_t maxLoopIterations = kMaxLoopIterations;
    std::uint64_t maxOutputBytes = kMaxOutputBytes;
    // Where the open output file goes, for messages.
    std::string outputPath;
    // The album root's full path; the destination rule falls back to it when
    // no current directory is set.
    std::string albumRoot;
    // When set, every file a command created or copied is added here: the
    // record of what the skin wrote, which publishing reads.
    std::vector<std::filesystem::path>* writtenFiles = nullptr;
    // What the current run learnt about files; emptied when a run starts.
    ScriptRunCache runCache;
    // Which loop variables that cost a look at files the loaded lines name
    // at all (backslash escapes disregarded). One never named cannot reach a
    // page, so its files are not looked at.
    struct NamedFileVariables {
        bool thumbSize = false;  // "ImageThumbWidth", "ImageThumbHeight"
        bool interSize = false;  // "ImageInterWidth", "ImageInterHeight"
        bool thumb2x = false;    // "ImageThumb2xName", "ImageThumbSrcset"
        bool inter2x = false;    // "ImageInter2xName", "ImageInterSrcset"
        bool subDir2x = false;   // "SubDirThumb2xName", "SubDirThumbSrcset"
    } named;

private:
    // The first variable of each name, for the lookups every reference
    // makes; rebuilt when the list changed behind the context's back.
    mutable std::unordered_map<std::string_view, ScriptVariable*> variableIndex_;
    mutable std::uint64_t indexedStamp_ = 0;
};

// Reads the file as bytes and appends one command per line to the context's
// commands. On failure: the status and the failing line (-1 when the file
// cannot be read).
ScriptResult loadScript(const std::filesystem::path& path, ScriptContext& context);
// The same for a script already in memory.
ScriptResult parseScriptText(std::string_view text, std::string_view path, ScriptContext& context);
// One command line (no line end) to one command at the end of commands;
// 0 or ScriptError::Syntax.
ScriptStatus parseLine(std::string_view lineText, std::string_view path, int lineNumber,
                       ScriptContext& context);
// Executes commands from the first; 0 or the first error, with errorLine set.
ScriptStatus runScript(ScriptContext& context);

}  // namespace quorvane
