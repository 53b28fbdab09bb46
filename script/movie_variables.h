#pragma once

#include <string>

namespace quorvane {

class AlbumPicture;
class ScriptContext;

// "m:ss", or "h:mm:ss" from an hour up, of a duration rounded to the second.
std::string minutesAndSeconds(double seconds);

// The variables FOR_EACH_MOVIE adds for today's formats, read from the
// movie's container:
//   MoviePoster        "thm_<name>.jpg", the poster at thumbnail size
//   MovieIntermediate  "inter_<name>.jpg" when intermediate images are made
//   MovieWidth, MovieHeight   the picture as shown (upright)
//   MovieSeconds       whole seconds; MovieDuration the same as "m:ss"
//   MoviePlayable      1 when browsers play the file as it is
//   MovieContainer, MovieVideoCodec, MovieAudioCodec
// A movie that cannot be read gets empty names and zeros, so skins fall back
// to a plain link.
void bindMovieVariables(ScriptContext& context, const AlbumPicture& movie);

}  // namespace quorvane
