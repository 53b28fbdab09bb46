#include <string>

#include "script/condition_commands.h"
#include "script/declaration_commands.h"
#include "script/file_commands.h"
#include "script/loop_commands.h"
#include "script/script_context.h"
#include "script/script_text.h"

namespace quorvane {

namespace {

CommandList buildPrototypes()
{
    CommandList prototypes;
    prototypes.append(std::make_unique<DeclareCommand>(VarInt));
    prototypes.append(std::make_unique<DeclareCommand>(VarColor));
    prototypes.append(std::make_unique<DeclareCommand>(VarString));
    prototypes.append(std::make_unique<CreateFileCommand>());
    prototypes.append(std::make_unique<WriteFileCommand>());
    prototypes.append(std::make_unique<CloseFileCommand>());
    prototypes.append(std::make_unique<ForEachImageCommand>());
    prototypes.append(std::make_unique<ForEachMovieCommand>());
    prototypes.append(std::make_unique<ForEachDirCommand>());
    prototypes.append(std::make_unique<EndForCommand>());
    prototypes.append(std::make_unique<AddCommand>());
    prototypes.append(std::make_unique<SetCommand>());
    prototypes.append(std::make_unique<IfCommand>());
    prototypes.append(std::make_unique<ElseCommand>());
    prototypes.append(std::make_unique<EndIfCommand>());
    prototypes.append(std::make_unique<CreateDirCommand>());
    prototypes.append(std::make_unique<CopyFromSkinCommand>());
    return prototypes;
}

// Marks the file-bound variables the line names. A quoted text decodes "\\x"
// to x, so names are looked for with every backslash taken out: a name
// spelt with escapes still counts.
void noteNamedVariables(std::string_view lineText, ScriptContext::NamedFileVariables& named)
{
    std::string plain;
    plain.reserve(lineText.size());
    for (const char c : lineText)
        if (c != '\\')
            plain += c;
    const auto names = [&plain](std::string_view a, std::string_view b) {
        return plain.find(a) != std::string::npos || plain.find(b) != std::string::npos;
    };
    named.thumbSize |= names("ImageThumbWidth", "ImageThumbHeight");
    named.interSize |= names("ImageInterWidth", "ImageInterHeight");
    named.thumb2x |= names("ImageThumb2xName", "ImageThumbSrcset");
    named.inter2x |= names("ImageInter2xName", "ImageInterSrcset");
    named.subDir2x |= names("SubDirThumb2xName", "SubDirThumbSrcset");
}

}  // namespace

const CommandList& commandPrototypes()
{
    static const CommandList prototypes = buildPrototypes();
    return prototypes;
}

const ScriptCommand* findPrototype(std::string_view keyword)
{
    for (const ScriptCommand& prototype : commandPrototypes()) {
        if (prototype.keyword() == keyword)
            return &prototype;
    }
    return nullptr;
}

ScriptStatus parseLine(std::string_view lineText, std::string_view path, int lineNumber, ScriptContext& context)
{
    // The line is a C string to every command: it ends at a NUL byte.
    lineText = lineText.substr(0, lineText.find('\0'));
    std::string_view keyword = lineText;
    std::string_view rest;
    const bool separated = splitAtBlank(lineText, keyword, rest);

    const ScriptCommand* prototype = findPrototype(keyword);
    if (!prototype)
        return ScriptError::Syntax;
    std::unique_ptr<ScriptCommand> command = prototype->clone();
    command->sourcePath = path;
    command->line = lineNumber;
    if (separated) {
        // Exactly one separator goes; further blanks belong to the arguments.
        command->arguments.append(rest.substr(1));
        command->arguments.append("", 1);
    }
    if (command->parse(context) < 0)
        return ScriptError::Syntax;
    noteNamedVariables(lineText, context.named);
    context.commands.append(std::move(command));
    return kScriptContinue;
}

}  // namespace quorvane
