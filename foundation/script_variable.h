#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "foundation/chunk_buffer.h"
#include "foundation/object_list.h"

namespace quorvane {

// The type codes stored in settings files and used by skins.
enum VarType : int {
    VarInt = 0,
    VarColor = 1,  // 0xRRGGBB
    VarString = 2,
    VarNone = 3,
};

// A typed named value: script variables, stored skin parameters and Exif values.
class ScriptVariable : public ListObject {
public:
    ScriptVariable(int type, std::string_view name);

    // Drops the old value and creates an empty one of the new type.
    void setType(int newType);
    void clearValue() { setType(VarNone); }

    int intValue() const { return hasInt() ? integer_ : 0; }
    void setInt(int value);
    void setText(std::string_view text);

    // Appends the text form ("%d", "%06x", the text, or nothing).
    void valueText(ChunkBuffer& out) const;
    std::string valueText() const;

    // The text of a string variable ("" for a never-set one or another type).
    std::string_view text() const;
    // Length of the stored buffer, 0 for a string that was never set.
    int textBufferLength() const { return text_ ? text_->length() : 0; }

    std::unique_ptr<ScriptVariable> copyVariable() const;

    int type() const { return type_; }
    const std::string& name() const { return name_; }

private:
    bool hasInt() const { return type_ == VarInt || type_ == VarColor; }

    int type_ = VarNone;
    std::string name_;
    int integer_ = 0;
    std::unique_ptr<ChunkBuffer> text_;  // present exactly for VarString
};

using VariableList = List<ScriptVariable>;

ScriptVariable* findVariable(const VariableList& variables, std::string_view name);

}  // namespace quorvane
