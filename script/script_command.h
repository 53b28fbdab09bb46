#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "foundation/chunk_buffer.h"
#include "foundation/object_list.h"
#include "script/script_error.h"
#include "foundation/script_variable.h"

namespace quorvane {

class ScriptContext;

// One line of a skin script. Each keyword is a class cloned from its
// prototype in commandPrototypes(); parse runs once while loading, execute
// each time the run reaches the line.
class ScriptCommand : public ListObject {
public:
    ScriptCommand() = default;
    ~ScriptCommand() override = default;

    virtual std::string_view keyword() const = 0;
    // 0, kScriptJump after setting jumpTarget, or a ScriptError code.
    virtual ScriptStatus execute(ScriptContext& context) = 0;
    // 0 or a ScriptError code; may consume from arguments.
    virtual ScriptStatus parse(ScriptContext& context) = 0;
    // A new command of the same class with empty fields.
    virtual std::unique_ptr<ScriptCommand> clone() const = 0;
    // Public declarations add their variable with its default value.
    virtual void collectDeclaration(VariableList& out) const { (void)out; }

    // The text of the line after the keyword and its one separator, followed
    // by a NUL; empty for a line that is only a keyword.
    ChunkBuffer arguments{1024};
    std::string sourcePath;
    int line = 0;
    ScriptCommand* jumpTarget = nullptr;
};

using CommandList = List<ScriptCommand>;

// One prototype of each command class, in keyword lookup order. Built on
// first use (thread-safely) and only read afterwards.
const CommandList& commandPrototypes();

// The prototype whose keyword equals the text exactly, case included.
const ScriptCommand* findPrototype(std::string_view keyword);

}  // namespace quorvane
