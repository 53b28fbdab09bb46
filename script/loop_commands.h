#pragma once

#include <memory>
#include <string_view>

#include "script/script_command.h"

namespace quorvane {

class AlbumDirectory;
class AlbumPicture;
class HighDensityNames;

// FOR_EACH_IMAGE, FOR_EACH_MOVIE and FOR_EACH_DIR over the context's current
// directory. The first execution finds the first item (or skips the body);
// each END_FOR advances the innermost active loop and jumps back to it.
class LoopCommand : public ScriptCommand {
public:
    ScriptStatus parse(ScriptContext& context) override;
    ScriptStatus execute(ScriptContext& context) override;

    // Moves to the next item; false, and no longer active, when there is none.
    virtual bool advance() = 0;

    ScriptCommand* closing = nullptr;  // the END_FOR
    LoopCommand* outerLoop = nullptr;  // next loop down the context's loopStack
    bool active = false;

protected:
    // Takes the directory's first item; false when it has none.
    virtual bool start(const AlbumDirectory& directory) = 0;
    // Defines the variables of the current item.
    virtual ScriptStatus bind(ScriptContext& context) = 0;
};

class ForEachImageCommand : public LoopCommand {
public:
    std::string_view keyword() const override { return "FOR_EACH_IMAGE"; }
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<ForEachImageCommand>(); }
    bool advance() override;

    AlbumPicture* current = nullptr;
    AlbumPicture* previous = nullptr;
    std::shared_ptr<const HighDensityNames> highDensityNames;

protected:
    bool start(const AlbumDirectory& directory) override;
    ScriptStatus bind(ScriptContext& context) override;
};

class ForEachMovieCommand : public LoopCommand {
public:
    std::string_view keyword() const override { return "FOR_EACH_MOVIE"; }
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<ForEachMovieCommand>(); }
    bool advance() override;

    AlbumPicture* previous = nullptr;
    AlbumPicture* current = nullptr;

protected:
    bool start(const AlbumDirectory& directory) override;
    ScriptStatus bind(ScriptContext& context) override;
};

class ForEachDirCommand : public LoopCommand {
public:
    std::string_view keyword() const override { return "FOR_EACH_DIR"; }
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<ForEachDirCommand>(); }
    bool advance() override;

    AlbumDirectory* current = nullptr;
    std::shared_ptr<const HighDensityNames> highDensityNames;

protected:
    bool start(const AlbumDirectory& directory) override;
    ScriptStatus bind(ScriptContext& context) override;
};

class EndForCommand : public ScriptCommand {
public:
    std::string_view keyword() const override { return "END_FOR"; }
    ScriptStatus execute(ScriptContext& context) override;
    ScriptStatus parse(ScriptContext& context) override;
    std::unique_ptr<ScriptCommand> clone() const override { return std::make_unique<EndForCommand>(); }
};

// Gives the context one "Exif_<tag>" variable per named tag, holding the
// picture's value or no value at all.
void fillExifVariables(ScriptContext& context, AlbumPicture& picture);

}  // namespace quorvane
