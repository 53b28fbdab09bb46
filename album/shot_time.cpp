#include "album/shot_time.h"

#include "album/album_tree.h"
#include "imaging/exif_reader.h"

namespace quorvane {

std::string readShotTime(AlbumPicture& picture)
{
    if (!picture.shotTime) {
        readExif(picture.fullPath(), [&picture](const ExifValue& value) {
            // Only a text can be a shot time; a later occurrence replaces an earlier one.
            if (value.tag == kDateTimeOriginal &&
                (value.type == TypeAscii || value.type == TypeRational || value.type == TypeSRational))
                picture.shotTime = std::string(value.text);
        });
    }
    return picture.shotTime.value_or(std::string());
}

}  // namespace quorvane
