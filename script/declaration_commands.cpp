#include "script/declaration_commands.h"

#include <cstdint>

#include "script/script_context.h"
#include "script/script_text.h"
#include "script/substitution.h"
#include "xml/xml_document.h"

namespace quorvane {

std::string_view DeclareCommand::keyword() const
{
    switch (varType) {
    case VarInt:
        return "DECLARE_INT";
    case VarColor:
        return "DECLARE_COLOR";
    default:
        return "DECLARE_STRING";
    }
}

ScriptStatus DeclareCommand::parse(ScriptContext&)
{
    std::string_view visibilityWord;
    std::string_view rest;
    if (!splitAtBlank(arguments.text(), visibilityWord, rest))
        return ScriptError::Syntax;
    if (equalsIgnoringAsciiCase(visibilityWord, "public"))
        visibility = 0;
    else if (equalsIgnoringAsciiCase(visibilityWord, "private"))
        visibility = 1;
    else
        return ScriptError::BadVisibility;

    std::string_view nameWord;
    if (!splitAtBlank(skipBlanks(rest), nameWord, rest))
        return ScriptError::Syntax;
    if (nameWord.size() > kMaxVariableName)
        return ScriptError::NameTooLong;
    name = nameWord;
    value = skipBlanks(rest);
    return kScriptContinue;
}

std::unique_ptr<ScriptVariable> DeclareCommand::declaredVariable() const
{
    auto variable = std::make_unique<ScriptVariable>(varType, name);
    switch (varType) {
    case VarInt:
        variable->setInt(parseIntLikeAtoi(value));
        break;
    case VarColor:
        variable->setInt(scanHex(value));
        break;
    default:
        variable->setText(value);
        break;
    }
    return variable;
}

ScriptStatus DeclareCommand::execute(ScriptContext& context)
{
    // An existing public variable wins: stored skin values and built-ins
    // stay as the driver set them.
    if (context.findVariable(name))
        return visibility == 0 ? kScriptContinue : ScriptError::PrivateRedeclared;
    context.addVariable(declaredVariable());
    return kScriptContinue;
}

void DeclareCommand::collectDeclaration(VariableList& out) const
{
    if (visibility == 0)
        out.append(declaredVariable());
}

ScriptStatus AssignmentCommand::parse(ScriptContext&)
{
    std::string_view nameWord;
    std::string_view rest;
    if (!splitAtBlank(arguments.text(), nameWord, rest))
        return ScriptError::Syntax;
    if (nameWord.size() > kMaxVariableName)
        return ScriptError::NameTooLong;
    name = nameWord;
    valueTemplate = skipBlanks(rest);
    valueTemplate += '\0';
    return kScriptContinue;
}

ScriptStatus AssignmentCommand::execute(ScriptContext& context)
{
    ScriptVariable* variable = context.findVariable(name);
    if (!variable)
        return ScriptError::UnknownVariable;
    if (variable->type() == VarString)
        return ScriptError::NotNumeric;
    ChunkBuffer expanded(1024);
    if (const ScriptStatus status = substituteText(valueTemplate, expanded, context); status < 0)
        return status;
    variable->setInt(newValue(variable->intValue(), parseIntLikeAtoi(expanded.text())));
    return kScriptContinue;
}

int SetCommand::newValue(int, int number) const
{
    return number;
}

int AddCommand::newValue(int oldValue, int number) const
{
    // Wraps like the 32-bit cell it lands in.
    return static_cast<int>(static_cast<std::uint32_t>(oldValue) + static_cast<std::uint32_t>(number));
}

}  // namespace quorvane
