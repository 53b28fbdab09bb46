#pragma once

#include <memory>
#include <string>

#include "script/script_command.h"

namespace quorvane {

// Longest name a declaration, SET or ADD may carry.
inline constexpr std::size_t kMaxVariableName = 255;

// DECLARE_INT, DECLARE_COLOR and DECLARE_STRING: one class carrying its type.
class DeclareCommand : public ScriptCommand {
public:
    explicit DeclareCommand(int varType) : varType(varType) {}

    std::string_view keyword() const override;
    ScriptStatus execute(ScriptContext& context) override;
    ScriptStatus parse(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override
    {
        return std::make_unique<DeclareCommand>(varType);
    }
    void collectDeclaration(VariableList& out) const override;

    const int varType;
    int visibility = 0;  // 0 public, 1 private
    std::string name;
    std::string value;  // the text after the name, not expanded

private:
    std::unique_ptr<ScriptVariable> declaredVariable() const;
};

// SET and ADD share their parse: a name and a value template.
class AssignmentCommand : public ScriptCommand {
public:
    ScriptStatus parse(ScriptContext& context) override;
    ScriptStatus execute(ScriptContext& context) override;

    std::string name;
    std::string valueTemplate;  // with its terminating NUL

protected:
    virtual int newValue(int oldValue, int number) const = 0;
};

class SetCommand : public AssignmentCommand {
public:
    std::string_view keyword() const override { return "SET"; }
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<SetCommand>(); }

protected:
    int newValue(int oldValue, int number) const override;
};

class AddCommand : public AssignmentCommand {
public:
    std::string_view keyword() const override { return "ADD"; }
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<AddCommand>(); }

protected:
    int newValue(int oldValue, int number) const override;
};

}  // namespace quorvane
