#pragma once
// Short test videos made with ffmpeg, once per test binary, in a temporary folder: 10 seconds of the test
// pattern at 320x240, 25 frames a second, with or without a sine tone. Paths are UTF-8 (the file system's);
// the program itself passes code page 936.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "tests/support/TemporaryFolder.h"

namespace titrelle {

// Removed with everything in it when the test binary exits.
inline const std::filesystem::path& TestMediaFolder() {
  static const TemporaryFolder folder("media");
  return folder.Path();
}

// The video, made on first use; throws when ffmpeg is missing or fails.
inline std::string TestVideoPath(bool withAudio) {
  const std::filesystem::path path = TestMediaFolder() / (withAudio ? "tone.mp4" : "silent.mp4");
  if (!std::filesystem::exists(path)) {
    std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y "
        "-f lavfi -i testsrc=size=320x240:rate=25:duration=10 ";
    if (withAudio) command += "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -c:a aac ";
    command += "-c:v mpeg4 -q:v 5 -g 25 '" + path.string() + ".part.mp4' && mv '" + path.string() +
               ".part.mp4' '" + path.string() + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg could not make " + path.string());
  }
  return path.string();
}

// 10 seconds of the test pattern whose sound is silent but for two bursts of a loud tone, at
// kBurstSeconds: what the waveform must show where it is.
inline constexpr double kBurstSeconds[2][2] = {{2.0, 2.5}, {6.0, 6.5}};
inline std::string TestBurstVideoPath() {
  const std::filesystem::path path = TestMediaFolder() / "bursts.mp4";
  if (!std::filesystem::exists(path)) {
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y "
        "-f lavfi -i testsrc=size=320x240:rate=25:duration=10 "
        "-f lavfi -i \"aevalsrc='0.8*sin(2*PI*440*t)*(between(t,2,2.5)+between(t,6,6.5))':s=48000:d=10\" "
        "-c:a aac -c:v mpeg4 -q:v 5 -g 25 '" +
        path.string() + ".part.mp4' && mv '" + path.string() + ".part.mp4' '" + path.string() + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg could not make " + path.string());
  }
  return path.string();
}

// The sound video whose header is damaged: its first 64 bytes zeroed. FFmpeg's libraries then take it for a
// bare video stream, with no sound in it.
inline std::string TestDamagedHeaderVideoPath() {
  const std::filesystem::path path = TestMediaFolder() / "damaged-header.mp4";
  if (!std::filesystem::exists(path)) {
    std::filesystem::copy_file(TestVideoPath(true), path);
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr) throw std::runtime_error("cannot damage " + path.string());
    const char zeros[64] = {};
    std::fwrite(zeros, 1, sizeof zeros, file);
    std::fclose(file);
  }
  return path.string();
}

// The bursts' sound alone, whose time stamps jump by some 10^5 seconds from its 190th packet (about 4 s) on,
// as a damaged file's can: the file states a length of more than a day.
inline std::string TestJumpingStampsPath() {
  const std::filesystem::path path = TestMediaFolder() / "jumping-stamps.mka";
  if (!std::filesystem::exists(path)) {
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + TestBurstVideoPath() +
                                "' -map 0:a -c copy -bsf:a 'setts=ts=TS+gte(N\\,190)*100000000' '" +
                                path.string() + ".part.mka' && mv '" + path.string() + ".part.mka' '" +
                                path.string() + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg could not make " + path.string());
  }
  return path.string();
}

}  // namespace titrelle
