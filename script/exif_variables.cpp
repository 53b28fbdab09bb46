#include "script/exif_variables.h"

#include <memory>
#include <string>

#include "album/album_tree.h"
#include "foundation/format.h"
#include "foundation/script_variable.h"
#include "imaging/exif_display.h"
#include "imaging/exif_reader.h"

namespace quorvane {

void collectExifVariables(AlbumPicture& picture)
{
    readExif(picture.fullPath(), [&picture](const ExifValue& value) {
        const char* name = exifTagName(value.tag);
        if (!name)
            return;
        const std::string variableName = std::string("Exif_") + name;
        std::unique_ptr<ScriptVariable> variable;
        switch (value.type) {
        case TypeByte: case TypeShort: case TypeSByte: case TypeSShort: case TypeSLong:
            variable = std::make_unique<ScriptVariable>(VarInt, variableName);
            variable->setInt(static_cast<int>(value.integer));
            break;
        case TypeLong:
            variable = std::make_unique<ScriptVariable>(VarString, variableName);
            variable->setText(formatText("%u", static_cast<unsigned>(value.integer)));
            break;
        case TypeAscii: case TypeRational: case TypeSRational:
            variable = std::make_unique<ScriptVariable>(VarString, variableName);
            variable->setText(value.text);
            // Beside the raw value, the text a page shows people ("1/200 s").
            if (std::optional<std::string> shown = exifDisplayText(name, value.text)) {
                picture.exifVariables.append(std::move(variable));
                variable = std::make_unique<ScriptVariable>(VarString, std::string("ExifText_") + name);
                variable->setText(*shown);
            }
            break;
        case TypeFloat: case TypeDouble:
            variable = std::make_unique<ScriptVariable>(VarString, variableName);
            variable->setText(formatText("%.2f", value.real));
            break;
        default:
            return;
        }
        picture.exifVariables.append(std::move(variable));
    });
}

}  // namespace quorvane
