#include "script/substitution.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "script/script_context.h"
#include "script/script_text.h"

namespace quorvane {

namespace {

// Widths and precisions past this only add padding beyond the 255 characters
// kept, so capping them changes nothing visible and keeps printf cheap.
constexpr int kLargestUsefulWidth = 512;

ScriptStatus lookUpReference(std::string_view name, const ScriptContext& context,
                             const ScriptVariable*& variable)
{
    if (name.empty())
        return ScriptError::EmptyName;
    if (name.size() > kMaxReferenceName)
        return ScriptError::NameTooLong;
    variable = context.findVariable(name);
    return variable ? kScriptContinue : ScriptError::UnknownVariable;
}

// Copies the digits at format[at] into spec, capped; moves at past them.
void copyCappedNumber(std::string_view format, std::size_t& at, std::string& spec)
{
    const std::size_t start = at;
    while (at < format.size() && isDigit(format[at]))
        ++at;
    if (at > start)
        spec += std::to_string(std::min(leadingDigits(format.substr(start)), kLargestUsefulWidth));
}

// A skin's format may consume exactly one int and nothing else: anything
// that would make printf read another argument is refused.
ScriptStatus formatInteger(std::string_view format, int value, ChunkBuffer& out)
{
    std::string checked;
    bool converted = false;
    for (std::size_t at = 0; at < format.size(); ++at) {
        const char c = format[at];
        if (c == '\0')
            return ScriptError::Syntax;
        if (c != '%') {
            checked += c;
            continue;
        }
        if (at + 1 < format.size() && format[at + 1] == '%') {
            checked += "%%";
            ++at;
            continue;
        }
        if (converted)
            return ScriptError::Syntax;
        std::string spec = "%";
        ++at;
        while (at < format.size() && std::strchr("-+ #0'", format[at]) && format[at] != '\0')
            spec += format[at++];
        copyCappedNumber(format, at, spec);
        if (at < format.size() && format[at] == '.') {
            spec += format[at++];
            copyCappedNumber(format, at, spec);
        }
        if (format.substr(at).starts_with("hh")) {
            spec += "hh";
            at += 2;
        } else if (at < format.size() && format[at] == 'h') {
            spec += format[at++];
        } else if (at < format.size() && format[at] == 'l' &&
                   !format.substr(at).starts_with("ll")) {
            // Skins were written where long has the size of int.
            ++at;
        }
        if (at >= format.size() || !std::strchr("diouxXc", format[at]) || format[at] == '\0')
            return ScriptError::Syntax;
        spec += format[at];
        checked += spec;
        converted = true;
    }
    char formatted[kMaxFormattedNumber + 1];
    std::snprintf(formatted, sizeof formatted, checked.c_str(), value);
    out.append(formatted, static_cast<int>(strnlen(formatted, kMaxFormattedNumber)));
    return kScriptContinue;
}

ScriptStatus appendPrefix(const ScriptVariable& variable, std::string_view format,
                          const ScriptContext& context, ChunkBuffer& out)
{
    int width = 0;
    if (isDigit(format.front())) {
        width = leadingDigits(format);
    } else {
        const ScriptVariable* widthVariable = context.findVariable(format);
        if (!widthVariable)
            return ScriptError::UnknownVariable;
        width = std::max(widthVariable->intValue(), 0);
    }
    const std::string_view text = variable.text();
    out.append(text.substr(0, std::min<std::size_t>(static_cast<std::size_t>(width), text.size())));
    return kScriptContinue;
}

ScriptStatus appendFormatted(const ScriptVariable& variable, std::string_view format,
                             const ScriptContext& context, ChunkBuffer& out)
{
    if (format.empty())
        return ScriptError::EmptyFormat;
    if (format.size() > kMaxReferenceFormat)
        return ScriptError::FormatTooLong;
    switch (variable.type()) {
    case VarInt:
    case VarColor:
        return formatInteger(format, variable.intValue(), out);
    case VarString:
        return appendPrefix(variable, format, context, out);
    default:
        return kScriptContinue;
    }
}

}  // namespace

ScriptStatus substituteText(std::string_view source, ChunkBuffer& out, const ScriptContext& context)
{
    bool inReference = false;
    std::size_t nameStart = 0;
    const ScriptVariable* variable = nullptr;  // set once the comma is reached
    bool hasFormat = false;
    std::string format;

    for (std::size_t at = 0; at < source.size(); ++at) {
        const char c = source[at];
        const bool doubled = at + 1 < source.size() && source[at + 1] == c;
        if (c == '{') {
            if (at + 1 >= source.size())
                return ScriptError::Syntax;
            if (doubled) {
                out.append("{", 1);
                ++at;
                continue;
            }
            if (inReference)
                return ScriptError::Syntax;
            inReference = true;
            nameStart = at + 1;
            variable = nullptr;
            hasFormat = false;
            format.clear();
            continue;
        }
        if (c == '}') {
            // A doubled brace is output at once, even inside a reference,
            // where it stays part of the name's span.
            if (doubled) {
                out.append("}", 1);
                ++at;
                continue;
            }
            if (!inReference)
                return ScriptError::Syntax;
            inReference = false;
            ScriptStatus status = kScriptContinue;
            if (!hasFormat) {
                status = lookUpReference(source.substr(nameStart, at - nameStart), context, variable);
                if (status >= 0)
                    variable->valueText(out);
            } else {
                status = appendFormatted(*variable, format, context, out);
            }
            if (status < 0)
                return status;
            continue;
        }
        if (!inReference) {
            out.append(&source[at], 1);
            continue;
        }
        if (c == ',') {
            if (hasFormat)
                return ScriptError::Syntax;
            hasFormat = true;
            const ScriptStatus status =
                lookUpReference(source.substr(nameStart, at - nameStart), context, variable);
            if (status < 0)
                return status;
            continue;
        }
        if (hasFormat)
            format += c;
    }
    // A reference left open at the end is dropped without complaint.
    return kScriptContinue;
}

}  // namespace quorvane
