#include "foundation/script_variable.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(ScriptVariable, TextFormsByType)
{
    ScriptVariable number(VarInt, "ThumbWidth");
    number.setInt(-200);
    EXPECT_EQ(number.valueText(), "-200");

    ScriptVariable color(VarColor, "TextColor");
    color.setInt(0x0000ff);
    EXPECT_EQ(color.valueText(), "0000ff");
    color.setInt(0xABCDEF);
    EXPECT_EQ(color.valueText(), "abcdef");

    ScriptVariable text(VarString, "Comment");
    EXPECT_EQ(text.valueText(), "");
    EXPECT_EQ(text.textBufferLength(), 0);
    text.setText("100% sun");
    EXPECT_EQ(text.valueText(), "100% sun");
    EXPECT_EQ(text.textBufferLength(), 9);

    ScriptVariable none(VarNone, "Exif_X");
    EXPECT_EQ(none.valueText(), "");
}

TEST(ScriptVariable, SettersIgnoreTheOtherTypes)
{
    ScriptVariable text(VarString, "S");
    text.setInt(5);
    EXPECT_EQ(text.intValue(), 0);
    EXPECT_EQ(text.valueText(), "");

    ScriptVariable number(VarInt, "N");
    number.setText("abc");
    EXPECT_EQ(number.valueText(), "0");

    number.setInt(7);
    number.setType(VarString);
    EXPECT_EQ(number.intValue(), 0);
    number.setText("now text");
    EXPECT_EQ(number.text(), "now text");
    number.clearValue();
    EXPECT_EQ(number.type(), VarNone);
    EXPECT_EQ(number.valueText(), "");
}

TEST(ScriptVariable, CopyKeepsNameTypeAndValue)
{
    ScriptVariable text(VarString, "S");
    text.setText("abc");
    auto copy = text.copyVariable();
    text.setText("changed");
    EXPECT_EQ(copy->name(), "S");
    EXPECT_EQ(copy->text(), "abc");

    ScriptVariable unset(VarString, "U");
    auto unsetCopy = unset.copyVariable();
    EXPECT_EQ(unsetCopy->text(), "");

    ScriptVariable color(VarColor, "C");
    color.setInt(0x102030);
    EXPECT_EQ(color.copyVariable()->valueText(), "102030");
}

TEST(ScriptVariable, FindTakesTheFirstNamesake)
{
    VariableList list;
    ScriptVariable* first = list.append(std::make_unique<ScriptVariable>(VarInt, "A"));
    list.append(std::make_unique<ScriptVariable>(VarString, "A"));
    EXPECT_EQ(findVariable(list, "A"), first);
    EXPECT_EQ(findVariable(list, "a"), nullptr);
}

}  // namespace
}  // namespace quorvane
