#include "script/script_error.h"

#include <iterator>

namespace quorvane {

const char* scriptErrorName(ScriptStatus status)
{
    static constexpr const char* kNames[] = {
        "BadVisibility",   "Syntax",          "CannotRead",        "QuotedStringExpected",
        "CannotCreateFile", "CannotCreateCopy", "FileAlreadyOpen",  "NameTooLong",
        "EmptyName",       "NoOpenFile",      "UnknownVariable",   "PrivateRedeclared",
        "NotNumeric",      "NoOpenLoop",      "NoOpenIf",          "UnclosedIf",
        "OperandTooLong",  "FormatTooLong",   "EmptyFormat",       "CannotWriteFile",
        "TooManyIterations", "OutputTooLarge",
    };
    if (status == kScriptContinue || status == kScriptJump)
        return "Ok";
    const std::uint32_t number = static_cast<std::uint32_t>(status) & 0x7fffffffu;
    if (status >= 0 || number < 1 || number > std::size(kNames))
        return nullptr;
    return kNames[number - 1];
}

}  // namespace quorvane
