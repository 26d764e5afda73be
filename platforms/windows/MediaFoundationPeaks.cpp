#include "platforms/windows/MediaFoundationPeaks.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <memory>
#include <utility>

#include "media/PeakDecoding.h"

namespace titrelle {

namespace {

using Microsoft::WRL::ComPtr;

constexpr DWORD kAudio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
constexpr UINT kRunMessage = WM_APP + 1;
constexpr double kHundredNanosecondsPerSecond = 1e7;

// COM and Media Foundation for the life of one decoding, on the thread that decodes.
class MediaFoundationScope {
 public:
  MediaFoundationScope()
      : com_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))),
        started_(SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE))) {}
  ~MediaFoundationScope() {
    if (started_) MFShutdown();
    if (com_) CoUninitialize();
  }
  MediaFoundationScope(const MediaFoundationScope&) = delete;
  MediaFoundationScope& operator=(const MediaFoundationScope&) = delete;
  bool Started() const { return started_; }

 private:
  bool com_;
  bool started_;
};

// The sound's length as the file states it; 0 when it does not.
double StatedSeconds(IMFSourceReader& reader) {
  PROPVARIANT value;
  PropVariantInit(&value);
  double seconds = 0;
  if (SUCCEEDED(reader.GetPresentationAttribute(static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE), MF_PD_DURATION,
                                                &value)) &&
      value.vt == VT_UI8) {
    seconds = static_cast<double>(value.uhVal.QuadPart) / kHundredNanosecondsPerSecond;
  }
  PropVariantClear(&value);
  return seconds;
}

// Asks the reader for 16-bit PCM, the channels and rate the sound has; false when it cannot give it.
bool AskForPcm(IMFSourceReader& reader, UINT32& channels, UINT32& rate) {
  ComPtr<IMFMediaType> wanted;
  if (FAILED(MFCreateMediaType(&wanted)) || FAILED(wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio)) ||
      FAILED(wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM)) ||
      FAILED(wanted->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16)) ||
      FAILED(reader.SetCurrentMediaType(kAudio, nullptr, wanted.Get()))) {
    return false;
  }
  ComPtr<IMFMediaType> given;
  UINT32 bits = 0;
  return SUCCEEDED(reader.GetCurrentMediaType(kAudio, &given)) &&
         SUCCEEDED(given->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels)) &&
         SUCCEEDED(given->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate)) &&
         SUCCEEDED(given->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits)) && bits == 16 && channels > 0 &&
         rate > 0;
}

}  // namespace

AudioPeaksOutcome DecodeAudioPeaks(const std::filesystem::path& path, const std::atomic<bool>& cancel,
                                   const std::function<void(AudioPeaksChunk)>& deliver, int chunkMs) {
  const MediaFoundationScope scope;
  if (!scope.Started()) return AudioPeaksOutcome::kUnreadable;
  ComPtr<IMFSourceReader> reader;
  if (FAILED(MFCreateSourceReaderFromURL(path.c_str(), nullptr, &reader))) {
    return cancel ? AudioPeaksOutcome::kCancelled : AudioPeaksOutcome::kUnreadable;
  }
  // Only the sound is read: every other stream is left undecoded.
  reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
  const HRESULT selected = reader->SetStreamSelection(kAudio, TRUE);
  if (selected == MF_E_INVALIDSTREAMNUMBER) return AudioPeaksOutcome::kNoAudio;
  UINT32 channels = 0;
  UINT32 rate = 0;
  if (FAILED(selected) || !AskForPcm(*reader.Get(), channels, rate)) return AudioPeaksOutcome::kUnreadable;
  const double duration = StatedSeconds(*reader.Get());

  PeakDecoding decoding(static_cast<int>(rate), duration, duration, deliver, chunkMs);

  for (;;) {
    if (cancel) return AudioPeaksOutcome::kCancelled;
    DWORD flags = 0;
    LONGLONG stamp = 0;
    ComPtr<IMFSample> sample;
    if (FAILED(reader->ReadSample(kAudio, 0, nullptr, &flags, &stamp, &sample))) {
      // Sound that cannot be decoded at all is unreadable; one that breaks later ends where it breaks.
      if (decoding.SamplesDecoded() == 0) return AudioPeaksOutcome::kUnreadable;
      break;
    }
    if (flags & MF_SOURCE_READERF_ENDOFSTREAM) break;
    if (!sample) continue;  // a gap in the stream: the next sample's stamp says where it goes on
    const double seconds = static_cast<double>(stamp) / kHundredNanosecondsPerSecond;
    if (!decoding.TakeFrameAt(seconds)) continue;
    ComPtr<IMFMediaBuffer> buffer;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer)) && SUCCEEDED(buffer->Lock(&data, nullptr, &length))) {
      const std::size_t frames = length / (sizeof(std::int16_t) * channels);
      decoding.Peaks().AddInterleaved(reinterpret_cast<const std::int16_t*>(data), frames,
                                      static_cast<int>(channels));
      buffer->Unlock();
      decoding.CountSamples(static_cast<std::int64_t>(frames));
    }
    decoding.DeliverWhenDue();
  }
  decoding.DeliverLast();
  return AudioPeaksOutcome::kDone;
}

AudioPeaksLoader::AudioPeaksLoader(std::function<void()> onChanged)
    : worker_(
          [](const std::filesystem::path& path, const std::atomic<bool>& cancel,
             const std::function<void(AudioPeaksChunk)>& deliver) {
            return DecodeAudioPeaks(path, cancel, deliver);
          },
          [this](std::function<void()> action) { Post(std::move(action)); }, std::move(onChanged)) {
  static const ATOM windowClass = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &AudioPeaksLoader::WindowProcedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = L"TitrelleAudioPeaks";
    return RegisterClassExW(&description);
  }();
  window_ = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(windowClass)), L"", 0, 0, 0, 0, 0,
                            HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

AudioPeaksLoader::~AudioPeaksLoader() {
  worker_.Stop();
  // What the worker posted and the loop has not run yet goes unrun.
  MSG message;
  while (PeekMessageW(&message, window_, kRunMessage, kRunMessage, PM_REMOVE)) {
    delete reinterpret_cast<std::function<void()>*>(message.lParam);
  }
  if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK AudioPeaksLoader::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kRunMessage) return DefWindowProcW(window, message, wParam, lParam);
  const std::unique_ptr<std::function<void()>> action(reinterpret_cast<std::function<void()>*>(lParam));
  (*action)();
  return 0;
}

void AudioPeaksLoader::Post(std::function<void()> action) {
  auto* posted = new std::function<void()>(std::move(action));
  if (!PostMessageW(window_, kRunMessage, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
}

}  // namespace titrelle
