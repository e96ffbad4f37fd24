// Video through FFmpeg's libraries: H.264 (libx264) in MP4 or Matroska,
// VP9 (libvpx) in WebM. Each shot is put on a canvas of the largest shot's
// size rounded up to even (white where the shot does not reach), turned into
// yuv420p on a worker, and sent to the encoder in order: frame i at time i,
// the time base the interval, so the rate is 1000 / interval frames a
// second. The encoder is drained at the end.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "export/export_parts.h"
#include "export/ordered_pipeline.h"

namespace {

// At least 30 shots of 1080p a second on two cores; --crf trades size.
constexpr const char* X264_PRESET = "ultrafast";
constexpr int H264_CRF_MAX = 51;

struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

struct VideoFrame {
    FramePtr frame;
    bool failed = false;
};

std::string AvText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

// Everything one encoding owns, freed in the right order.
struct Encoding {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    ~Encoding()
    {
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    // Moves every packet the encoder has ready into the file.
    int Collect()
    {
        for (;;) {
            int result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
            if (result < 0) return result;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(format, packet);
            if (result < 0) return result;
        }
    }
};

FramePtr AllocateFrame(int width, int height)
{
    FramePtr frame(av_frame_alloc());
    if (!frame) return nullptr;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    return frame;
}

// A 24-bit picture goes through swscale.
FramePtr MakeFrameWithSwscale(const CDibImage& image, int width, int height)
{
    std::vector<std::uint8_t> rgb;
    ComposeRgb(image, width, height, rgb);
    rgb.resize(rgb.size() + 64);  // swscale may read a little past the last row
    FramePtr frame = AllocateFrame(width, height);
    SwsContext* scale = frame ? sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_YUV420P,
                                               SWS_BILINEAR, nullptr, nullptr, nullptr)
                              : nullptr;
    if (!scale) return nullptr;
    const std::uint8_t* planes[1] = {rgb.data()};
    const int strides[1] = {width * 3};
    sws_scale(scale, planes, strides, 0, height, frame->data, frame->linesize);
    sws_freeContext(scale);
    return frame;
}

// An indexed picture, the shots' only kind, is turned through its colour
// table: each entry's Y, U and V once (BT.601, limited range, the integer
// form swscale's default matches), then a look-up a pixel and a mean of U
// and V over each 2 x 2 block. Slot 256 is white: transparent pixels,
// entries past the table and the canvas beyond the picture.
FramePtr MakeFrame(const CDibImage& image, int width, int height)
{
    if (image.IsEmpty() || image.BitCount() > 8) return MakeFrameWithSwscale(image, width, height);
    constexpr int WHITE = 256;
    int lutY[257], lutU[257], lutV[257];
    const RGBQUAD* palette = image.GetPalette();
    for (int i = 0; i <= 256; ++i) {
        int r = 255, g = 255, b = 255;
        if (i < 256 && i != image.Info().transparentIndex && DWORD(i) < image.Header().biClrUsed) {
            r = palette[i].rgbRed;
            g = palette[i].rgbGreen;
            b = palette[i].rgbBlue;
        }
        lutY[i] = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
        lutU[i] = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
        lutV[i] = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
    }
    FramePtr frame = AllocateFrame(width, height);
    if (!frame) return nullptr;

    const int w = std::min(width, image.Width());
    const int h = std::min(height, image.Height());
    const int bitCount = image.BitCount();
    // Slots of two rows, unpacked; the canvas beyond the picture is white.
    std::vector<std::uint16_t> rows(std::size_t(width) * 2);
    for (int y = 0; y < height; y += 2) {
        for (int k = 0; k < 2; ++k) {
            std::uint16_t* slots = rows.data() + std::size_t(k) * std::size_t(width);
            std::fill(slots, slots + width, std::uint16_t(WHITE));
            const int py = y + k;
            if (py >= h) continue;
            const BYTE* row = image.GetPixels() + std::size_t(image.Height() - 1 - py) * std::size_t(image.Info().stride);
            for (int x = 0; x < w; ++x) {
                slots[x] = bitCount == 8   ? row[x]
                           : bitCount == 4 ? std::uint16_t((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F)
                                           : std::uint16_t((row[x >> 3] >> (7 - (x & 7))) & 1);
            }
            std::uint8_t* luma = frame->data[0] + std::size_t(py) * std::size_t(frame->linesize[0]);
            for (int x = 0; x < w; ++x) luma[x] = std::uint8_t(lutY[slots[x]]);
        }
        for (int k = 0; k < 2 && y + k < height; ++k) {
            if (y + k < h) {
                std::uint8_t* luma = frame->data[0] + std::size_t(y + k) * std::size_t(frame->linesize[0]);
                std::fill(luma + w, luma + width, std::uint8_t(lutY[WHITE]));
            } else {
                std::uint8_t* luma = frame->data[0] + std::size_t(y + k) * std::size_t(frame->linesize[0]);
                std::fill(luma, luma + width, std::uint8_t(lutY[WHITE]));
            }
        }
        const std::uint16_t* top = rows.data();
        const std::uint16_t* bottom = rows.data() + width;
        std::uint8_t* u = frame->data[1] + std::size_t(y / 2) * std::size_t(frame->linesize[1]);
        std::uint8_t* v = frame->data[2] + std::size_t(y / 2) * std::size_t(frame->linesize[2]);
        for (int x = 0; x < width; x += 2) {
            const int a = top[x], b = top[x + 1], c = bottom[x], d = bottom[x + 1];
            u[x / 2] = std::uint8_t((lutU[a] + lutU[b] + lutU[c] + lutU[d] + 2) >> 2);
            v[x / 2] = std::uint8_t((lutV[a] + lutV[b] + lutV[c] + lutV[d] + 2) >> 2);
        }
    }
    return frame;
}

}  // namespace

bool WriteVideoExport(const ExportJob& job)
{
    const bool vp9 = job.kind == ExportKind::WebM;
    const char* formatName = job.kind == ExportKind::Mp4 ? "mp4" : vp9 ? "webm" : "matroska";
    const char* codecName = vp9 ? "libvpx-vp9" : "libx264";
    const std::optional<int> crf = job.settings->crf;
    if (crf && !vp9 && *crf > H264_CRF_MAX)
        return ExportFailure(job, "--crf for H.264 is 0 to " + std::to_string(H264_CRF_MAX) + ", not " +
                                      std::to_string(*crf));
    // Odd sizes are padded to even: yuv420p halves both.
    const int width = (job.screenWidth + 1) & ~1;
    const int height = (job.screenHeight + 1) & ~1;

    av_log_set_level(AV_LOG_ERROR);
    std::string tempPath;
    std::string reason;
    if (!job.files->CreatePath(job.settings->out, tempPath, reason)) return ExportFailure(job, reason);

    Encoding e;
    const AVCodec* codec = avcodec_find_encoder_by_name(codecName);
    if (!codec) return ExportFailure(job, std::string("this FFmpeg has no ") + codecName + " encoder");
    int result = avformat_alloc_output_context2(&e.format, nullptr, formatName, tempPath.c_str());
    if (result < 0 || !e.format) return ExportFailure(job, std::string("FFmpeg cannot write ") + formatName + ": " + AvText(result));
    e.stream = avformat_new_stream(e.format, nullptr);
    e.codec = avcodec_alloc_context3(codec);
    e.packet = av_packet_alloc();
    if (!e.stream || !e.codec || !e.packet) return ExportFailure(job, "not enough memory for the video encoder");

    e.codec->width = width;
    e.codec->height = height;
    e.codec->pix_fmt = AV_PIX_FMT_YUV420P;
    e.codec->time_base = AVRational{job.settings->intervalMs, 1000};
    e.codec->framerate = AVRational{1000, job.settings->intervalMs};
    // What swscale's default conversion makes: BT.601, limited range.
    e.codec->color_range = AVCOL_RANGE_MPEG;
    e.codec->colorspace = AVCOL_SPC_SMPTE170M;
    e.codec->color_primaries = AVCOL_PRI_SMPTE170M;
    e.codec->color_trc = AVCOL_TRC_SMPTE170M;
    if (e.format->oformat->flags & AVFMT_GLOBALHEADER) e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (vp9) {
        e.codec->bit_rate = 0;  // constant quality
        av_dict_set(&options, "crf", std::to_string(crf.value_or(32)).c_str(), 0);
        av_dict_set(&options, "deadline", "good", 0);
        av_dict_set(&options, "cpu-used", "4", 0);
        av_dict_set(&options, "row-mt", "1", 0);
    } else {
        av_dict_set(&options, "preset", X264_PRESET, 0);
        if (crf) av_dict_set(&options, "crf", std::to_string(*crf).c_str(), 0);
    }
    result = avcodec_open2(e.codec, codec, &options);
    av_dict_free(&options);
    if (result < 0) return ExportFailure(job, std::string("cannot start the ") + codecName + " encoder: " + AvText(result));
    result = avcodec_parameters_from_context(e.stream->codecpar, e.codec);
    e.stream->time_base = e.codec->time_base;
    e.stream->avg_frame_rate = e.codec->framerate;
    e.stream->r_frame_rate = e.codec->framerate;
    if (result >= 0) result = avio_open(&e.format->pb, tempPath.c_str(), AVIO_FLAG_WRITE);
    if (result >= 0) result = avformat_write_header(e.format, nullptr);
    if (result < 0) return ExportFailure(job, "cannot write '" + tempPath + "': " + AvText(result));

    const std::vector<ExportShot>& shots = *job.shots;
    bool outOfMemory = false;
    const bool completed = RunOrdered<VideoFrame>(
        shots.size(), job.workers,
        [&](std::size_t i) {
            VideoFrame video;
            LoadedShot shot = LoadShotForExport(shots[i].path, job.screenWidth, job.screenHeight);
            video.failed = shot.failed;
            if (shot.image) video.frame = MakeFrame(*shot.image, width, height);
            return video;
        },
        [&](std::size_t i, VideoFrame& video) {
            if (!video.frame) {
                outOfMemory = true;
                return false;
            }
            video.frame->pts = std::int64_t(i);
            result = avcodec_send_frame(e.codec, video.frame.get());
            if (result >= 0) result = e.Collect();
            job.outcome->placeholders += video.failed ? 1 : 0;
            return result >= 0 && job.Report(i + 1);
        });
    if (outOfMemory) return ExportFailure(job, "not enough memory to export the shots");
    if (result < 0) return ExportFailure(job, "the video could not be written: " + AvText(result));
    if (!completed) return ExportCancelled(job);

    // The drain: frames the encoder still holds.
    result = avcodec_send_frame(e.codec, nullptr);
    if (result >= 0) result = e.Collect();
    if (result >= 0) result = av_write_trailer(e.format);
    if (result >= 0) result = avio_closep(&e.format->pb);
    if (result < 0) return ExportFailure(job, "cannot write '" + tempPath + "': " + AvText(result));
    return true;
}
