#include "document/PreviewTrack.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "base/Cp936.h"
#include "capture/SubtitleTime.h"
#include "capture/TimeText.h"
#include "document/Cp936Decoder.h"
#include "document/SubRipExport.h"
#include "document/SubtitleIndex.h"
#include "document/TimeLine.h"

namespace titrelle {

namespace {

// The script size and default style a SubRip reader gives a file: a style line of our own would make the
// preview differ from what a player shows of the file.
constexpr std::string_view kScriptHeader =
    "[Script Info]\n"
    "ScriptType: v4.00+\n"
    "PlayResX: 384\n"
    "PlayResY: 288\n"
    "ScaledBorderAndShadow: yes\n"
    "\n"
    "[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
    "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
    "Alignment, MarginL, MarginR, MarginV, Encoding\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n"
    "\n"
    "[Events]\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

constexpr std::string_view kBreak = "\r\n";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// H:MM:SS.cc, from milliseconds rounded to the nearest hundredth.
void AppendScriptTime(std::string& out, long long milliseconds) {
  const long long hundredths = (std::max(milliseconds, 0LL) + 5) / 10;
  AppendDigits(out, hundredths / 360000, 1);
  out += ':';
  AppendDigits(out, hundredths / 6000 % 60, 2);
  out += ':';
  AppendDigits(out, hundredths / 100 % 60, 2);
  out += '.';
  AppendDigits(out, hundredths % 100, 2);
}

void AppendEvent(std::string& out, long long startMs, long long endMs, std::string_view text) {
  out += "Dialogue: 0,";
  AppendScriptTime(out, startMs);
  out += ',';
  AppendScriptTime(out, endMs);
  out += ",Default,,0,0,0,,";
  out += text;
  out += '\n';
}

// "#RRGGBB" (or without the "#") or one of the basic colour names, as "&HBBGGRR&".
std::optional<std::string> ScriptColor(std::string_view value) {
  static constexpr struct {
    std::string_view name, hex;
  } kNames[] = {{"white", "FFFFFF"}, {"black", "000000"},   {"red", "FF0000"},     {"lime", "00FF00"},
                {"green", "008000"}, {"blue", "0000FF"},    {"yellow", "FFFF00"},  {"cyan", "00FFFF"},
                {"aqua", "00FFFF"},  {"magenta", "FF00FF"}, {"fuchsia", "FF00FF"}, {"gray", "808080"},
                {"grey", "808080"},  {"silver", "C0C0C0"},  {"orange", "FFA500"}};
  std::string lowered;
  for (const char c : value) lowered += Lower(c);
  std::string_view hex = lowered;
  for (const auto& named : kNames) {
    if (lowered == named.name) hex = named.hex;
  }
  if (hex.starts_with('#')) hex.remove_prefix(1);
  if (hex.size() != 6) return std::nullopt;
  for (const char c : hex) {
    if (!IsDigit(c) && !(Lower(c) >= 'a' && Lower(c) <= 'f')) return std::nullopt;
  }
  std::string color = "&H";
  color += hex.substr(4, 2);
  color += hex.substr(2, 2);
  color += hex.substr(0, 2);
  color += '&';
  for (char& c : color) c = c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
  return color;
}

// What one "<font>" set, so that its "</font>" gives back what was there before.
struct FontTag {
  std::optional<std::string> color, face, size;  // the override codes' values
};

// The attributes of a "<font ...>" tag's inside (after "font"): name=value, the value quoted or not.
FontTag ReadFontTag(std::string_view inside) {
  FontTag tag;
  std::size_t i = 0;
  while (i < inside.size()) {
    while (i < inside.size() && IsSpace(inside[i])) ++i;
    std::string name;
    while (i < inside.size() && inside[i] != '=' && !IsSpace(inside[i])) name += Lower(inside[i++]);
    while (i < inside.size() && IsSpace(inside[i])) ++i;
    if (i >= inside.size() || inside[i] != '=') {
      // A word without a value: nothing to take from it.
      if (name.empty()) ++i;
      continue;
    }
    ++i;
    while (i < inside.size() && IsSpace(inside[i])) ++i;
    std::string value;
    if (i < inside.size() && (inside[i] == '"' || inside[i] == '\'')) {
      const char quote = inside[i++];
      while (i < inside.size() && inside[i] != quote) value += inside[i++];
      ++i;
    } else {
      while (i < inside.size() && !IsSpace(inside[i])) value += inside[i++];
    }
    if (name == "color") {
      tag.color = ScriptColor(value);
    } else if (name == "face" && !value.empty()) {
      tag.face = value;
    } else if (name == "size" && !value.empty() &&
               value.find_first_not_of("0123456789") == std::string::npos) {
      tag.size = value;
    }
  }
  return tag;
}

// The override codes that give back, for what `closed` set, the value of the nearest font tag still open
// that set it, or the style's own.
std::string RestoreCodes(const FontTag& closed, const std::vector<FontTag>& open) {
  std::string codes;
  const auto restore = [&](const std::optional<std::string> FontTag::*member, std::string_view code) {
    if (!(closed.*member)) return;
    codes += '\\';
    codes += code;
    for (auto enclosing = open.rbegin(); enclosing != open.rend(); ++enclosing) {
      if ((*enclosing).*member) {
        codes += *((*enclosing).*member);
        return;
      }
    }
  };
  restore(&FontTag::color, "c");
  restore(&FontTag::face, "fn");
  restore(&FontTag::size, "fs");
  return codes.empty() ? codes : "{" + codes + "}";
}

}  // namespace

std::string PreviewLine(std::string_view line) {
  if (line.size() <= kPreviewLineBytes) return std::string(line);
  // "…"
  constexpr std::string_view kGoesOn = "\xA1\xAD";
  const std::size_t room = kPreviewLineBytes - kGoesOn.size();
  std::size_t cut = 0;
  std::size_t openBlock = std::string_view::npos, openTag = std::string_view::npos;
  while (cut < line.size()) {
    const unsigned char byte = static_cast<unsigned char>(line[cut]);
    const std::size_t step = IsLeadByte(byte) && cut + 1 < line.size() ? 2 : 1;
    if (cut + step > room) break;
    if (byte == '{') openBlock = cut;
    if (byte == '}') openBlock = std::string_view::npos;
    if (byte == '<') openTag = cut;
    if (byte == '>') openTag = std::string_view::npos;
    cut += step;
  }
  cut = std::min({cut, openBlock, openTag});
  std::string shown(line.substr(0, cut));
  shown += kGoesOn;
  return shown;
}

std::string EventTextFromSubRip(std::string_view textLines) {
  std::string text;
  text.reserve(textLines.size() + 16);
  std::vector<FontTag> fonts;
  std::size_t i = 0;
  while (i < textLines.size()) {
    const char c = textLines[i];
    if (textLines.substr(i).starts_with(kBreak)) {
      text += "\\N";
      i += kBreak.size();
      continue;
    }
    if (c == '<') {
      const std::size_t close = textLines.find('>', i + 1);
      const std::size_t nextBreak = textLines.find(kBreak, i + 1);
      if (close != std::string_view::npos && close < nextBreak) {
        std::string_view inside = textLines.substr(i + 1, close - i - 1);
        const bool closing = inside.starts_with('/');
        if (closing) inside.remove_prefix(1);
        std::string name;
        std::size_t nameEnd = 0;
        while (nameEnd < inside.size() && !IsSpace(inside[nameEnd])) name += Lower(inside[nameEnd++]);
        std::string codes;
        if ((name == "b" || name == "i" || name == "u" || name == "s") && nameEnd == inside.size()) {
          codes = "{\\" + name + (closing ? "0}" : "1}");
        } else if (name == "font" && closing) {
          if (!fonts.empty()) {
            const FontTag closed = fonts.back();
            fonts.pop_back();
            codes = RestoreCodes(closed, fonts);
          }
          // A "</font>" that closes nothing changes nothing.
          i = close + 1;
          text += codes;
          continue;
        } else if (name == "font") {
          FontTag tag = ReadFontTag(inside.substr(nameEnd));
          if (tag.color) codes += "\\c" + *tag.color;
          if (tag.face) codes += "\\fn" + *tag.face;
          if (tag.size) codes += "\\fs" + *tag.size;
          if (!codes.empty()) codes = "{" + codes + "}";
          fonts.push_back(std::move(tag));
          i = close + 1;
          text += codes;
          continue;
        }
        if (!codes.empty()) {
          text += codes;
          i = close + 1;
          continue;
        }
      }
    }
    // Override blocks and everything else go as they stand.
    text += c;
    ++i;
  }
  return text;
}

std::vector<PreviewEvent> PreviewEvents(std::string_view fileViewText) {
  const SubRipExport standard = ExportStandardSubRipOfFileView(fileViewText);
  const std::string_view copy = standard.utf8;
  std::vector<PreviewEvent> events;
  events.reserve(static_cast<std::size_t>(standard.subtitleCount));
  // The copy's own layout: a number line, a time line, the text lines, an empty line.
  std::size_t at = 0;
  const auto nextLine = [&]() -> std::optional<std::string_view> {
    if (at >= copy.size()) return std::nullopt;
    std::size_t end = copy.find(kBreak, at);
    if (end == std::string_view::npos) end = copy.size();
    const std::string_view line = copy.substr(at, end - at);
    at = end + kBreak.size();
    return line;
  };
  while (nextLine()) {
    const std::optional<std::string_view> timeLine = nextLine();
    if (!timeLine) break;
    const std::optional<SubtitleTimes> times = ReadTimeLine(*timeLine);
    const std::size_t textStart = at;
    std::size_t textEnd = at;
    while (const std::optional<std::string_view> line = nextLine()) {
      if (line->empty()) break;
      textEnd = at - kBreak.size();
    }
    if (!times) continue;
    PreviewEvent& event = events.emplace_back();
    event.startMs = times->start.Milliseconds();
    event.endMs = times->end.Milliseconds();
    AppendEvent(event.line, event.startMs, event.endMs,
                EventTextFromSubRip(copy.substr(textStart, textEnd - textStart)));
  }
  return events;
}

std::vector<PreviewEvent> PreviewEventsBetween(const SubtitleIndex& subtitles, long long fromMs,
                                               long long toMs) {
  // The subtitles in the stretch, as a file of their own: each its time line and text lines, then an empty
  // line, so that a last text line of digits is not read as the next one's number.
  std::string pieces;
  for (int k = 0; k < subtitles.Count(); ++k) {
    const std::optional<SubtitleTimes>& times = subtitles.Times(k);
    if (!times || times->start.Milliseconds() > toMs || times->end.Milliseconds() < fromMs) continue;
    const std::string_view lines = subtitles.TimeAndTextLines(k);
    std::size_t start = 0;
    while (true) {
      const std::size_t stop = lines.find(kBreak, start);
      pieces += PreviewLine(lines.substr(start, stop == std::string_view::npos ? stop : stop - start));
      pieces += kBreak;
      if (stop == std::string_view::npos) break;
      start = stop + kBreak.size();
    }
    pieces += kBreak;
  }
  return PreviewEvents(pieces);
}

std::string PreviewTypedEvent(long double startSeconds, long double endSeconds, std::string_view styledLine) {
  if (!(startSeconds < endSeconds) || !std::isfinite(static_cast<double>(endSeconds))) return {};
  std::string event;
  AppendEvent(event, std::llround(static_cast<double>(startSeconds) * 1000),
              std::llround(static_cast<double>(endSeconds) * 1000),
              EventTextFromSubRip(Utf8FromCp936Document(PreviewLine(styledLine))));
  return event;
}

std::string PreviewScript(const std::vector<PreviewEvent>& events, long long fromMs, long long toMs,
                          std::string_view moreEvents) {
  std::string script(kScriptHeader);
  for (const PreviewEvent& event : events) {
    if (event.startMs <= toMs && event.endMs >= fromMs) script += event.line;
  }
  script += moreEvents;
  return script;
}

}  // namespace titrelle
