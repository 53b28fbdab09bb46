#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "script/script_command.h"

namespace quorvane {

// Longest left operand of an IF, NUL excluded.
inline constexpr std::size_t kMaxLeftOperand = 255;

// The number an IF operand stands for: leading decimal digits, or the named
// variable's value (a string gives its buffer length minus one, a variable
// without value -1). 0 or UnknownVariable.
ScriptStatus operandValue(std::string_view text, const ScriptContext& context, int& value);

// IF and ELSE: blocks that a later ELSE or ENDIF closes.
class ConditionCommand : public ScriptCommand {
public:
    ScriptCommand* closing = nullptr;

protected:
    // Continue after the closing line, or UnclosedIf when there is none.
    ScriptStatus jumpPastClosing();
};

enum class ConditionOperator : int {
    Greater = 0,   // >
    Less = 1,      // <
    NotEqual = 2,  // !=
    Equal = 3,     // =
};

// The right operand stays in arguments.
class IfCommand : public ConditionCommand {
public:
    std::string_view keyword() const override { return "IF"; }
    ScriptStatus execute(ScriptContext& context) override;
    ScriptStatus parse(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<IfCommand>(); }

    std::string leftOperand;
    ConditionOperator conditionOperator = ConditionOperator::Greater;
};

class ElseCommand : public ConditionCommand {
public:
    std::string_view keyword() const override { return "ELSE"; }
    ScriptStatus execute(ScriptContext& context) override;
    ScriptStatus parse(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<ElseCommand>(); }
};

class EndIfCommand : public ScriptCommand {
public:
    std::string_view keyword() const override { return "ENDIF"; }
    ScriptStatus execute(ScriptContext&) override { return kScriptContinue; }
    ScriptStatus parse(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<EndIfCommand>(); }
};

}  // namespace quorvane
