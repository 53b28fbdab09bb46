#include "script/script_context.h"

namespace quorvane {

ScriptVariable* ScriptContext::findVariable(std::string_view name) const
{
    if (indexedStamp_ != variables.stamp()) {
        variableIndex_.clear();
        for (ScriptVariable& variable : variables)
            variableIndex_.emplace(variable.name(), &variable);
        indexedStamp_ = variables.stamp();
    }
    const auto found = variableIndex_.find(name);
    return found == variableIndex_.end() ? nullptr : found->second;
}

ScriptVariable* ScriptContext::getOrCreateVariable(int type, std::string_view name)
{
    if (ScriptVariable* existing = findVariable(name))
        return existing;
    return addVariable(std::make_unique<ScriptVariable>(type, name));
}

ScriptVariable* ScriptContext::addVariable(std::unique_ptr<ScriptVariable> variable)
{
    const bool indexed = indexedStamp_ == variables.stamp();
    ScriptVariable* added = variables.append(std::move(variable));
    if (indexed) {
        variableIndex_.emplace(added->name(), added);
        indexedStamp_ = variables.stamp();
    }
    return added;
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
