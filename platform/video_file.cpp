#include "platform/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

namespace korvel::platform {

struct VideoDecoder::State {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  int stream = -1;
  // Presentation times of every frame, in display order.
  std::vector<int64_t> times;
  int lastIndex = -2;  // the frame decoded last; -2 when the decoder must seek first
  bool flushed = false;

  ~State() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  int64_t timeOf(const AVFrame* f) const {
    return f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
  }

  // The next decoded frame, into `frame`; false at the end of the film.
  bool next() {
    for (;;) {
      int result = avcodec_receive_frame(codec, frame);
      if (result == 0) {
        return true;
      }
      if (result == AVERROR_EOF || (result != AVERROR(EAGAIN))) {
        return false;
      }
      if (flushed) {
        return false;
      }
      result = av_read_frame(format, packet);
      if (result < 0) {
        avcodec_send_packet(codec, nullptr);  // drain what the decoder holds
        flushed = true;
        continue;
      }
      if (packet->stream_index == stream) {
        avcodec_send_packet(codec, packet);
      }
      av_packet_unref(packet);
    }
  }

  bool seekTo(int64_t time) {
    if (av_seek_frame(format, stream, time, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(format, stream, times.front(), AVSEEK_FLAG_BACKWARD) < 0) {
      return false;
    }
    avcodec_flush_buffers(codec);
    flushed = false;
    return true;
  }
};

VideoDecoder::VideoDecoder() = default;
VideoDecoder::~VideoDecoder() = default;

void VideoDecoder::close() {
  state_.reset();
}

bool VideoDecoder::open(const std::string& path) {
  close();
  // A file that is not a film is an answer, not news, and a damaged frame is shown as the
  // decoder made it: the library's own complaints (a line per broken block) say nothing the
  // user can act on.
  av_log_set_level(AV_LOG_FATAL);
  auto s = std::make_unique<State>();
  if (avformat_open_input(&s->format, path.c_str(), nullptr, nullptr) < 0 ||
      avformat_find_stream_info(s->format, nullptr) < 0) {
    return false;
  }
  const AVCodec* decoder = nullptr;
  s->stream = av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (s->stream < 0 || !decoder) {
    return false;
  }
  s->codec = avcodec_alloc_context3(decoder);
  if (!s->codec ||
      avcodec_parameters_to_context(s->codec, s->format->streams[s->stream]->codecpar) < 0 ||
      avcodec_open2(s->codec, decoder, nullptr) < 0) {
    return false;
  }
  s->frame = av_frame_alloc();
  s->packet = av_packet_alloc();
  // Count the frames by their packets: container headers do not always say.
  while (av_read_frame(s->format, s->packet) >= 0) {
    if (s->packet->stream_index == s->stream) {
      int64_t t = s->packet->pts != AV_NOPTS_VALUE ? s->packet->pts : s->packet->dts;
      if (t == AV_NOPTS_VALUE) {
        t = s->times.empty() ? 0 : s->times.back() + 1;
      }
      s->times.push_back(t);
    }
    av_packet_unref(s->packet);
  }
  std::sort(s->times.begin(), s->times.end());
  if (s->times.empty() || !s->seekTo(s->times.front())) {
    return false;
  }
  state_ = std::move(s);
  return true;
}

int VideoDecoder::frameCount() const {
  return state_ ? int(state_->times.size()) : 0;
}
int VideoDecoder::width() const {
  return state_ ? state_->codec->width : 0;
}
int VideoDecoder::height() const {
  return state_ ? state_->codec->height : 0;
}

bool VideoDecoder::decodeFrame(int index, int width, int height, std::vector<uint8_t>* out) {
  if (!state_ || index < 0 || index >= frameCount() || width <= 0 || height <= 0) {
    return false;
  }
  State& s = *state_;
  // The demo shows a film frame for several of its own: the frame held is scaled again.
  if (index != s.lastIndex) {
    int64_t wanted = s.times[size_t(index)];
    if (index != s.lastIndex + 1) {
      ++seeks_;
      if (!s.seekTo(wanted)) {
        return false;
      }
    }
    bool found = false;
    while (s.next()) {
      if (s.timeOf(s.frame) >= wanted) {
        found = true;
        break;
      }
    }
    if (!found) {
      s.lastIndex = -2;
      return false;
    }
    s.lastIndex = index;
  }

  s.scaler = sws_getCachedContext(s.scaler, s.frame->width, s.frame->height,
                                  AVPixelFormat(s.frame->format), width, height, AV_PIX_FMT_BGR24,
                                  SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!s.scaler) {
    return false;
  }
  out->resize(size_t(width) * height * 3);
  // Written from the last row up, so the bottom row comes first.
  uint8_t* planes[4] = {out->data() + size_t(height - 1) * width * 3, nullptr, nullptr, nullptr};
  int strides[4] = {-width * 3, 0, 0, 0};
  sws_scale(s.scaler, s.frame->data, s.frame->linesize, 0, s.frame->height, planes, strides);
  return true;
}

struct VideoWriter::State {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  int64_t next = 0;
  int quality = 0;  // lambda of a fixed quantiser, 0 for the encoder's own rate control
  bool headerWritten = false;

  ~State() {
    av_frame_free(&audioFrame);
    avcodec_free_context(&audioCodec);
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    if (format) {
      if (!(format->oformat->flags & AVFMT_NOFILE)) {
        avio_closep(&format->pb);
      }
      avformat_free_context(format);
    }
  }

  bool drain(AVFrame* input) { return drainInto(codec, stream, input); }

  bool drainInto(AVCodecContext* c, AVStream* st, AVFrame* input) {
    if (avcodec_send_frame(c, input) < 0) {
      return false;
    }
    for (;;) {
      int result = avcodec_receive_packet(c, packet);
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
        return true;
      }
      if (result < 0) {
        return false;
      }
      av_packet_rescale_ts(packet, c->time_base, st->time_base);
      packet->stream_index = st->index;
      if (av_interleaved_write_frame(format, packet) < 0) {
        return false;
      }
    }
  }

  // The audio track: an AAC encoder fed whole frames of planar floats.
  AVCodecContext* audioCodec = nullptr;
  AVStream* audioStream = nullptr;
  AVFrame* audioFrame = nullptr;
  std::vector<float> pendingLeft, pendingRight;
  int64_t audioNext = 0;

  bool openAudio(double start) {
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!aac) {
      return false;
    }
    audioStream = avformat_new_stream(format, nullptr);
    audioCodec = avcodec_alloc_context3(aac);
    if (!audioStream || !audioCodec) {
      return false;
    }
    audioCodec->sample_rate = 44100;
    audioCodec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&audioCodec->ch_layout, 2);
    audioCodec->bit_rate = 192000;
    audioCodec->time_base = AVRational{1, 44100};
    audioCodec->flags |= AV_CODEC_FLAG_BITEXACT;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) {
      audioCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (avcodec_open2(audioCodec, aac, nullptr) < 0 ||
        avcodec_parameters_from_context(audioStream->codecpar, audioCodec) < 0) {
      return false;
    }
    audioStream->time_base = audioCodec->time_base;
    audioNext = int64_t(std::llround(start * 44100.0));
    audioFrame = av_frame_alloc();
    audioFrame->format = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_copy(&audioFrame->ch_layout, &audioCodec->ch_layout);
    audioFrame->sample_rate = 44100;
    audioFrame->nb_samples = audioCodec->frame_size > 0 ? audioCodec->frame_size : 1024;
    return av_frame_get_buffer(audioFrame, 0) >= 0;
  }

  // Encodes whole frames from what is pending; with `flush`, the rest padded with silence.
  bool encodeAudio(bool flush) {
    const size_t size = size_t(audioFrame->nb_samples);
    while (pendingLeft.size() >= size || (flush && !pendingLeft.empty())) {
      if (av_frame_make_writable(audioFrame) < 0) {
        return false;
      }
      auto* left = reinterpret_cast<float*>(audioFrame->data[0]);
      auto* right = reinterpret_cast<float*>(audioFrame->data[1]);
      size_t n = std::min(size, pendingLeft.size());
      std::copy_n(pendingLeft.begin(), n, left);
      std::copy_n(pendingRight.begin(), n, right);
      std::fill(left + n, left + size, 0.0f);
      std::fill(right + n, right + size, 0.0f);
      pendingLeft.erase(pendingLeft.begin(), pendingLeft.begin() + ptrdiff_t(n));
      pendingRight.erase(pendingRight.begin(), pendingRight.begin() + ptrdiff_t(n));
      audioFrame->pts = audioNext;
      audioNext += int64_t(size);
      if (!drainInto(audioCodec, audioStream, audioFrame)) {
        return false;
      }
    }
    return true;
  }
};

VideoWriter::VideoWriter() = default;
VideoWriter::~VideoWriter() = default;

bool VideoWriter::open(const std::string& path, int width, int height, int framesPerSecond,
                       const std::string& codecName, std::string* error, int quality) {
  VideoWriterOptions options;
  options.quality = quality;
  return open(path, width, height, framesPerSecond, codecName, error, options);
}

bool VideoWriter::open(const std::string& path, int width, int height, int framesPerSecond,
                       const std::string& codecName, std::string* error,
                       const VideoWriterOptions& options) {
  const int quality = options.quality;
  auto s = std::make_unique<State>();
  auto fail = [&](const std::string& why) {
    *error = path + ": " + why;
    return false;
  };
  if (avformat_alloc_output_context2(&s->format, nullptr, nullptr, path.c_str()) < 0) {
    return fail("no container for this file name");
  }
  const AVCodec* encoder = avcodec_find_encoder_by_name(codecName.c_str());
  if (!encoder) {
    return fail("no encoder named " + codecName);
  }
  s->stream = avformat_new_stream(s->format, nullptr);
  s->codec = avcodec_alloc_context3(encoder);
  if (!s->stream || !s->codec) {
    return fail("out of memory");
  }
  s->codec->width = width;
  s->codec->height = height;
  const int denominator = std::max(1, options.rateDenominator);
  s->codec->time_base = AVRational{denominator, framesPerSecond};
  s->codec->framerate = AVRational{framesPerSecond, denominator};
  s->codec->gop_size = 12;
  s->codec->pix_fmt = encoder->pix_fmts ? encoder->pix_fmts[0] : AV_PIX_FMT_YUV420P;
  for (const AVPixelFormat* f = encoder->pix_fmts; f && *f != AV_PIX_FMT_NONE; ++f) {
    if (*f == AV_PIX_FMT_BGR0 || *f == AV_PIX_FMT_RGB32) {
      s->codec->pix_fmt = *f;  // no colour conversion where the encoder takes ours
    }
  }
  if (s->format->oformat->flags & AVFMT_GLOBALHEADER) {
    s->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  s->codec->flags |= AV_CODEC_FLAG_BITEXACT;
  s->format->flags |= AVFMT_FLAG_BITEXACT;
  if (quality > 0) {
    s->codec->flags |= AV_CODEC_FLAG_QSCALE;
    s->codec->global_quality = quality * FF_QP2LAMBDA;
    s->quality = quality * FF_QP2LAMBDA;
  }
  if (options.crf >= 0) {
    av_opt_set_double(s->codec->priv_data, "crf", options.crf, 0);
    av_opt_set(s->codec->priv_data, "preset", options.preset.c_str(), 0);
    // A key frame every two seconds or so, as films for watching have them.
    s->codec->gop_size = std::max(12, 2 * framesPerSecond / denominator);
  }
  if (avcodec_open2(s->codec, encoder, nullptr) < 0 ||
      avcodec_parameters_from_context(s->stream->codecpar, s->codec) < 0) {
    return fail("the encoder refuses these settings");
  }
  s->stream->time_base = s->codec->time_base;
  if (options.audio && !s->openAudio(options.audioStart)) {
    return fail("the AAC encoder refuses 44,100 Hz stereo");
  }
  if (!(s->format->oformat->flags & AVFMT_NOFILE) &&
      avio_open(&s->format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
    return fail("cannot write the file");
  }
  if (avformat_write_header(s->format, nullptr) < 0) {
    return fail("cannot write the header");
  }
  s->headerWritten = true;
  s->frame = av_frame_alloc();
  s->packet = av_packet_alloc();
  s->frame->format = s->codec->pix_fmt;
  s->frame->width = width;
  s->frame->height = height;
  if (av_frame_get_buffer(s->frame, 0) < 0) {
    return fail("out of memory");
  }
  // JPEG's full-range formats are converted as their plain equivalents with the range set.
  AVPixelFormat target = s->codec->pix_fmt;
  bool fullRange = target == AV_PIX_FMT_YUVJ420P || target == AV_PIX_FMT_YUVJ422P ||
                   target == AV_PIX_FMT_YUVJ444P;
  if (fullRange) {
    target = target == AV_PIX_FMT_YUVJ420P   ? AV_PIX_FMT_YUV420P
             : target == AV_PIX_FMT_YUVJ422P ? AV_PIX_FMT_YUV422P
                                             : AV_PIX_FMT_YUV444P;
  }
  s->scaler = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, target, SWS_BILINEAR,
                             nullptr, nullptr, nullptr);
  if (!s->scaler) {
    return fail("cannot convert pictures for the encoder");
  }
  if (fullRange) {
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(s->scaler, coefficients, 1, coefficients, 1, 0, 1 << 16, 1 << 16);
  }
  state_ = std::move(s);
  return true;
}

bool VideoWriter::writeFrame(const std::vector<uint8_t>& bgra) {
  if (!state_) {
    return false;
  }
  State& s = *state_;
  if (bgra.size() < size_t(s.codec->width) * s.codec->height * 4 ||
      av_frame_make_writable(s.frame) < 0) {
    return false;
  }
  const uint8_t* planes[4] = {bgra.data(), nullptr, nullptr, nullptr};
  int strides[4] = {s.codec->width * 4, 0, 0, 0};
  sws_scale(s.scaler, planes, strides, 0, s.codec->height, s.frame->data, s.frame->linesize);
  s.frame->pts = s.next++;
  s.frame->quality = s.quality;
  return s.drain(s.frame);
}

bool VideoWriter::writeAudio(const float* stereo, size_t frames) {
  if (!state_ || !state_->audioCodec) {
    return false;
  }
  State& s = *state_;
  for (size_t i = 0; i < frames; ++i) {
    s.pendingLeft.push_back(stereo[2 * i]);
    s.pendingRight.push_back(stereo[2 * i + 1]);
  }
  return s.encodeAudio(false);
}

bool VideoWriter::close() {
  if (!state_) {
    return false;
  }
  bool ok = state_->drain(nullptr);
  if (state_->audioCodec) {
    ok = state_->encodeAudio(true) &&
         state_->drainInto(state_->audioCodec, state_->audioStream, nullptr) && ok;
  }
  ok = ok && av_write_trailer(state_->format) == 0;
  state_.reset();
  return ok;
}

bool probeMedia(const std::string& path, MediaInfo* info) {
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
    return false;
  }
  bool ok = avformat_find_stream_info(format, nullptr) >= 0;
  *info = MediaInfo{};
  int video = -1;
  for (unsigned i = 0; ok && i < format->nb_streams; ++i) {
    AVStream* st = format->streams[i];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      ++info->videoStreams;
      if (video < 0) {
        video = int(i);
        info->rateNumerator = st->r_frame_rate.num;
        info->rateDenominator = st->r_frame_rate.den;
        info->width = st->codecpar->width;
        info->height = st->codecpar->height;
      }
    } else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      ++info->audioStreams;
      double base = av_q2d(st->time_base);
      info->audioStart = st->start_time != AV_NOPTS_VALUE ? st->start_time * base : 0;
      info->audioSeconds = st->duration != AV_NOPTS_VALUE ? st->duration * base : 0;
    }
  }
  info->duration = format->duration != AV_NOPTS_VALUE ? double(format->duration) / AV_TIME_BASE : 0;
  AVPacket* packet = av_packet_alloc();
  bool firstAudio = true;
  while (ok && av_read_frame(format, packet) >= 0) {
    info->videoFrames += packet->stream_index == video;
    AVStream* st = format->streams[packet->stream_index];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && packet->pts != AV_NOPTS_VALUE) {
      double at = packet->pts * av_q2d(st->time_base);
      if (firstAudio || at < info->audioStart) {
        info->audioStart = at;  // the earliest packet, whatever the stream header says
      }
      firstAudio = false;
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&format);
  return ok;
}

}  // namespace korvel::platform
