// Expands arbitrary bytes as a template, and as the format of a number and
// of a text reference, against a fixed set of variables of every type.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "script/script_context.h"
#include "script/substitution.h"

namespace {

using namespace quorvane;

std::unique_ptr<ScriptContext> makeContext()
{
    auto context = std::make_unique<ScriptContext>();
    context->addVariable(std::make_unique<ScriptVariable>(VarInt, "N"))->setInt(-2147483647 - 1);
    context->addVariable(std::make_unique<ScriptVariable>(VarInt, "W"))->setInt(5);
    context->addVariable(std::make_unique<ScriptVariable>(VarColor, "C"))->setInt(0xff8000);
    context->addVariable(std::make_unique<ScriptVariable>(VarString, "T"))->setText("Holidays 100%");
    context->addVariable(std::make_unique<ScriptVariable>(VarString, "U"));
    context->addVariable(std::make_unique<ScriptVariable>(VarNone, "X"));
    context->addVariable(std::make_unique<ScriptVariable>(VarString, std::string(64, 'L')))->setText("long");
    return context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::unique_ptr<ScriptContext> context = makeContext();
    const std::string input(reinterpret_cast<const char*>(data), size);
    static volatile std::size_t sink = 0;
    for (const std::string& source : {input, "{N," + input + "}", "{C," + input + "}", "{T," + input + "}"}) {
        ChunkBuffer out;
        substituteText(source, out, *context);
        // Touch every byte so that a bad length shows.
        if (const char* bytes = out.data())
            sink = sink + std::string(bytes, static_cast<std::size_t>(out.length())).size();
    }
    return 0;
}
