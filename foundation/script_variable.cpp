#include "foundation/script_variable.h"

#include <cstdio>

namespace quorvane {

ScriptVariable::ScriptVariable(int type, std::string_view name) : name_(name)
{
    setType(type);
}

void ScriptVariable::setType(int newType)
{
    type_ = newType;
    integer_ = 0;
    text_.reset();
    if (type_ == VarString)
        text_ = std::make_unique<ChunkBuffer>(1024);
}

void ScriptVariable::setInt(int value)
{
    if (hasInt())
        integer_ = value;
}

void ScriptVariable::setText(std::string_view text)
{
    if (text_)
        text_->setText(text);
}

std::string_view ScriptVariable::text() const
{
    if (!text_ || text_->length() == 0)
        return {};
    // A set string always ends with its single NUL; the text is what precedes it.
    const char* bytes = text_->data();
    return std::string_view(bytes, static_cast<std::size_t>(text_->length() - 1));
}

void ScriptVariable::valueText(ChunkBuffer& out) const
{
    switch (type_) {
    case VarInt:
        out.appendFormat("%d", integer_);
        break;
    case VarColor:
        out.appendFormat("%06x", static_cast<unsigned>(integer_));
        break;
    case VarString:
        out.append(text());
        break;
    default:
        break;
    }
}

std::string ScriptVariable::valueText() const
{
    ChunkBuffer buffer;
    valueText(buffer);
    const char* bytes = buffer.data();
    return bytes ? std::string(bytes, static_cast<std::size_t>(buffer.length())) : std::string();
}

std::unique_ptr<ScriptVariable> ScriptVariable::copyVariable() const
{
    auto copy = std::make_unique<ScriptVariable>(type_, name_);
    if (hasInt())
        copy->setInt(integer_);
    else if (type_ == VarString)
        copy->setText(text());
    return copy;
}

ScriptVariable* findVariable(const VariableList& variables, std::string_view name)
{
    for (ScriptVariable& variable : variables) {
        if (variable.name() == name)
            return &variable;
    }
    return nullptr;
}

}  // namespace quorvane
