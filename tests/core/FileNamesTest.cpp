#include "document/FileNames.h"

#include <gtest/gtest.h>

namespace titrelle {
namespace {

struct NamesCase {
  PathStyle style;
  const char* mediaPath;
  const char* mediaBaseName;
  const char* mediaFolder;
  const char* subtitlePath;
};

TEST(DeriveMediaNames, BaseNameFolderAndSubtitlePath) {
  const NamesCase cases[] = {
      {PathStyle::Windows, "D:\\v\\movie.avi", "movie", "D:\\v\\", "D:\\v\\movie.srt"},
      {PathStyle::Windows, "D:\\v\\x.mp4.old.mp4", "x.old.mp4", "D:\\v\\", "D:\\v\\x.old.mp4.srt"},
      {PathStyle::Windows, "D:\\v\\clip", "clip", "D:\\v\\", "D:\\v\\clip.srt"},
      {PathStyle::Windows, "D:\\v\\my.movie.", "mymovie.", "D:\\v\\", "D:\\v\\mymovie..srt"},
      {PathStyle::Windows, "D:\\dir.d\\clip", "clip", "D:\\dir.d\\", "D:\\dir.d\\clip.srt"},
      {PathStyle::Windows, "C:movie.avi", "movie", "C:", "C:movie.srt"},
      {PathStyle::Windows, "D:/v/movie.avi", "movie", "D:/v/", "D:/v/movie.srt"},
      {PathStyle::Windows, "movie.avi", "movie", "", "movie.srt"},
      {PathStyle::Posix, "/home/u/movie.avi", "movie", "/home/u/", "/home/u/movie.srt"},
      {PathStyle::Posix, "/home/u/x.mp4.old.mp4", "x.old.mp4", "/home/u/", "/home/u/x.old.mp4.srt"},
      {PathStyle::Posix, "/home/u/clip", "clip", "/home/u/", "/home/u/clip.srt"},
      {PathStyle::Posix, "/home/u/my.movie.", "mymovie.", "/home/u/", "/home/u/mymovie..srt"},
      {PathStyle::Posix, "/m/a:b.mkv", "a:b", "/m/", "/m/a:b.srt"},  // ":" is an ordinary character
      {PathStyle::Posix, "/m/dir.d/clip", "clip", "/m/dir.d/", "/m/dir.d/clip.srt"},
      {PathStyle::Posix, "/m/a\\b.mkv", "a\\b", "/m/", "/m/a\\b.srt"},
      // Names as the system holds them: UTF-8, whatever code page 936 can show.
      {PathStyle::Posix, "/\xE8\xA7\x86\xE9\xA2\x91 \xE6\x96\x87/\xE7\x94\xB5\xE5\xBD\xB1.mp4",
       "\xE7\x94\xB5\xE5\xBD\xB1", "/\xE8\xA7\x86\xE9\xA2\x91 \xE6\x96\x87/",
       "/\xE8\xA7\x86\xE9\xA2\x91 \xE6\x96\x87/\xE7\x94\xB5\xE5\xBD\xB1.srt"},
      {PathStyle::Posix, "/v/\xED\x95\x9C\xEA\xB5\xAD.mp4", "\xED\x95\x9C\xEA\xB5\xAD", "/v/",
       "/v/\xED\x95\x9C\xEA\xB5\xAD.srt"},
      {PathStyle::Posix, "/v/it's \"q\" $x.mp4", "it's \"q\" $x", "/v/", "/v/it's \"q\" $x.srt"},
  };
  for (const auto& c : cases) {
    const auto names = DeriveMediaNamesOf<char>(c.mediaPath, c.style);
    EXPECT_EQ(names.mediaBaseName, c.mediaBaseName) << c.mediaPath;
    EXPECT_EQ(names.mediaFolder, c.mediaFolder) << c.mediaPath;
    EXPECT_EQ(names.subtitleFileName, std::string(c.mediaBaseName) + ".srt") << c.mediaPath;
    EXPECT_EQ(names.subtitlePath, c.subtitlePath) << c.mediaPath;
  }
}

TEST(DeriveMediaNames, WindowsNamesInUtf16AndTheSystemsOwnPaths) {
  // 电影 in a folder 视频, as Windows holds them.
  const auto wide = DeriveMediaNamesOf<char16_t>(u"D:\\\u89C6\u9891\\\u7535\u5F71.mp4", PathStyle::Windows);
  EXPECT_EQ(wide.subtitlePath, u"D:\\\u89C6\u9891\\\u7535\u5F71.srt");
  const std::filesystem::path korean = "/v/\xED\x95\x9C\xEA\xB5\xAD.mp4";
  const std::filesystem::path hangul = "/v/\xED\x95\x9C\xEA\xB8\x80.mp4";
  EXPECT_NE(DeriveMediaNames(korean).subtitlePath, DeriveMediaNames(hangul).subtitlePath);
  EXPECT_EQ(BackupPath(DeriveMediaNames("/home/u/movie.avi").subtitlePath), "/home/u/movie.srt.bak");
}

}  // namespace
}  // namespace titrelle
