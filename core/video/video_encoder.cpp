#include "core/video/video_encoder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "core/common/file_write.h"
#include "core/video/yuv_picture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace drv {

namespace {

constexpr int kIoBufferSize = 64 * 1024;

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

VideoResult fromErrno(int error) {
    const VideoStatus status = (error == ENOSPC || error == EDQUOT) ? VideoStatus::DiskFull : VideoStatus::CannotWrite;
    return {status, std::strerror(error)};
}

VideoResult fromStatus(const Status& status) {
    if (status.errorNumber) return fromErrno(status.errorNumber);
    return {VideoStatus::CannotWrite, status.message};
}

AVPixelFormat avFormat(PixelLayout layout) {
    return layout == PixelLayout::Bgr24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_RGB32;
}

}  // namespace

struct VideoEncoder::Impl {
    VideoSettings settings;
    ReplacingFile file;  // the one writer: temporary file beside the target, renamed when complete
    int ioErrno = 0;     // the first failed write or seek

    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVIOContext* io = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    PixelLayout scalerLayout = PixelLayout::Rgb32;
    bool headerWritten = false;
    int frames = 0;

    ~Impl() { discard(); }

    // The muxer writes through these, so that the reason of a failed write reaches the user.
    static int writePacket(void* opaque, std::uint8_t* data, int size) {
        auto* self = static_cast<Impl*>(opaque);
        const Status written = self->file.write(data, static_cast<std::size_t>(size));
        if (written) return size;
        const int error = written.errorNumber ? written.errorNumber : EIO;
        if (!self->ioErrno) self->ioErrno = error;
        return AVERROR(error);
    }

    static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
        auto* self = static_cast<Impl*>(opaque);
        if (whence & AVSEEK_SIZE) {
            struct stat st {};
            return ::fstat(self->file.fd(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : AVERROR(errno);
        }
        const off_t at = ::lseek(self->file.fd(), static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
        if (at < 0) {
            const int error = errno;
            if (!self->ioErrno) self->ioErrno = error;
            self->file.fail(Status::FromErrno(error, "seek"));
            return AVERROR(error);
        }
        return at;
    }

    // An I/O failure names its system reason; anything else is the library's.
    VideoResult failure(int code) const {
        if (ioErrno) return fromErrno(ioErrno);
        return {VideoStatus::EncoderFailed, avError(code)};
    }

    // Sends `input` (nullptr: the end) and writes every packet the encoder has ready.
    int encode(const AVFrame* input) {
        int ret = avcodec_send_frame(codec, input);
        if (ret < 0) return ret;
        for (;;) {
            ret = avcodec_receive_packet(codec, packet);
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
            if (ret < 0) return ret;
            // Every frame lasts one tick: the last one too, so the duration is frames / fps.
            if (packet->duration == 0) packet->duration = 1;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            ret = av_interleaved_write_frame(format, packet);
            if (ret < 0) return ret;
        }
    }

    void release() {
        sws_freeContext(scaler);
        scaler = nullptr;
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            format->pb = nullptr;  // ours, freed below
            avformat_free_context(format);
            format = nullptr;
        }
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    void discard() {
        release();
        file.abort();
    }
};

VideoEncoder::VideoEncoder() : d_(std::make_unique<Impl>()) {
    // The libraries report through our results; their own log lines would only reach stderr.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
}

VideoEncoder::~VideoEncoder() = default;

int VideoEncoder::framesWritten() const { return d_->frames; }

VideoResult VideoEncoder::open(const std::filesystem::path& target, const VideoSettings& settings) {
    d_->discard();
    VideoResult result = openFile(target, settings);
    if (!result.ok()) d_->discard();
    return result;
}

VideoResult VideoEncoder::openFile(const std::filesystem::path& target, const VideoSettings& settings) {
    Impl& d = *d_;
    d.settings = settings;
    d.frames = 0;
    d.ioErrno = 0;
    d.headerWritten = false;

    // Checked here, before libx264 sees it: libx264 writes its refusal straight to stderr.
    if (settings.crf < kMinCrf || settings.crf > kMaxCrf)
        return {VideoStatus::EncoderFailed,
                "the CRF must be " + std::to_string(kMinCrf) + ".." + std::to_string(kMaxCrf)};
    if (const Status opened = d.file.open(target); !opened) return fromStatus(opened);

    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    if (!x264) return {VideoStatus::EncoderFailed, "libx264 is not available"};
    int ret = avformat_alloc_output_context2(&d.format, nullptr, "mp4", nullptr);
    if (ret < 0) return d.failure(ret);
    d.codec = avcodec_alloc_context3(x264);
    d.frame = av_frame_alloc();
    d.packet = av_packet_alloc();
    d.stream = avformat_new_stream(d.format, nullptr);
    if (!d.codec || !d.frame || !d.packet || !d.stream) return {VideoStatus::EncoderFailed, "out of memory"};

    AVCodecContext* c = d.codec;
    c->width = settings.width;
    c->height = settings.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, settings.fps};
    c->framerate = AVRational{settings.fps, 1};
    c->thread_count = 0;  // libx264 picks its threads by the cores (libavcodec's default is one)
    // What the pixels are: the JPEGs' sRGB colours (BT.709 primaries, the sRGB curve), turned
    // into luma and chroma with the BT.601 matrix in the limited range, as swscale does.
    c->color_range = AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_IEC61966_2_1;
    if (d.format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(c->priv_data, "preset", settings.preset.c_str(), 0);
    av_opt_set(c->priv_data, "profile", "high", 0);
    av_opt_set_double(c->priv_data, "crf", settings.crf, 0);
    ret = avcodec_open2(c, x264, nullptr);
    if (ret < 0) return d.failure(ret);
    ret = avcodec_parameters_from_context(d.stream->codecpar, c);
    if (ret < 0) return d.failure(ret);
    d.stream->time_base = c->time_base;
    d.stream->avg_frame_rate = c->framerate;

    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    d.io =
        buffer ? avio_alloc_context(buffer, kIoBufferSize, 1, &d, nullptr, &Impl::writePacket, &Impl::seek) : nullptr;
    if (!d.io) {
        av_free(buffer);
        return {VideoStatus::EncoderFailed, "out of memory"};
    }
    d.format->pb = d.io;
    d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Moving the index to the front reads the file back by its name.
    d.format->url = av_strdup(("file:" + d.file.temporaryPath().native()).c_str());

    if (!settings.title.empty()) av_dict_set(&d.format->metadata, "title", settings.title.c_str(), 0);
    if (!settings.creationTime.empty())
        av_dict_set(&d.format->metadata, "creation_time", settings.creationTime.c_str(), 0);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    ret = avformat_write_header(d.format, &options);
    av_dict_free(&options);
    if (ret < 0) return d.failure(ret);
    d.headerWritten = true;

    d.frame->format = c->pix_fmt;
    d.frame->width = c->width;
    d.frame->height = c->height;
    ret = av_frame_get_buffer(d.frame, 0);
    if (ret < 0) return d.failure(ret);
    return {};
}

VideoResult VideoEncoder::addFrame(const std::uint8_t* pixels, std::size_t bytesPerRow, PixelLayout layout) {
    Impl& d = *d_;
    if (!d.headerWritten) return {VideoStatus::EncoderFailed, "not open"};
    if (!d.scaler || d.scalerLayout != layout) {
        sws_freeContext(d.scaler);
        const int w = d.settings.width, h = d.settings.height;
        // Colour conversion only, no scaling. Point sampling of the chroma costs least and came
        // closest to the recorder's JPEGs (41.7 dB against 41.0 dB for bilinear with accurate rounding).
        d.scaler =
            sws_getContext(w, h, avFormat(layout), w, h, AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
        d.scalerLayout = layout;
        if (!d.scaler) return {VideoStatus::EncoderFailed, "no colour conversion for this pixel layout"};
    }
    // The encoder may still hold the previous frame's buffer.
    int ret = av_frame_make_writable(d.frame);
    if (ret < 0) return d.failure(ret);
    const std::uint8_t* const source[1] = {pixels};
    const int stride[1] = {static_cast<int>(bytesPerRow)};
    sws_scale(d.scaler, source, stride, 0, d.settings.height, d.frame->data, d.frame->linesize);
    d.frame->pts = d.frames;
    ret = d.encode(d.frame);
    if (ret < 0) return d.failure(ret);
    ++d.frames;
    return {};
}

VideoResult VideoEncoder::addFrame(const YuvPicture& picture) {
    Impl& d = *d_;
    if (!d.headerWritten) return {VideoStatus::EncoderFailed, "not open"};
    if (picture.width != d.settings.width || picture.height != d.settings.height)
        return {VideoStatus::EncoderFailed, "a picture of the wrong size"};
    int ret = av_frame_make_writable(d.frame);
    if (ret < 0) return d.failure(ret);
    for (int i = 0; i < 3; ++i) {
        const int rows = i == 0 ? picture.height : picture.height / 2;
        av_image_copy_plane(d.frame->data[i], d.frame->linesize[i], picture.plane(i), picture.stride(i),
                            picture.stride(i), rows);
    }
    d.frame->pts = d.frames;
    ret = d.encode(d.frame);
    if (ret < 0) return d.failure(ret);
    ++d.frames;
    return {};
}

VideoResult VideoEncoder::finish() {
    Impl& d = *d_;
    if (!d.headerWritten) return {VideoStatus::EncoderFailed, "not open"};
    int ret = d.encode(nullptr);
    if (ret >= 0) ret = av_write_trailer(d.format);
    if (ret >= 0) {
        avio_flush(d.io);
        if (d.io->error < 0) ret = d.io->error;
    }
    if (ret < 0) {
        const VideoResult result = d.failure(ret);
        d.discard();
        return result;
    }
    d.headerWritten = false;
    d.release();
    // Flushed to disk, closed and renamed over the target, every step checked; on failure the
    // temporary file is gone and the target untouched.
    const Status committed = d.file.commit();
    if (!committed) {
        d.discard();
        return fromStatus(committed);
    }
    return {};
}

void VideoEncoder::cancel() {
    d_->headerWritten = false;
    d_->discard();
}

}  // namespace drv
