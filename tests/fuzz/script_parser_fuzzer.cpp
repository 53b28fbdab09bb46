// Loads arbitrary bytes as a skin script, collects its declarations and runs
// it over a small album held in memory. The commands that touch the disk
// (CREATE_FILE, CREATE_DIR, COPY_FROM_SKIN) are taken out before the run, so
// nothing is written; WRITE_FILE still expands its text and then finds no
// open file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "album/album_tree.h"
#include "options/project_options.h"
#include "script/script_context.h"

namespace {

using namespace quorvane;

// Nested loops multiply: keep the run short by refusing deeply looping inputs.
constexpr int kMostLoops = 8;

std::unique_ptr<AlbumDirectory> makeAlbum()
{
    auto root = std::make_unique<AlbumDirectory>("/nonexistent/album");
    root->fullPath = root->name;
    root->setComment("root {comment}");
    for (const auto& [name, kind] : {std::pair{"a.jpg", MediaPicture}, std::pair{"m.avi", MediaMovie},
                                     std::pair{"b.jpg", MediaPicture}}) {
        auto file = std::make_unique<AlbumPicture>(name, root->fullPath, "");
        file->mediaKind = kind;
        root->appendFile(std::move(file));
    }
    for (const char* name : {"Trip", "Home"}) {
        auto directory = std::make_unique<AlbumDirectory>(name);
        directory->fullPath = root->fullPath + "/" + name;
        directory->relativeDirectory = std::string("/") + name;
        root->appendSubdirectory(std::move(directory));
    }
    return root;
}

bool touchesDisk(const ScriptCommand& command)
{
    const std::string_view keyword = command.keyword();
    return keyword == "CREATE_FILE" || keyword == "CREATE_DIR" || keyword == "COPY_FROM_SKIN";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::unique_ptr<AlbumDirectory> album = makeAlbum();
    ProjectOptions options;
    ScriptContext context;
    context.options = &options;
    const ScriptResult loaded =
        parseScriptText(std::string_view(reinterpret_cast<const char*>(data), size), "Fuzz.qvs", context);
    if (!loaded.ok())
        return 0;

    VariableList declared;
    int loops = 0;
    for (ScriptCommand* command = context.commands.first(); command;) {
        ScriptCommand* next = CommandList::next(*command);
        command->collectDeclaration(declared);
        const std::string_view keyword = command->keyword();
        loops += keyword.starts_with("FOR_EACH_") ? 1 : 0;
        if (touchesDisk(*command))
            context.commands.remove(command);
        command = next;
    }
    if (loops > kMostLoops)
        return 0;

    context.currentDirectory = album.get();
    context.getOrCreateVariable(VarInt, "ThumbWidth")->setInt(200);
    context.getOrCreateVariable(VarString, "RootPath")->setText("../");
    context.getOrCreateVariable(VarNone, "Exif_Model");
    runScript(context);
    return 0;
}
