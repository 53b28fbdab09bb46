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

}  // namespace

bool loadWebp(Image& image, const std::string& path, const DecodeSettings& settings)
{
    image.release();
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, settings.maxFileBytes, bytes))
        return false;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK || features.width <= 0 ||
        features.height <= 0 || std::uint64_t(features.width) * std::uint64_t(features.height) > settings.maxPixels)
        return false;

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
