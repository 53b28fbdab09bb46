#include "script/substitution.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/escaping.h"
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

// The third field of a reference, "{name,format,escape}": how the expanded
// value is made safe where it lands. A second comma is a syntax error in
// every older reading of a template, so no working skin can hold one.
enum class Escape { None, Html, Url, UrlPath };

ScriptStatus escapeNamed(std::string_view name, Escape& escape)
{
    if (name == "html")
        escape = Escape::Html;
    else if (name == "url")
        escape = Escape::Url;
    else if (name == "path")
        escape = Escape::UrlPath;
    else
        return ScriptError::Syntax;
    return kScriptContinue;
}

void appendEscaped(std::string_view value, Escape escape, ChunkBuffer& out)
{
    std::string escaped;
    if (escape == Escape::Html)
        appendHtmlEscaped(escaped, value);
    else
        appendUrlEncoded(escaped, value, escape == Escape::UrlPath);
    out.append(escaped);
}

// One reference being scanned: the part before the first comma is the
// name, then the format, then the escape.
struct Reference {
    std::size_t nameStart = 0;
    const ScriptVariable* variable = nullptr;  // set once the first comma is reached
    int commas = 0;
    std::string format;
    std::string escape;
};

ScriptStatus expandReference(std::string_view name, Reference& reference, const ScriptContext& context,
                             ChunkBuffer& out)
{
    if (reference.commas == 0) {
        const ScriptStatus status = lookUpReference(name, context, reference.variable);
        if (status >= 0)
            reference.variable->valueText(out);
        return status;
    }
    if (reference.commas == 1)
        return appendFormatted(*reference.variable, reference.format, context, out);

    Escape escape = Escape::None;
    if (const ScriptStatus status = escapeNamed(reference.escape, escape); status < 0)
        return status;
    ChunkBuffer value(1024);
    const ScriptStatus status = reference.format.empty()
                                    ? (reference.variable->valueText(value), kScriptContinue)
                                    : appendFormatted(*reference.variable, reference.format, context, value);
    if (status >= 0)
        appendEscaped(value.text(), escape, out);
    return status;
}

}  // namespace

ScriptStatus substituteText(std::string_view source, ChunkBuffer& out, const ScriptContext& context,
                            SkinBackslash skinBackslash)
{
    bool inReference = false;
    Reference reference;

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
            reference = Reference{};
            reference.nameStart = at + 1;
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
            const std::string_view name = source.substr(reference.nameStart, at - reference.nameStart);
            if (const ScriptStatus status = expandReference(name, reference, context, out); status < 0)
                return status;
            continue;
        }
        if (!inReference) {
            // Only the skin's own text names folders with "\"; a value's
            // backslash is part of a name.
            const bool separators = skinBackslash == SkinBackslash::Separator;
            if (c == '\\' && separators) {
                out.append("/", 1);
                continue;
            }
            // The rest of the plain run goes out in one piece.
            std::size_t end = at + 1;
            while (end < source.size() && source[end] != '{' && source[end] != '}' &&
                   !(separators && source[end] == '\\'))
                ++end;
            out.append(source.substr(at, end - at));
            at = end - 1;
            continue;
        }
        if (c == ',') {
            if (++reference.commas > 2)
                return ScriptError::Syntax;
            if (reference.commas == 2)
                continue;
            const ScriptStatus status = lookUpReference(
                source.substr(reference.nameStart, at - reference.nameStart), context, reference.variable);
            if (status < 0)
                return status;
            continue;
        }
        if (reference.commas == 1)
            reference.format += c;
        else if (reference.commas == 2 && reference.escape.size() <= kMaxReferenceFormat)
            reference.escape += c;
    }
    // A reference left open at the end is dropped without complaint.
    return kScriptContinue;
}

}  // namespace quorvane
