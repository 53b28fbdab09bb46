#pragma once

#include <cstdint>

namespace quorvane {

// What parse and execute answer: 0 go on with the next command, 1 (execute
// only) go on with the command's jumpTarget, negative a ScriptError code.
using ScriptStatus = std::int32_t;

inline constexpr ScriptStatus kScriptContinue = 0;
inline constexpr ScriptStatus kScriptJump = 1;

constexpr ScriptStatus scriptErrorCode(std::uint32_t number)
{
    return static_cast<ScriptStatus>(0x80000000u | number);
}

// Scoped by a namespace rather than an enum class so that the codes convert
// to ScriptStatus where commands return them.
namespace ScriptError {
enum Code : ScriptStatus {
    BadVisibility = scriptErrorCode(1),
    Syntax = scriptErrorCode(2),
    CannotRead = scriptErrorCode(3),
    QuotedStringExpected = scriptErrorCode(4),
    CannotCreateFile = scriptErrorCode(5),
    CannotCreateCopy = scriptErrorCode(6),
    FileAlreadyOpen = scriptErrorCode(7),
    NameTooLong = scriptErrorCode(8),
    EmptyName = scriptErrorCode(9),
    NoOpenFile = scriptErrorCode(10),
    UnknownVariable = scriptErrorCode(11),
    PrivateRedeclared = scriptErrorCode(12),
    NotNumeric = scriptErrorCode(13),
    NoOpenLoop = scriptErrorCode(14),
    NoOpenIf = scriptErrorCode(15),
    UnclosedIf = scriptErrorCode(16),
    OperandTooLong = scriptErrorCode(17),
    FormatTooLong = scriptErrorCode(18),
    EmptyFormat = scriptErrorCode(19),
    // Beyond the original's codes: a write that failed, and the bounds that
    // stop a runaway skin.
    CannotWriteFile = scriptErrorCode(20),
    TooManyIterations = scriptErrorCode(21),
    OutputTooLarge = scriptErrorCode(22),
};
}  // namespace ScriptError

// The member name of an error code ("Syntax"), "Ok" for 0 and 1, nullptr for
// a code that is not one of ours. Meant for diagnostics and tests.
const char* scriptErrorName(ScriptStatus status);

// A failure and where it happened: line is the 1-based line of the failing
// command, or -1 when no line is to blame (an unreadable file).
struct ScriptResult {
    ScriptStatus status = kScriptContinue;
    int line = -1;

    bool ok() const { return status >= 0; }
};

}  // namespace quorvane
