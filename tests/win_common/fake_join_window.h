// A stand-in for the main window, for driving the join command in tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "join/win/join_pictures.h"
#include "picture/win/picture_registry.h"
#include "tests/win_common/fixtures.h"

namespace picjoin::testing {

// Stands in for the main window: the texts and the radio button the join
// reads, a real canvas on a hidden window, the save dialog's answer, and a
// record of what the join asked and showed.
class FakeJoinWindow : public JoinWindow {
 public:
  std::string first, second, offset = "0";
  bool horizontal = true;
  bool saveAnswer = true;      // OK or cancel
  std::string saveChoice;      // the path the user picks on OK
  std::string dialogFileName;  // what the dialog remembers

  struct Message {
    std::string text;
    UINT icon;
    size_t picturesLoaded;  // LoadedPictureCount() while it is shown
  };
  std::vector<Message> messages;
  std::vector<std::string> calls;
  size_t picturesLoadedAtSaveDialog = SIZE_MAX;

  FakeJoinWindow() { EXPECT_TRUE(host_.ok()); }

  std::string FirstPathText() override { return Log("first path", first); }
  std::string SecondPathText() override { return Log("second path", second); }
  std::string OffsetText() override { return Log("offset", offset); }
  bool HorizontalChecked() override {
    calls.push_back("arrangement");
    return horizontal;
  }
  DrawPanel& Canvas() override { return host_.canvas(); }
  bool ShowSaveDialog() override {
    calls.push_back("save dialog");
    picturesLoadedAtSaveDialog = LoadedPictureCount();
    if (saveAnswer) dialogFileName = saveChoice;
    return saveAnswer;
  }
  std::string SaveFileName() override { return Log("file name", dialogFileName); }
  void ShowMessage(const std::string& text, UINT icon) override {
    calls.push_back("message");
    messages.push_back({text, icon, LoadedPictureCount()});
  }

 private:
  std::string Log(const char* what, const std::string& value) {
    calls.push_back(what);
    return value;
  }
  CanvasHost host_;
};

}  // namespace picjoin::testing
