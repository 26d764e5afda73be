#include "platforms/linux/MpvSubtitles.h"

#include <mpv/client.h>

#include <string>
#include <utility>

namespace titrelle {

namespace {

constexpr std::uint64_t kGenerationMask = (std::uint64_t{1} << 52) - 1;

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
  const bool sameMedia = (event.reply_userdata & kGenerationMask) == (mediaGeneration_ & kGenerationMask);
  if (event.event_id == MPV_EVENT_COMMAND_REPLY && sameMedia && event.error >= 0) {
    // The new track is the selected one. mpv does not say its id with the reply: it is asked for, without
    // waiting, and the track goes on counting as on its way until the answer.
    if (mpv_get_property_async(mpv_, event.reply_userdata, "sid", MPV_FORMAT_INT64) >= 0) return;
  }
  if (event.event_id == MPV_EVENT_GET_PROPERTY_REPLY && sameMedia && event.error >= 0) {
    const auto& property = *static_cast<const mpv_event_property*>(event.data);
    if (property.format == MPV_FORMAT_INT64) {
      const std::int64_t added = *static_cast<const std::int64_t*>(property.data);
      if (added > 0 && added != shownTrack_) {
        Remove(shownTrack_);
        shownTrack_ = added;
        ++tracksTaken_;
      }
    }
  }
  addInFlight_ = false;
  Send();
}

}  // namespace titrelle
