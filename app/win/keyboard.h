// The window's key rules, applied in the message loop to each key press
// meant for the window or one of its controls, before the focused control
// gets it.
#pragma once

#include <windows.h>

namespace picjoin {

class MainWindow;

enum class KeyOutcome {
  NotMine,       // no rule applies: translate and dispatch as usual
  Handled,       // a rule took the key: drop it
  DispatchOnly,  // a rule took it, but the platform still sees the key press
                 // (so Alt on its own does not open the system menu
                 // afterwards); no character is made from it
};

KeyOutcome ApplyKeyRules(MainWindow& window, const MSG& msg);

// The access key that an "&" in a caption marks, upper-cased; 0 if none.
// "&&" stands for a plain "&".
char AccessKeyOf(const char* caption);

}  // namespace picjoin
