#include "app/win/web_site.h"

#include <windows.h>
#include <shellapi.h>

namespace picjoin {

void OpenWebAddress(const char* address) {
  // Whatever the shell shows belongs to a running Internet Explorer window,
  // if there is one.
  HWND owner = FindWindowA(nullptr, "Microsoft Internet Explorer");
  // The result is ignored: a browser that cannot be started is not this
  // program's failure to report.
  ShellExecuteA(owner, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace picjoin
