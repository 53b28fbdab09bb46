#include "script/movie_variables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "album/album_tree.h"
#include "album/generated_names.h"
#include "imaging/movie_frame.h"
#include "options/project_options.h"
#include "script/script_context.h"

namespace quorvane {

namespace {

void bindText(ScriptContext& context, std::string_view name, std::string_view text)
{
    context.getOrCreateVariable(VarString, name)->setText(text);
}

void bindInt(ScriptContext& context, std::string_view name, long long value)
{
    context.getOrCreateVariable(VarInt, name)->setInt(static_cast<int>(value));
}

}  // namespace

std::string minutesAndSeconds(double seconds)
{
    const long long total = seconds > 0 && seconds < 1e9 ? std::llround(seconds) : 0;
    char text[48];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

void bindMovieVariables(ScriptContext& context, const AlbumPicture& movie)
{
    MovieFacts facts;
    const bool readable = readMovieFacts(movie.fullPath(), facts) == MovieStatus::Ok;
    const bool intermediates = context.options && context.options->intermediateActive;
    // A movie without a decodable frame has no poster to show.
    std::error_code error;
    const bool poster = readable && context.options &&
                        std::filesystem::is_regular_file(generatedFilePath(movie, *context.options, thumbnailName(movie.fileName)), error);
    bindText(context, "MoviePoster", poster ? thumbnailName(movie.fileName) : "");
    bindText(context, "MovieIntermediate", poster && intermediates ? intermediateName(movie.fileName) : "");
    bindInt(context, "MovieWidth", facts.width);
    bindInt(context, "MovieHeight", facts.height);
    bindInt(context, "MovieSeconds", std::llround(std::min(facts.durationSeconds, 1e9)));
    bindText(context, "MovieDuration", readable ? minutesAndSeconds(facts.durationSeconds) : "");
    bindInt(context, "MoviePlayable", facts.browserPlayable);
    bindText(context, "MovieContainer", facts.container);
    bindText(context, "MovieVideoCodec", facts.videoCodec);
    bindText(context, "MovieAudioCodec", facts.audioCodec);
    // Only a copy the thumbnail job finished: it is renamed into place whole.
    const bool webCopy = readable && !facts.browserPlayable && context.options &&
                         context.options->movieWebCopies &&
                         std::filesystem::is_regular_file(webCopyPath(movie, *context.options), error);
    bindText(context, "MovieWebCopy", webCopy ? webCopyName(movie.fileName) : "");
}

}  // namespace quorvane
