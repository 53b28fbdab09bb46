#include <system_error>

#include "script/script_context.h"

namespace quorvane {

namespace {

bool isLineBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

ScriptResult loadScript(const std::filesystem::path& path, ScriptContext& context)
{
    // A folder opens for reading here but is no script.
    std::error_code error;
    ChunkBuffer source(10240);
    if (std::filesystem::is_directory(path, error) || !source.loadFile(path))
        return {ScriptError::CannotRead, -1};
    const char* bytes = source.data();
    const std::string_view text = bytes ? std::string_view(bytes, static_cast<std::size_t>(source.length()))
                                        : std::string_view();
    return parseScriptText(text, path.string(), context);
}

ScriptResult parseScriptText(std::string_view text, std::string_view path, ScriptContext& context)
{
    // Only line feeds count: a file with bare carriage returns is all line 1.
    int lineNumber = 1;
    std::size_t position = 0;
    for (;;) {
        while (position < text.size() && isLineBlank(text[position])) {
            if (text[position] == '\n')
                ++lineNumber;
            ++position;
        }
        if (position >= text.size())
            return {};
        std::size_t end = text.find_first_of("\r\n", position);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(position, end - position);
        position = end;
        if (line.starts_with("//"))
            continue;
        const ScriptStatus status = parseLine(line, path, lineNumber, context);
        if (status < 0)
            return {status, lineNumber};
    }
}

}  // namespace quorvane
