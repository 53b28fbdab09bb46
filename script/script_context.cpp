#include "script/script_context.h"

namespace quorvane {

ScriptVariable* ScriptContext::findVariable(std::string_view name) const
{
    return quorvane::findVariable(variables, name);
}

ScriptVariable* ScriptContext::getOrCreateVariable(int type, std::string_view name)
{
    if (ScriptVariable* existing = findVariable(name))
        return existing;
    return variables.append(std::make_unique<ScriptVariable>(type, name));
}

ScriptVariable* ScriptContext::addVariable(std::unique_ptr<ScriptVariable> variable)
{
    return variables.append(std::move(variable));
}

ScriptStatus ScriptContext::fail(const ScriptCommand& command, ScriptStatus status)
{
    errorCode = status;
    errorLine = command.line;
    return status;
}

std::string ScriptContext::errorMessage()
{
    std::string joined;
    const char* bytes = errorText.data();
    const std::size_t size = bytes ? static_cast<std::size_t>(errorText.length()) : 0;
    std::string_view rest(bytes ? bytes : "", size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\0');
        const std::string_view entry = rest.substr(0, end);
        if (!entry.empty())
            joined += (joined.empty() ? "" : ": ") + std::string(entry);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return joined;
}

}  // namespace quorvane
