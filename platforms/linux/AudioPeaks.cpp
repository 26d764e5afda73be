#include "platforms/linux/AudioPeaks.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "media/PeakDecoding.h"

namespace titrelle {

namespace {

struct FormatCloser {
  void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct DecoderCloser {
  void operator()(AVCodecContext* decoder) const { avcodec_free_context(&decoder); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

int Interrupted(void* cancel) { return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0; }

// Interleaved samples: the channels of one instant side by side.
template <typename Sample>
void AddPacked(const AVFrame& frame, int channels, PeakAccumulator& peaks) {
  peaks.AddInterleaved(reinterpret_cast<const Sample*>(frame.extended_data[0]),
                       static_cast<std::size_t>(frame.nb_samples), channels);
}

// Planar samples: one plane a channel.
template <typename Sample>
void AddPlanar(const AVFrame& frame, int channels, PeakAccumulator& peaks) {
  const float share = 1.0f / static_cast<float>(channels);
  for (int i = 0; i < frame.nb_samples; ++i) {
    float sum = 0;
    for (int c = 0; c < channels; ++c) {
      sum += PeakAccumulator::Normal(reinterpret_cast<const Sample*>(frame.extended_data[c])[i]);
    }
    peaks.Add(sum * share);
  }
}

bool AddFrame(const AVFrame& frame, PeakAccumulator& peaks) {
  const int channels = frame.ch_layout.nb_channels;
  if (channels <= 0) return false;
  switch (static_cast<AVSampleFormat>(frame.format)) {
    case AV_SAMPLE_FMT_U8: AddPacked<std::uint8_t>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_S16: AddPacked<std::int16_t>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_S32: AddPacked<std::int32_t>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_FLT: AddPacked<float>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_DBL: AddPacked<double>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_U8P: AddPlanar<std::uint8_t>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_S16P: AddPlanar<std::int16_t>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_S32P: AddPlanar<std::int32_t>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_FLTP: AddPlanar<float>(frame, channels, peaks); return true;
    case AV_SAMPLE_FMT_DBLP: AddPlanar<double>(frame, channels, peaks); return true;
    default: return false;
  }
}

}  // namespace

AudioPeaksOutcome DecodeAudioPeaks(const std::filesystem::path& path, const std::atomic<bool>& cancel,
                                   const std::function<void(AudioPeaksChunk)>& deliver, int chunkMs) {
  AVFormatContext* opened = avformat_alloc_context();
  if (opened == nullptr) return AudioPeaksOutcome::kUnreadable;
  // Reads stop as soon as the caller cancels, a slow disk or network folder included.
  opened->interrupt_callback.callback = &Interrupted;
  opened->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(&cancel);
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) {  // frees `opened` when it fails
    return cancel ? AudioPeaksOutcome::kCancelled : AudioPeaksOutcome::kUnreadable;
  }
  const std::unique_ptr<AVFormatContext, FormatCloser> format(opened);
  if (avformat_find_stream_info(format.get(), nullptr) < 0) {
    return cancel ? AudioPeaksOutcome::kCancelled : AudioPeaksOutcome::kUnreadable;
  }
  const AVCodec* codec = nullptr;
  const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (index == AVERROR_STREAM_NOT_FOUND) {
    // No sound is news only from a file whose kind is known, by its header or its name. A damaged header
    // leaves a guess from a scrap of the contents (a bare video stream, say), which says nothing of sound.
    return format->probe_score >= AVPROBE_SCORE_EXTENSION ? AudioPeaksOutcome::kNoAudio
                                                          : AudioPeaksOutcome::kUnreadable;
  }
  if (index < 0 || codec == nullptr) return AudioPeaksOutcome::kUnreadable;
  // Only the sound is read: the demuxer passes over every other stream's packets.
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    if (static_cast<int>(i) != index) format->streams[i]->discard = AVDISCARD_ALL;
  }
  const AVStream& stream = *format->streams[index];

  const std::unique_ptr<AVCodecContext, DecoderCloser> decoder(avcodec_alloc_context3(codec));
  if (!decoder || avcodec_parameters_to_context(decoder.get(), stream.codecpar) < 0 ||
      avcodec_open2(decoder.get(), codec, nullptr) < 0 || decoder->sample_rate <= 0) {
    return AudioPeaksOutcome::kUnreadable;
  }
  const int rate = decoder->sample_rate;
  // Times as the player shows them: from the file's start.
  const double fileStart =
      format->start_time != AV_NOPTS_VALUE ? static_cast<double>(format->start_time) / AV_TIME_BASE : 0;
  double duration = 0;
  if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
    duration = static_cast<double>(stream.duration) * av_q2d(stream.time_base);
  } else if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
    duration = static_cast<double>(format->duration) / AV_TIME_BASE;
  }

  // The longest length the file states, of the sound or of the whole: no frame starts far beyond it.
  const double fileSeconds = std::max(
      duration, format->duration != AV_NOPTS_VALUE ? static_cast<double>(format->duration) / AV_TIME_BASE : 0.0);
  PeakDecoding decoding(rate, duration, fileSeconds, deliver, chunkMs);

  const std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  const std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  if (!packet || !frame) return AudioPeaksOutcome::kUnreadable;
  const auto drainFrames = [&] {
    while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      double seconds = frame->best_effort_timestamp != AV_NOPTS_VALUE
                           ? static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream.time_base) - fileStart
                           : std::nan("");
      if (decoding.TakeFrameAt(seconds) && AddFrame(*frame, decoding.Peaks())) {
        decoding.CountSamples(frame->nb_samples);
      }
      av_frame_unref(frame.get());
    }
  };

  bool sending = true;
  while (sending) {
    if (cancel) return AudioPeaksOutcome::kCancelled;
    const int read = av_read_frame(format.get(), packet.get());
    if (read < 0) {
      if (cancel) return AudioPeaksOutcome::kCancelled;
      // The end (or a file cut short): what the decoder still holds comes out.
      avcodec_send_packet(decoder.get(), nullptr);
      sending = false;
    } else {
      const bool ours = packet->stream_index == index;
      // A damaged packet is passed over, as a player would.
      if (ours) avcodec_send_packet(decoder.get(), packet.get());
      av_packet_unref(packet.get());
      if (!ours) continue;
    }
    drainFrames();
    decoding.DeliverWhenDue();
  }
  decoding.DeliverLast();
  return AudioPeaksOutcome::kDone;
}

AudioPeaksLoader::AudioPeaksLoader(QObject* parent)
    : QObject(parent),
      worker_(
          [](const std::filesystem::path& path, const std::atomic<bool>& cancel,
             const std::function<void(AudioPeaksChunk)>& deliver) {
            return DecodeAudioPeaks(path, cancel, deliver);
          },
          // Queued on this object: what it has not run when it goes, Qt drops.
          [this](std::function<void()> action) {
            QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
          },
          [this] { emit Changed(); }) {}

}  // namespace titrelle
