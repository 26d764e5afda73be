#pragma once
// The fixture every scenario test uses: a ScenarioWorld (ScenarioWorld.h) started before each test.
//
//   TEST_F(Scenario, FirstLineIsSaved) {
//     OpenVideo("movie.avi");
//     WaitMs(500);
//     PressF9(); WaitMs(2000); PressF10();
//     TypeInInput("Hello"); PressEnter();
//     EXPECT_EQ(FileBytes("movie.srt"), ...);
//   }
//
// To set the world up before the program starts (registry values, player settings), derive a fixture and
// construct it with start false:
//
//   class StyleStartup : public Scenario {
//    protected:
//     StyleStartup() : Scenario(false) { ws.registry.SetText("srtDefault", "1"); Start(); }
//   };

#include <gtest/gtest.h>

#include "ScenarioWorld.h"

namespace titrelle {

class Scenario : public ::testing::Test, public ScenarioWorld {
 protected:
  explicit Scenario(bool start = true) : ScenarioWorld(start) {}
};

}  // namespace titrelle
