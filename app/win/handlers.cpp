#include "app/win/handlers.h"

#include <iterator>

#include "app/win/controls.h"
#include "app/win/layout.h"
#include "app/win/main_window.h"
#include "app/win/web_site.h"
#include "join/win/join_pictures.h"

namespace picjoin {

namespace {

const char kHorizontalCaption[] = "第二幅图纵向偏移量:";
const char kVerticalCaption[] = "第二幅图横向偏移量:";

struct Route {
  int id;
  ControlEvent event;
  void (*handler)(MainWindow&);
};

const Route kRoutes[] = {
    {kButton1, ControlEvent::Clicked, BrowseFirstPicture},
    {kButton2, ControlEvent::Clicked, BrowseSecondPicture},
    {kEdit1, ControlEvent::TextChanged, UpdateJoinButton},
    {kEdit2, ControlEvent::TextChanged, UpdateJoinButton},
    {kRadio1, ControlEvent::Clicked, CaptionForHorizontal},
    {kRadio2, ControlEvent::Clicked, CaptionForVertical},
    {kButton3, ControlEvent::Clicked, StartJoin},
    {kButton4, ControlEvent::Clicked, OpenMakersWebSite},
};

// Both browse buttons share the open dialog, so each browse starts from
// the file the previous one chose.
void BrowseInto(MainWindow& window, int editId) {
  FileDialog& dialog = window.OpenDialog();
  if (!ShowFileDialog(dialog)) return;
  // The write raises the box's text changed, whose handler runs to its end
  // before WriteText returns.
  WriteText(window.Control(editId), ReadFileName(dialog));
}

}  // namespace

void HandleControlEvent(MainWindow& window, int id, ControlEvent event) {
  for (const Route& route : kRoutes) {
    if (route.id == id && route.event == event) {
      route.handler(window);
      return;
    }
  }
}

void BrowseFirstPicture(MainWindow& window) { BrowseInto(window, kEdit1); }
void BrowseSecondPicture(MainWindow& window) { BrowseInto(window, kEdit2); }

void UpdateJoinButton(MainWindow& window) {
  // 编辑框1 is read only when 编辑框2 has a text. A text of blanks counts.
  bool disabled = ReadText(window.Control(kEdit2)).empty();
  if (!disabled) disabled = ReadText(window.Control(kEdit1)).empty();
  WriteDisabled(window.Control(kButton3), disabled);
}

void CaptionForHorizontal(MainWindow& window) {
  if (ReadChecked(window.Control(kRadio1))) WriteCaption(window.Control(kLabel1), kHorizontalCaption);
}

void CaptionForVertical(MainWindow& window) {
  if (ReadChecked(window.Control(kRadio2))) WriteCaption(window.Control(kLabel1), kVerticalCaption);
}

void StartJoin(MainWindow& window) { JoinPictures(window); }

void OpenMakersWebSite(MainWindow&) { OpenWebAddress(kWebAddress); }

}  // namespace picjoin
