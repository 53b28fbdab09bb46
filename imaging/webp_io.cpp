#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

#include "imaging/jpeg_io.h"
#include "imaging/todays_decoders.h"

namespace quorvane {

namespace {

// libwebp decodes from memory: the whole file, unless it is larger than limit.
bool readWholeFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>& bytes)
{
    FileHandle file = openFile(path, "rb");
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file.get());
    if (size <= 0 || std::uint64_t(size) > limit || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return false;
    bytes.resize(std::size_t(size));
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};

// The reduction of 1/2, 1/4 or 1/8 that keeps at least least pixels on each
// side, as a JPEG decoder would round it (up); 1 when none does.
std::uint32_t webpReduction(const WebPBitstreamFeatures& features, const DecodeSettings& settings)
{
    std::uint32_t leastWidth = 0, leastHeight = 0;
    reducedDecodeFloor(std::uint32_t(features.width), std::uint32_t(features.height), settings, leastWidth,
                       leastHeight);
    if (leastWidth == 0 || leastHeight == 0 || features.has_animation)
        return 1;
    for (std::uint32_t reduction = 8; reduction >= 2; reduction /= 2) {
        const std::uint32_t width = (std::uint32_t(features.width) + reduction - 1) / reduction;
        const std::uint32_t height = (std::uint32_t(features.height) + reduction - 1) / reduction;
        if (width >= leastWidth && height >= leastHeight)
            return reduction;
    }
    return 1;
}

// A still picture decoded straight to width × height by libwebp's scaler,
// so the whole picture is never held at its full size.
bool loadScaledWebp(Image& image, const std::vector<std::uint8_t>& bytes, std::uint32_t width,
                    std::uint32_t height, std::uint32_t background)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return false;
    config.options.use_scaling = 1;
    config.options.scaled_width = static_cast<int>(width);
    config.options.scaled_height = static_cast<int>(height);
    config.output.colorspace = MODE_RGBA;
    if (WebPDecode(bytes.data(), bytes.size(), &config) != VP8_STATUS_OK)
        return false;
    const std::unique_ptr<WebPDecBuffer, void (*)(WebPDecBuffer*)> output(&config.output, WebPFreeDecBuffer);
    const WebPRGBABuffer& rgba = config.output.u.RGBA;
    if (config.output.width != int(width) || config.output.height != int(height))
        return false;
    image.allocate(width, height, 3);
    for (std::uint32_t y = 0; y < height; ++y)
        composeOverBackground(rgba.rgba + std::size_t(y) * std::size_t(rgba.stride), 4, width, background,
                              image.row(y));
    return true;
}

}  // namespace

bool loadWebp(Image& image, const std::string& path, const DecodeSettings& settings, std::uint32_t* fullWidth,
              std::uint32_t* fullHeight)
{
    image.release();
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, settings.maxFileBytes, bytes))
        return false;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK || features.width <= 0 ||
        features.height <= 0 || std::uint64_t(features.width) * std::uint64_t(features.height) > settings.maxPixels)
        return false;
    if (fullWidth)
        *fullWidth = std::uint32_t(features.width);
    if (fullHeight)
        *fullHeight = std::uint32_t(features.height);
    if (const std::uint32_t reduction = webpReduction(features, settings); reduction > 1) {
        const bool scaled = loadScaledWebp(image, bytes, (std::uint32_t(features.width) + reduction - 1) / reduction,
                                           (std::uint32_t(features.height) + reduction - 1) / reduction,
                                           settings.background);
        if (!scaled)
            image.release();
        return scaled;
    }

    // The animation decoder takes still pictures too, and for an animation
    // gives the first frame composed on its canvas, as a browser shows it.
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return false;
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData data{bytes.data(), bytes.size()};
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info) || info.canvas_width == 0 ||
        info.canvas_height == 0 || std::uint64_t(info.canvas_width) * info.canvas_height > settings.maxPixels)
        return false;
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        return false;
    image.allocate(info.canvas_width, info.canvas_height, 3);
    composeOverBackground(canvas, 4, std::size_t(info.canvas_width) * info.canvas_height, settings.background,
                          image.pixels.get());
    return true;
}

bool readWebpSize(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    // The headers that carry the size lie in the first few dozen bytes.
    FileHandle file = openFile(path, "rb");
    std::uint8_t head[256];
    const std::size_t count = file ? std::fread(head, 1, sizeof head, file.get()) : 0;
    int w = 0, h = 0;
    if (count == 0 || !WebPGetInfo(head, count, &w, &h) || w <= 0 || h <= 0)
        return false;
    width = std::uint32_t(w);
    height = std::uint32_t(h);
    return true;
}

std::vector<unsigned char> readWebpExif(const std::string& path, std::size_t maxBytes)
{
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, DecodeSettings{}.maxFileBytes, bytes))
        return {};
    const WebPData data{bytes.data(), bytes.size()};
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemux(&data));
    if (!demuxer)
        return {};
    WebPChunkIterator chunk;
    std::vector<unsigned char> block;
    if (WebPDemuxGetChunk(demuxer.get(), "EXIF", 1, &chunk)) {
        const std::uint8_t* begin = chunk.chunk.bytes;
        std::size_t size = chunk.chunk.size;
        // Some writers keep the "Exif\0\0" of a JPEG segment in front.
        if (size >= 6 && std::memcmp(begin, "Exif\0\0", 6) == 0) {
            begin += 6;
            size -= 6;
        }
        if (size <= maxBytes)
            block.assign(begin, begin + size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return block;
}

}  // namespace quorvane
