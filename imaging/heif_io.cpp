#include <cstring>
#include <memory>
#include <mutex>

#include <libheif/heif.h>

#include "imaging/todays_decoders.h"

namespace quorvane {

namespace {

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
using HandlePointer = std::unique_ptr<heif_image_handle, HandleDeleter>;

// The file's primary picture (not the first listed: a grid's tiles or a
// depth map may come first).
struct OpenedFile {
    std::unique_ptr<heif_context, ContextDeleter> context;
    HandlePointer primary;
};

bool openPrimary(const std::string& path, OpenedFile& file)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { heif_init(nullptr); });
    file.context.reset(heif_context_alloc());
    if (!file.context)
        return false;
    if (heif_context_read_from_file(file.context.get(), path.c_str(), nullptr).code != heif_error_Ok)
        return false;
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(file.context.get(), &handle).code != heif_error_Ok)
        return false;
    file.primary.reset(handle);
    return true;
}

}  // namespace

bool loadHeif(Image& image, const std::string& path, const DecodeSettings& settings)
{
    image.release();
    OpenedFile file;
    if (!openPrimary(path, file))
        return false;
    const int width = heif_image_handle_get_width(file.primary.get());
    const int height = heif_image_handle_get_height(file.primary.get());
    if (width <= 0 || height <= 0 || std::uint64_t(width) * std::uint64_t(height) > settings.maxPixels)
        return false;
    const bool alpha = heif_image_handle_has_alpha_channel(file.primary.get()) != 0;

    // Rotation, mirroring and cropping of the file are applied by libheif;
    // 10-bit pictures come down to 8 bits.
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (!options)
        return false;
    options->convert_hdr_to_8bit = 1;
    heif_image* decodedRaw = nullptr;
    const heif_error error =
        heif_decode_image(file.primary.get(), &decodedRaw, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const std::unique_ptr<heif_image, ImageDeleter> decoded(decodedRaw);
    if (error.code != heif_error_Ok || !decoded)
        return false;
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    const int outWidth = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int outHeight = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    const int components = alpha ? 4 : 3;
    if (!plane || outWidth <= 0 || outHeight <= 0 || stride < outWidth * components ||
        std::uint64_t(outWidth) * std::uint64_t(outHeight) > settings.maxPixels ||
        heif_image_get_bits_per_pixel_range(decoded.get(), heif_channel_interleaved) != 8)
        return false;

    image.allocate(std::uint32_t(outWidth), std::uint32_t(outHeight), 3);
    for (int y = 0; y < outHeight; ++y) {
        const std::uint8_t* in = plane + std::size_t(y) * std::size_t(stride);
        if (alpha)
            composeOverBackground(in, 4, std::size_t(outWidth), settings.background, image.row(std::uint32_t(y)));
        else
            std::memcpy(image.row(std::uint32_t(y)), in, std::size_t(outWidth) * 3);
    }
    return true;
}

bool readHeifSize(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    OpenedFile file;
    if (!openPrimary(path, file))
        return false;
    const int w = heif_image_handle_get_width(file.primary.get());
    const int h = heif_image_handle_get_height(file.primary.get());
    if (w <= 0 || h <= 0)
        return false;
    width = std::uint32_t(w);
    height = std::uint32_t(h);
    return true;
}

std::vector<unsigned char> readHeifExif(const std::string& path, std::size_t maxBytes)
{
    OpenedFile file;
    if (!openPrimary(path, file))
        return {};
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(file.primary.get(), "Exif", &id, 1) != 1)
        return {};
    const std::size_t size = heif_image_handle_get_metadata_size(file.primary.get(), id);
    if (size < 4 || size > maxBytes)
        return {};
    std::vector<unsigned char> item(size);
    if (heif_image_handle_get_metadata(file.primary.get(), id, item.data()).code != heif_error_Ok)
        return {};
    // The item starts with the offset of the TIFF header from its fifth byte.
    const std::uint32_t offset = std::uint32_t(item[0]) << 24 | std::uint32_t(item[1]) << 16 |
                                 std::uint32_t(item[2]) << 8 | item[3];
    if (offset > size - 4)
        return {};
    std::size_t begin = 4 + offset;
    if (size - begin >= 6 && std::memcmp(item.data() + begin, "Exif\0\0", 6) == 0)
        begin += 6;
    return std::vector<unsigned char>(item.begin() + std::ptrdiff_t(begin), item.end());
}

}  // namespace quorvane
