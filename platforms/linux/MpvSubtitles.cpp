#include "platforms/linux/MpvSubtitles.h"

#include <mpv/client.h>

#include <string_view>
#include <utility>

namespace titrelle {

namespace {

constexpr std::uint64_t kGenerationMask = (std::uint64_t{1} << 52) - 1;

// mpv 0.35 answers sub-add with the new track's id in a map; otherwise the selected track is the new one.
std::int64_t AddedTrack(mpv_handle* mpv, const mpv_node& result) {
  if (result.format == MPV_FORMAT_NODE_MAP) {
    for (int i = 0; i < result.u.list->num; ++i) {
      if (std::string_view(result.u.list->keys[i]) == "track_id" &&
          result.u.list->values[i].format == MPV_FORMAT_INT64) {
        return result.u.list->values[i].u.int64;
      }
    }
  }
  std::int64_t selected = 0;
  if (mpv_get_property(mpv, "sid", MPV_FORMAT_INT64, &selected) < 0) return 0;
  return selected;
}

}  // namespace

void MpvSubtitles::Show(const std::string& assScript) {
  script_ = assScript;
  stale_ = true;
  Send();
}

void MpvSubtitles::ShowNothing() {
  script_.reset();
  stale_ = true;
  Send();
}

void MpvSubtitles::MediaLoaded() {
  mediaLoaded_ = true;
  shownTrack_ = 0;
  stale_ = script_.has_value();
  Send();
}

void MpvSubtitles::MediaGone() {
  mediaLoaded_ = false;
  shownTrack_ = 0;
  ++mediaGeneration_;
}

void MpvSubtitles::Send() {
  if (!stale_ || !mediaLoaded_ || addInFlight_) return;
  stale_ = false;
  if (!script_) {
    Remove(std::exchange(shownTrack_, 0));
    return;
  }
  const std::string address = "memory://" + *script_;
  mpv_node items[3];
  items[0].format = MPV_FORMAT_STRING;
  items[0].u.string = const_cast<char*>("sub-add");
  items[1].format = MPV_FORMAT_STRING;
  items[1].u.string = const_cast<char*>(address.c_str());
  items[2].format = MPV_FORMAT_STRING;
  items[2].u.string = const_cast<char*>("select");
  mpv_node_list list{3, items, nullptr};
  mpv_node command;
  command.format = MPV_FORMAT_NODE_ARRAY;
  command.u.list = &list;
  // mpv copies the command before this returns.
  if (mpv_command_node_async(mpv_, kReplyTag | (mediaGeneration_ & kGenerationMask), &command) >= 0) {
    addInFlight_ = true;
  }
}

void MpvSubtitles::Remove(std::int64_t track) {
  if (track <= 0) return;
  const std::string id = std::to_string(track);
  const char* command[] = {"sub-remove", id.c_str(), nullptr};
  // Nothing waits for it: a track that is gone already is no error worth telling.
  mpv_command_async(mpv_, 0, command);
}

void MpvSubtitles::HandleReply(const mpv_event& event) {
  addInFlight_ = false;
  const bool sameMedia = (event.reply_userdata & kGenerationMask) == (mediaGeneration_ & kGenerationMask);
  if (sameMedia && event.error >= 0) {
    const auto& reply = *static_cast<const mpv_event_command*>(event.data);
    const std::int64_t added = AddedTrack(mpv_, reply.result);
    if (added > 0 && added != shownTrack_) {
      Remove(shownTrack_);
      shownTrack_ = added;
      ++tracksTaken_;
    }
  }
  Send();
}

}  // namespace titrelle
