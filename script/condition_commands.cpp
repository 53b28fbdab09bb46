#include "script/condition_commands.h"

#include <string>

#include "script/script_context.h"
#include "script/script_text.h"

namespace quorvane {

namespace {

// The open IF or ELSE gets its closing line and leaves the stack.
ScriptStatus closeOpenCondition(ScriptContext& context, ScriptCommand& closing)
{
    if (context.conditionStack.empty())
        return ScriptError::NoOpenIf;
    context.conditionStack.back()->closing = &closing;
    context.conditionStack.pop_back();
    return kScriptContinue;
}

bool holds(ConditionOperator op, int left, int right)
{
    switch (op) {
    case ConditionOperator::Greater:
        return left > right;
    case ConditionOperator::Less:
        return left < right;
    case ConditionOperator::NotEqual:
        return left != right;
    case ConditionOperator::Equal:
        return left == right;
    }
    return false;
}

}  // namespace

ScriptStatus operandValue(std::string_view text, const ScriptContext& context, int& value)
{
    if (!text.empty() && isDigit(text.front())) {
        value = leadingDigits(text);
        return kScriptContinue;
    }
    const ScriptVariable* variable = context.findVariable(text);
    if (!variable)
        return ScriptError::UnknownVariable;
    switch (variable->type()) {
    case VarInt:
    case VarColor:
        value = variable->intValue();
        break;
    case VarString:
        value = variable->textBufferLength() - 1;
        break;
    default:
        value = -1;
        break;
    }
    return kScriptContinue;
}

ScriptStatus ConditionCommand::jumpPastClosing()
{
    if (!closing)
        return ScriptError::UnclosedIf;
    jumpTarget = CommandList::next(*closing);
    return kScriptJump;
}

ScriptStatus IfCommand::parse(ScriptContext& context)
{
    std::string_view rest = arguments.text();
    const std::size_t end = rest.find_first_of(" \t<>!=");
    if (end != std::string_view::npos) {
        if (end > kMaxLeftOperand)
            return ScriptError::OperandTooLong;
        leftOperand = rest.substr(0, end);
        rest = skipBlanks(rest.substr(end));
    }
    std::size_t operatorLength = 1;
    if (rest.starts_with('>')) {
        conditionOperator = ConditionOperator::Greater;
    } else if (rest.starts_with('<')) {
        conditionOperator = ConditionOperator::Less;
    } else if (rest.starts_with('=')) {
        conditionOperator = ConditionOperator::Equal;
    } else if (rest.starts_with("!=")) {
        conditionOperator = ConditionOperator::NotEqual;
        operatorLength = 2;
    } else {
        return ScriptError::Syntax;
    }
    const std::string rightOperand(skipBlanks(rest.substr(operatorLength)));
    arguments.setText(rightOperand);
    // Pushed only once the line is sound, so a failed parse leaves no
    // reference to a command that is never kept.
    context.conditionStack.push_back(this);
    return kScriptContinue;
}

ScriptStatus IfCommand::execute(ScriptContext& context)
{
    if (!closing)
        return ScriptError::UnclosedIf;
    int left = 0;
    int right = 0;
    if (const ScriptStatus status = operandValue(leftOperand, context, left); status < 0)
        return status;
    if (const ScriptStatus status = operandValue(arguments.text(), context, right); status < 0)
        return status;
    return holds(conditionOperator, left, right) ? kScriptContinue : jumpPastClosing();
}

ScriptStatus ElseCommand::parse(ScriptContext& context)
{
    if (const ScriptStatus status = closeOpenCondition(context, *this); status < 0)
        return status;
    context.conditionStack.push_back(this);
    return kScriptContinue;
}

ScriptStatus ElseCommand::execute(ScriptContext&)
{
    return jumpPastClosing();
}

ScriptStatus EndIfCommand::parse(ScriptContext& context)
{
    return closeOpenCondition(context, *this);
}

}  // namespace quorvane
