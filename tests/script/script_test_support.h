#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "album/album_tree.h"
#include "options/project_options.h"
#include "script/script_context.h"
#include "support/test_support.h"

namespace quorvane::test {

// A script context over a small album in a temporary folder: the album root
// is <temp>/album, the destination folder (when used) <temp>/out and the
// skin folder <temp>/skin.
class ScriptFixture {
public:
    ScriptFixture() : root(std::make_unique<AlbumDirectory>((temp / "album").string()))
    {
        root->fullPath = root->name;
        std::filesystem::create_directories(root->fullPath);
        std::filesystem::create_directories(temp / "skin");
        options.useDestPath = 0;
        options.outputFolder = (temp / "out").string();
        context.options = &options;
        context.albumRoot = root->fullPath;
        context.skinFolder = (temp / "skin").string();
        context.currentDirectory = root.get();
    }

    void useDestination()
    {
        options.useDestPath = 1;
        std::filesystem::create_directories(options.outputFolder);
    }

    AlbumPicture* addMedia(AlbumDirectory& directory, std::string_view fileName, int kind,
                           std::string_view comment = {})
    {
        auto media = std::make_unique<AlbumPicture>(fileName, directory.fullPath, directory.relativeDirectory);
        media->mediaKind = kind;
        if (!comment.empty())
            media->setComment(comment);
        directory.mediaCount += 1;
        return directory.appendFile(std::move(media));
    }

    AlbumDirectory* addDirectory(AlbumDirectory& parent, std::string_view name, std::string_view comment = {})
    {
        auto directory = std::make_unique<AlbumDirectory>(name);
        directory->fullPath = parent.fullPath + "/" + std::string(name);
        directory->relativeDirectory = parent.relativeDirectory + "/" + std::string(name);
        if (!comment.empty())
            directory->setComment(comment);
        std::filesystem::create_directories(directory->fullPath);
        return parent.appendSubdirectory(std::move(directory));
    }

    ScriptResult load(std::string_view script) { return parseScriptText(script, "Test.qvs", context); }

    // Loads and runs; a load failure fails the test.
    ScriptStatus run(std::string_view script)
    {
        const ScriptResult loaded = load(script);
        EXPECT_TRUE(loaded.ok()) << "parse error line " << loaded.line;
        if (!loaded.ok())
            return loaded.status;
        return runScript(context);
    }

    ScriptVariable* define(int type, std::string_view name)
    {
        return context.addVariable(std::make_unique<ScriptVariable>(type, name));
    }
    void defineInt(std::string_view name, int value) { define(VarInt, name)->setInt(value); }
    void defineText(std::string_view name, std::string_view text) { define(VarString, name)->setText(text); }

    // The text form of a variable, or "<undefined>".
    std::string value(std::string_view name) const
    {
        const ScriptVariable* variable = context.findVariable(name);
        return variable ? variable->valueText() : "<undefined>";
    }

    std::filesystem::path albumPath(std::string_view relative) const { return temp / "album" / relative; }
    std::filesystem::path outPath(std::string_view relative) const { return temp / "out" / relative; }

    TempDir temp;
    std::unique_ptr<AlbumDirectory> root;
    ProjectOptions options;
    ScriptContext context;
};

inline std::string errorName(ScriptStatus status)
{
    const char* name = scriptErrorName(status);
    return name ? name : "<unknown " + std::to_string(status) + ">";
}

// How a run ended: the error's name and the failing line ("Ok", -1 on success).
struct Failure {
    std::string code;
    int line;
    bool operator==(const Failure&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Failure& failure)
{
    return out << failure.code << " at line " << failure.line;
}

inline Failure runFailure(ScriptFixture& fixture, std::string_view script)
{
    const ScriptStatus status = fixture.run(script);
    return {errorName(status), fixture.context.errorLine};
}

}  // namespace quorvane::test
