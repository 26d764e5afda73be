#include "document/PreviewPicture.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace titrelle {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::optional<double> Number(std::string_view text) {
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  // strtod wants a terminated text; a number is short.
  const std::string copy(text.substr(0, 64));
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str()) return std::nullopt;
  return value;
}

// "&HAABBGGRR&" (or shorter, the "&"s optional) as 0xRRGGBB; the script's alpha is not drawn.
std::optional<std::uint32_t> ScriptColour(std::string_view text) {
  text = Trimmed(text);
  while (!text.empty() && text.front() == '&') text.remove_prefix(1);
  if (text.size() < 2 || (text[0] != 'H' && text[0] != 'h')) return std::nullopt;
  text.remove_prefix(1);
  while (!text.empty() && text.back() == '&') text.remove_suffix(1);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return (value & 0xFF) << 16 | (value & 0xFF00) | (value >> 16 & 0xFF);
}

// H:MM:SS.cc in milliseconds.
std::optional<long long> ScriptTime(std::string_view text) {
  text = Trimmed(text);
  long long fields[3] = {};
  for (int k = 0; k < 3; ++k) {
    const std::size_t colon = k < 2 ? text.find(':') : text.size();
    if (colon == std::string_view::npos) return std::nullopt;
    if (k < 2) {
      const auto [end, error] = std::from_chars(text.data(), text.data() + colon, fields[k]);
      if (error != std::errc() || end != text.data() + colon) return std::nullopt;
      text.remove_prefix(colon + 1);
    }
  }
  const std::optional<double> seconds = Number(text);
  if (!seconds) return std::nullopt;
  return (fields[0] * 3600 + fields[1] * 60) * 1000 + std::llround(*seconds * 1000);
}

// The comma-separated fields of a line after its "Name:", the last taking the rest when `count` is given.
std::vector<std::string_view> Fields(std::string_view text, std::size_t count = 0) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t comma =
        (count != 0 && fields.size() + 1 == count) ? std::string_view::npos : text.find(',');
    fields.push_back(comma == std::string_view::npos ? text : Trimmed(text.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return fields;
}

int FieldIndex(const std::vector<std::string_view>& format, std::string_view name) {
  for (std::size_t k = 0; k < format.size(); ++k) {
    if (Trimmed(format[k]) == name) return static_cast<int>(k);
  }
  return -1;
}

PreviewLook StyleLook(const std::vector<std::string_view>& format,
                      const std::vector<std::string_view>& style) {
  PreviewLook look;
  const auto field = [&](std::string_view name) -> std::optional<std::string_view> {
    const int k = FieldIndex(format, name);
    if (k < 0 || static_cast<std::size_t>(k) >= style.size()) return std::nullopt;
    return Trimmed(style[static_cast<std::size_t>(k)]);
  };
  if (auto name = field("Fontname"); name && !name->empty()) look.fontName = std::string(*name);
  if (auto size = field("Fontsize")) look.fontSize = Number(*size).value_or(look.fontSize);
  if (auto colour = field("PrimaryColour")) look.colour = ScriptColour(*colour).value_or(look.colour);
  if (auto colour = field("OutlineColour"))
    look.outlineColour = ScriptColour(*colour).value_or(look.outlineColour);
  if (auto colour = field("BackColour"))
    look.shadowColour = ScriptColour(*colour).value_or(look.shadowColour);
  if (auto bold = field("Bold")) look.bold = Number(*bold).value_or(0) != 0;
  if (auto italic = field("Italic")) look.italic = Number(*italic).value_or(0) != 0;
  if (auto outline = field("Outline")) look.outline = Number(*outline).value_or(look.outline);
  if (auto shadow = field("Shadow")) look.shadow = Number(*shadow).value_or(look.shadow);
  if (auto alignment = field("Alignment")) {
    const int value = static_cast<int>(Number(*alignment).value_or(2));
    if (value >= 1 && value <= 9) look.alignment = value;
  }
  return look;
}

// One override code (without its backslash). The position and the alignment hold for the whole line
// wherever they stand, the first of each counting; the rest only before the first character.
void ApplyCode(std::string_view code, const PreviewLook& style, bool started, bool& placed, bool& aligned,
               PreviewLook& look) {
  const auto value = [&](std::size_t prefix) { return code.substr(prefix); };
  if (code.starts_with("pos(")) {
    if (placed) return;
    const std::size_t close = code.find(')');
    const std::vector<std::string_view> both =
        Fields(code.substr(4, close == std::string_view::npos ? close : close - 4));
    if (both.size() != 2) return;
    const std::optional<double> x = Number(both[0]);
    const std::optional<double> y = Number(both[1]);
    if (!x || !y) return;
    look.x = *x;
    look.y = *y;
    placed = true;
  } else if (code.starts_with("an") && code.size() == 3 && code[2] >= '1' && code[2] <= '9') {
    if (aligned) return;
    look.alignment = code[2] - '0';
    aligned = true;
  } else if (started) {
    return;
  } else if (code.starts_with("fn")) {
    look.fontName = value(2).empty() ? style.fontName : std::string(value(2));
  } else if (code.starts_with("fs") && !code.starts_with("fsp") && !code.starts_with("fsc")) {
    look.fontSize = value(2).empty() ? style.fontSize : Number(value(2)).value_or(look.fontSize);
  } else if (code.starts_with("bord")) {
    look.outline = value(4).empty() ? style.outline : std::max(Number(value(4)).value_or(look.outline), 0.0);
  } else if (code.starts_with("shad")) {
    look.shadow = value(4).empty() ? style.shadow : std::max(Number(value(4)).value_or(look.shadow), 0.0);
  } else if (code == "c" || code == "1c" || code.starts_with("c&") || code.starts_with("1c&")) {
    const std::string_view colour = value(code.front() == '1' ? 2 : 1);
    look.colour = colour.empty() ? style.colour : ScriptColour(colour).value_or(look.colour);
  } else if (code.starts_with("3c") || code.starts_with("4c")) {
    std::uint32_t PreviewLook::*member =
        code[0] == '3' ? &PreviewLook::outlineColour : &PreviewLook::shadowColour;
    look.*member = value(2).empty() ? style.*member : ScriptColour(value(2)).value_or(look.*member);
  } else if (code.size() >= 2 && (code[0] == 'b' || code[0] == 'i') &&
             code.find_first_not_of("0123456789", 1) == std::string_view::npos) {
    const int weight = static_cast<int>(Number(value(1)).value_or(0));
    (code[0] == 'b' ? look.bold : look.italic) = weight == 1 || weight >= 600;
  }
}

PreviewShownLine ReadEventText(std::string_view text, const PreviewLook& style) {
  PreviewShownLine line;
  line.look = style;
  bool started = false;
  bool placed = false;
  bool aligned = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '{') {
      const std::size_t close = text.find('}', i + 1);
      if (close != std::string_view::npos) {
        std::string_view block = text.substr(i + 1, close - i - 1);
        while (!block.empty()) {
          const std::size_t slash = block.find('\\');
          if (slash == std::string_view::npos) break;  // a comment, or what follows the last code
          block.remove_prefix(slash + 1);
          const std::size_t next = block.find('\\');
          ApplyCode(Trimmed(block.substr(0, next)), style, started, placed, aligned, line.look);
          if (next == std::string_view::npos) break;
          block.remove_prefix(next);
        }
        i = close + 1;
        continue;
      }
    }
    if (c == '\\' && i + 1 < text.size() &&
        (text[i + 1] == 'N' || text[i + 1] == 'n' || text[i + 1] == 'h')) {
      line.text += text[i + 1] == 'N' ? '\n' : ' ';
      started = true;
      i += 2;
      continue;
    }
    line.text += c;
    started = true;
    ++i;
  }
  return line;
}

}  // namespace

PreviewScriptLines ReadPreviewScript(std::string_view script) {
  PreviewScriptLines read;
  std::vector<std::string_view> styleFormat;
  std::vector<std::string_view> eventFormat;
  PreviewLook style;
  bool styleFound = false;
  bool inEvents = false;  // the Format line of the [Events] section is the events', else the styles'
  std::size_t at = 0;
  while (at < script.size()) {
    std::size_t end = script.find('\n', at);
    if (end == std::string_view::npos) end = script.size();
    std::string_view line = script.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with('[')) {
      inEvents = line == "[Events]";
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = line.substr(0, colon);
    const std::string_view rest = line.substr(colon + 1);
    if (name == "PlayResX") {
      read.width = Number(rest).value_or(read.width);
    } else if (name == "PlayResY") {
      read.height = Number(rest).value_or(read.height);
    } else if (name == "Format") {
      (inEvents ? eventFormat : styleFormat) = Fields(rest);
    } else if (name == "Style") {
      const std::vector<std::string_view> fields = Fields(rest);
      const int nameField = FieldIndex(styleFormat, "Name");
      const bool isDefault = nameField >= 0 && static_cast<std::size_t>(nameField) < fields.size() &&
                             Trimmed(fields[static_cast<std::size_t>(nameField)]) == "Default";
      if (!styleFound || isDefault) style = StyleLook(styleFormat, fields);
      styleFound = true;
    } else if (name == "Dialogue") {
      const std::vector<std::string_view>& format = eventFormat;
      const int start = FieldIndex(format, "Start");
      const int stop = FieldIndex(format, "End");
      const int text = FieldIndex(format, "Text");
      if (start < 0 || stop < 0 || text < 0) continue;
      const std::vector<std::string_view> fields = Fields(rest, format.size());
      if (fields.size() != format.size()) continue;
      const std::optional<long long> startMs = ScriptTime(fields[static_cast<std::size_t>(start)]);
      const std::optional<long long> endMs = ScriptTime(fields[static_cast<std::size_t>(stop)]);
      if (!startMs || !endMs) continue;
      read.events.push_back({*startMs, *endMs, ReadEventText(fields[static_cast<std::size_t>(text)], style)});
    }
  }
  return read;
}

std::vector<PreviewShownLine> PreviewLinesAt(const PreviewScriptLines& script, long long positionMs) {
  std::vector<PreviewShownLine> shown;
  for (const PreviewScriptEvent& event : script.events) {
    if (event.startMs <= positionMs && positionMs < event.endMs && !event.line.text.empty())
      shown.push_back(event.line);
  }
  return shown;
}

}  // namespace titrelle
