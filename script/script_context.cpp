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

}  // namespace quorvane
