#pragma once
// The subtitles the program asks mpv to draw over the video: one script, handed to mpv from memory as an
// external subtitle track (a "memory://" address: no file anywhere), drawn by mpv's own renderer into the
// frames the player shows.
//
// mpv reads a new track on its own thread. One is on its way at a time: a script given meanwhile waits for
// it and only the newest is sent, so that typing into a large document never queues up copies. The new
// track is selected as it arrives and the one before is removed after it, so the picture never goes
// without. mpv drops external tracks with the media they were added to: the script is sent again for every
// media loaded.
//
// GUI thread only; MpvPlayer forwards the media's comings and goings and mpv's replies.

#include <cstdint>
#include <optional>
#include <string>

struct mpv_handle;
struct mpv_event;

namespace titrelle {

class MpvSubtitles {
 public:
  explicit MpvSubtitles(mpv_handle* mpv) : mpv_(mpv) {}

  void Show(const std::string& assScript);
  void ShowNothing();

  // The media is loaded and takes tracks; the media is gone (replaced or unloaded) with its tracks.
  void MediaLoaded();
  void MediaGone();

  // Replies to its commands and property requests carry this tag in the top bits of their user data.
  static constexpr std::uint64_t kReplyTag = std::uint64_t{0x5EB} << 52;
  static bool IsOwnReply(std::uint64_t userdata) { return (userdata >> 52) == (kReplyTag >> 52); }
  void HandleReply(const mpv_event& event);

  // For tests and measurements: how many tracks mpv has taken, and the one it shows (0 for none).
  std::uint64_t TracksTaken() const { return tracksTaken_; }
  std::int64_t ShownTrack() const { return shownTrack_; }
  bool Busy() const { return addInFlight_ || stale_; }

 private:
  void Send();
  void Remove(std::int64_t track);

  mpv_handle* mpv_;
  std::optional<std::string> script_;  // what to draw; none: nothing
  bool stale_ = false;                 // script_ changed since it was last sent
  bool mediaLoaded_ = false;
  bool addInFlight_ = false;
  std::uint64_t mediaGeneration_ = 0;  // counts the media: a reply about earlier media names no track now
  std::int64_t shownTrack_ = 0;
  std::uint64_t tracksTaken_ = 0;
};

}  // namespace titrelle
