// The control events the program handles, and the one handler each runs.
// Handlers keep no state: they read the controls when they need them and
// change the program only through the control operations.
#pragma once

namespace picjoin {

class MainWindow;

enum class ControlEvent { Clicked, TextChanged };

// Runs the handler of this control and event, if there is one; an event
// without a handler does nothing.
void HandleControlEvent(MainWindow& window, int id, ControlEvent event);

void BrowseFirstPicture(MainWindow& window);   // 按钮1 clicked
void BrowseSecondPicture(MainWindow& window);  // 按钮2 clicked
void UpdateJoinButton(MainWindow& window);     // 编辑框1, 编辑框2 text changed
void CaptionForHorizontal(MainWindow& window); // 单选框1 clicked
void CaptionForVertical(MainWindow& window);   // 单选框2 clicked
void StartJoin(MainWindow& window);            // 按钮3 clicked
void OpenMakersWebSite(MainWindow& window);    // 按钮4 clicked

}  // namespace picjoin
