#include "script/loop_commands.h"
#include "script/script_context.h"

namespace quorvane {

ScriptStatus runScript(ScriptContext& context)
{
    // A run starts with no loop under way: a loop left active by an earlier
    // run (stopped by an error, or never closed) would otherwise resume with
    // another directory's items.
    context.loopStack = nullptr;
    context.loopIterations = 0;
    context.bytesWritten = 0;
    context.errorText.clear();
    context.runCache.clear();
    for (ScriptCommand& command : context.commands) {
        if (auto* loop = dynamic_cast<LoopCommand*>(&command))
            loop->active = false;
    }

    ScriptCommand* command = context.commands.first();
    while (command) {
        const ScriptStatus status = command->execute(context);
        if (status < 0)
            return context.fail(*command, status);
        command = status == kScriptJump ? command->jumpTarget : CommandList::next(*command);
    }
    return kScriptContinue;
}

}  // namespace quorvane
