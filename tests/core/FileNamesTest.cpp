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
      // 癨 is B0 5C: its trail byte is not a separator.
      {PathStyle::Windows, "D:\\\xB0\\.avi", "\xB0\\", "D:\\", "D:\\\xB0\\.srt"},
      {PathStyle::Windows, "movie.avi", "movie", "", "movie.srt"},
      {PathStyle::Posix, "/home/u/movie.avi", "movie", "/home/u/", "/home/u/movie.srt"},
      {PathStyle::Posix, "/home/u/x.mp4.old.mp4", "x.old.mp4", "/home/u/", "/home/u/x.old.mp4.srt"},
      {PathStyle::Posix, "/home/u/clip", "clip", "/home/u/", "/home/u/clip.srt"},
      {PathStyle::Posix, "/home/u/my.movie.", "mymovie.", "/home/u/", "/home/u/mymovie..srt"},
      {PathStyle::Posix, "/m/a:b.mkv", "a:b", "/m/", "/m/a:b.srt"},  // ":" is an ordinary character
      {PathStyle::Posix, "/m/dir.d/clip", "clip", "/m/dir.d/", "/m/dir.d/clip.srt"},
      {PathStyle::Posix, "/m/a\\b.mkv", "a\\b", "/m/", "/m/a\\b.srt"},
  };
  for (const auto& c : cases) {
    const MediaNames names = DeriveMediaNames(c.mediaPath, c.style);
    EXPECT_EQ(names.mediaBaseName, c.mediaBaseName) << c.mediaPath;
    EXPECT_EQ(names.mediaFolder, c.mediaFolder) << c.mediaPath;
    EXPECT_EQ(names.subtitleFileName, std::string(c.mediaBaseName) + ".srt") << c.mediaPath;
    EXPECT_EQ(names.subtitlePath, c.subtitlePath) << c.mediaPath;
  }
}

TEST(BackupPath, AppendsBak) {
  EXPECT_EQ(BackupPath(DeriveMediaNames("D:\\v\\movie.avi", PathStyle::Windows).subtitlePath),
            "D:\\v\\movie.srt.bak");
  EXPECT_EQ(BackupPath("/home/u/movie.srt"), "/home/u/movie.srt.bak");
}

}  // namespace
}  // namespace titrelle
