#include "tests/export/export_test_files.h"

#include <fcntl.h>
#include <sys/stat.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <fstream>

namespace export_test {

GifPicture PatternPicture(int width, int height, int colours, int seed, int transparentIndex)
{
    GifPicture picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < colours; ++i)
        picture.palette.push_back({std::uint8_t(i * 37 + seed), std::uint8_t(i * 11 + 3 * seed), std::uint8_t(255 - i)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.pixels.push_back(std::uint8_t((x * 7 + y * 3 + seed) % colours));
    picture.transparentIndex = transparentIndex;
    return picture;
}

GifPicture SolidPicture(int width, int height, GifColour colour)
{
    GifPicture picture;
    picture.width = width;
    picture.height = height;
    picture.palette = {colour, {0, 0, 0}};
    picture.pixels.assign(std::size_t(width) * std::size_t(height), 0);
    return picture;
}

std::vector<std::string> WriteShots(const std::string& dir, const std::vector<ShotSpec>& shots)
{
    std::vector<std::string> paths;
    for (const ShotSpec& shot : shots) {
        const std::string path = dir + "/" + shot.name;
        const kestrel::test::GifBytes bytes = kestrel::test::EncodeGif(shot.picture);
        kestrel::test::WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
        const timespec times[2] = {{time_t(shot.seconds), 0}, {time_t(shot.seconds), 0}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
        paths.push_back(path);
    }
    return paths;
}

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

GiflibFile SlurpWithGiflib(const std::string& path)
{
    int error = 0;
    GiflibFile gif(DGifOpenFileName(path.c_str(), &error));
    if (!gif || DGifSlurp(gif.get()) != GIF_OK) return nullptr;
    return gif;
}

GifColour EntryOrFill(const GifColorType* table, int count, int i, bool transparent)
{
    if (table && i < count) return {table[i].Red, table[i].Green, table[i].Blue};
    const std::uint8_t fill = transparent ? 255 : 0;
    return {fill, fill, fill};
}

GifColour PaletteEntryOrFill(const CDibImage& image, int i)
{
    if (DWORD(i) < image.Header().biClrUsed) {
        const RGBQUAD entry = image.GetPaletteColour(BYTE(i));
        return {entry.rgbRed, entry.rgbGreen, entry.rgbBlue};
    }
    const std::uint8_t fill = image.Info().transparentIndex >= 0 ? 255 : 0;
    return {fill, fill, fill};
}

DecodedVideo DecodeVideo(const std::string& path)
{
    DecodedVideo video;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return video;
    const AVCodec* codec = nullptr;
    const int index = avformat_find_stream_info(format, nullptr) >= 0
                          ? av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0)
                          : -1;
    AVCodecContext* context = index >= 0 ? avcodec_alloc_context3(codec) : nullptr;
    if (context && avcodec_parameters_to_context(context, format->streams[index]->codecpar) >= 0 &&
        avcodec_open2(context, codec, nullptr) >= 0) {
        video.opened = true;
        video.width = context->width;
        video.height = context->height;
        video.rate = av_q2d(format->streams[index]->avg_frame_rate);
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        auto receive = [&] {
            while (avcodec_receive_frame(context, frame) >= 0) {
                if (video.frames++ == 0) {
                    // swscale may write a little past a row: aligned rows and a spare one.
                    const int stride = (frame->width * 3 + 63) & ~63;
                    std::vector<std::uint8_t> rgb(std::size_t(stride) * std::size_t(frame->height + 1));
                    SwsContext* scale = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                                       frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_BILINEAR,
                                                       nullptr, nullptr, nullptr);
                    std::uint8_t* planes[1] = {rgb.data()};
                    const int strides[1] = {stride};
                    sws_scale(scale, frame->data, frame->linesize, 0, frame->height, planes, strides);
                    sws_freeContext(scale);
                    for (int y = 0; y < frame->height; ++y)
                        for (int x = 0; x < frame->width * 3; ++x)
                            video.firstMean[x % 3] += rgb[std::size_t(y) * std::size_t(stride) + std::size_t(x)];
                    for (double& mean : video.firstMean) mean /= double(frame->width) * frame->height;
                }
            }
        };
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == index && avcodec_send_packet(context, packet) >= 0) receive();
            av_packet_unref(packet);
        }
        avcodec_send_packet(context, nullptr);
        receive();
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return video;
}

}  // namespace export_test
