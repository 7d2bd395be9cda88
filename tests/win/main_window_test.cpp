// MainWindow made in the test process and read back: every control's class,
// parent, place, text, style and state against the layout, and the control
// operations and behaviours on the real platform controls.
#include "app/win/main_window.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win/controls.h"
#include "app/win/file_dialog.h"
#include "app/win/keyboard.h"
#include "app/win/layout.h"
#include "tests/win_common/gbk.h"

namespace picjoin {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Create());
    window_.SetEventObserver([this](int id, ControlEvent event) { events_.push_back({id, event}); });
  }

  HWND Get(int id) const { return window_.Control(id); }

  // The events raised by `action`, in order.
  template <typename Action>
  std::vector<std::pair<int, ControlEvent>> EventsOf(Action action) {
    events_.clear();
    action();
    return events_;
  }

  void ShowAndActivate() {
    ShowWindow(window_.hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(window_.hwnd());
    SetActiveWindow(window_.hwnd());
    Pump();
  }

  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  MainWindow window_{/*quitOnDestroy=*/false};
  std::vector<std::pair<int, ControlEvent>> events_;
};

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

RECT PlaceInParent(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string ClassName(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

std::string Text(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

constexpr int kNoType = -1;

// The layout as this test reads it, written out independently of the
// program's own table. Texts are UTF-8; the window holds them in GBK.
struct ExpectedControl {
  int id;
  const char* className;
  int parent;
  int left, top, width, height;
  const char* text;  // nullptr: no text to compare
  int buttonType;    // BS_... type of a button, or kNoType
  DWORD styleOn;     // bits that must be set
  DWORD styleOff;    // bits that must be clear
  DWORD exStyleOn;
  bool visible, enabled, tabStop;
  int checked;  // radio buttons: 1 or 0; -1 otherwise
};

constexpr DWORD kPushOn = BS_CENTER | BS_VCENTER | BS_MULTILINE;
constexpr DWORD kEditOff = ES_MULTILINE | ES_NOHIDESEL | ES_PASSWORD | ES_NUMBER;

const ExpectedControl kExpected[] = {
    {kGroup1, "Button", kWindowItself, 16, 24, 424, 48, "第一幅图片:", BS_GROUPBOX, 0, 0, 0, true, true, false, -1},
    {kEdit1, "Edit", kGroup1, 8, 16, 328, 24, "", kNoType, ES_READONLY | ES_AUTOHSCROLL, kEditOff | ES_CENTER | ES_RIGHT, WS_EX_CLIENTEDGE, true, true, true, -1},
    {kButton1, "Button", kGroup1, 352, 16, 64, 24, "浏览...", BS_PUSHBUTTON, kPushOn, 0, 0, true, true, true, -1},
    {kGroup2, "Button", kWindowItself, 16, 80, 424, 48, "第二幅图片:", BS_GROUPBOX, 0, 0, 0, true, true, false, -1},
    {kEdit2, "Edit", kGroup2, 8, 16, 328, 24, "", kNoType, ES_READONLY | ES_AUTOHSCROLL, kEditOff | ES_CENTER | ES_RIGHT, WS_EX_CLIENTEDGE, true, true, true, -1},
    {kButton2, "Button", kGroup2, 352, 16, 64, 24, "浏览...", BS_PUSHBUTTON, kPushOn, 0, 0, true, true, true, -1},
    {kGroup3, "Button", kWindowItself, 16, 144, 240, 80, "拼接方式", BS_GROUPBOX, 0, 0, 0, true, true, false, -1},
    {kRadio1, "Button", kGroup3, 8, 16, 80, 24, "横向排列", BS_AUTORADIOBUTTON, BS_VCENTER, BS_RIGHT | BS_LEFTTEXT, 0, true, true, true, 1},
    {kRadio2, "Button", kGroup3, 8, 40, 72, 24, "纵向排列", BS_AUTORADIOBUTTON, BS_VCENTER, BS_RIGHT | BS_LEFTTEXT, 0, true, true, true, 0},
    {kLabel1, "Static", kGroup3, 104, 16, 112, 24, "第二幅图纵向偏移量:", kNoType, 0, WS_BORDER | SS_SUNKEN | SS_NOTIFY, 0, true, true, false, -1},
    {kEdit3, "Edit", kGroup3, 104, 40, 112, 24, "0", kNoType, ES_CENTER | ES_AUTOHSCROLL, kEditOff | ES_READONLY, WS_EX_CLIENTEDGE, true, true, true, -1},
    {kUpDown3, "msctls_updown32", kGroup3, 216, 40, 18, 24, nullptr, kNoType, 0, UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_HORZ | UDS_ALIGNLEFT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY, 0, true, true, false, -1},
    {kButton3, "Button", kWindowItself, 304, 160, 120, 32, "开始拼接(&J)", BS_PUSHBUTTON, kPushOn, 0, 0, true, false, true, -1},
    {kButton4, "Button", kWindowItself, 304, 208, 120, 24, "【Orbelle】", BS_PUSHBUTTON, kPushOn, 0, 0, true, true, true, -1},
    {kCanvas1, "PicjoinDrawPanel", kWindowItself, 384, 136, 56, 32, nullptr, kNoType, 0, WS_BORDER, 0, false, true, false, -1},
};

TEST_F(MainWindowTest, EveryControlMatchesTheLayout) {
  int descendants = 0;
  EnumChildWindows(window_.hwnd(), CountWindow, reinterpret_cast<LPARAM>(&descendants));
  EXPECT_EQ(descendants, static_cast<int>(std::size(kExpected)));

  HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ExpectedControl& e : kExpected) {
    SCOPED_TRACE(e.id);
    HWND hwnd = Get(e.id);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetDlgCtrlID(hwnd), e.id);
    EXPECT_STRCASEEQ(ClassName(hwnd).c_str(), e.className);
    HWND parent = e.parent == kWindowItself ? window_.hwnd() : Get(e.parent);
    EXPECT_EQ(GetParent(hwnd), parent);
    const RECT r = PlaceInParent(hwnd);
    EXPECT_EQ(r.left, e.left);
    EXPECT_EQ(r.top, e.top);
    EXPECT_EQ(r.right - r.left, e.width);
    EXPECT_EQ(r.bottom - r.top, e.height);
    if (e.text != nullptr) {
      EXPECT_EQ(Text(hwnd), Gbk(e.text));
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
    EXPECT_TRUE(style & WS_CHILD);
    if (e.buttonType != kNoType) {
      EXPECT_EQ(static_cast<int>(style & BS_TYPEMASK), e.buttonType);
    }
    EXPECT_EQ(style & e.styleOn, e.styleOn);
    EXPECT_EQ(style & e.styleOff, 0u);
    EXPECT_EQ(exStyle & e.exStyleOn, e.exStyleOn);
    EXPECT_EQ((style & WS_VISIBLE) != 0, e.visible);
    EXPECT_EQ((style & WS_DISABLED) == 0, e.enabled);
    // A radio button's WS_TABSTOP follows its check (the platform sets it
    // on BM_SETCHECK); the window's own Tab order does not use the bit.
    if (e.buttonType != BS_AUTORADIOBUTTON) {
      EXPECT_EQ((style & WS_TABSTOP) != 0, e.tabStop);
    }
    if (e.checked >= 0) {
      EXPECT_EQ(SendMessageA(hwnd, BM_GETCHECK, 0, 0), e.checked);
    }
    if (e.text != nullptr) {
      EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), guiFont);
    }
  }
}

TEST_F(MainWindowTest, WindowFrameCaptionPlaceAndIcon) {
  HWND hwnd = window_.hwnd();
  EXPECT_EQ(ClassName(hwnd), kMainWindowClass);
  EXPECT_EQ(Text(hwnd), "Quillon---www.quillon.example ");
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.right - r.left, 472);
  EXPECT_EQ(r.bottom - r.top, 271);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 472) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 271) / 2);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP), 0u);
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
  EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
  EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), 0u);
  EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
  EXPECT_EQ(GetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

  HMENU menu = GetSystemMenu(hwnd, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_NE(GetMenuState(menu, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
  for (UINT gone : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) {
    EXPECT_EQ(GetMenuState(menu, gone, MF_BYCOMMAND), static_cast<UINT>(-1)) << gone;
  }
}

// The colours the window gives each kind of control, asked the way the
// controls ask (through their group box where they have one).
TEST_F(MainWindowTest, ColoursOfTheControls) {
  struct Case {
    int id;
    UINT message;
    COLORREF back;
  };
  const COLORREF white = RGB(255, 255, 255);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const Case cases[] = {
      {kEdit1, WM_CTLCOLORSTATIC, white},  // read-only boxes ask as static controls
      {kEdit2, WM_CTLCOLORSTATIC, white}, {kEdit3, WM_CTLCOLOREDIT, white},
      {kLabel1, WM_CTLCOLORSTATIC, face}, {kRadio1, WM_CTLCOLORSTATIC, face},
      {kRadio2, WM_CTLCOLORBTN, face},    {kGroup1, WM_CTLCOLORSTATIC, face},
      {kGroup3, WM_CTLCOLORSTATIC, face},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    HWND control = Get(c.id);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
        GetParent(control), c.message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    ASSERT_NE(brush, nullptr);
    LOGBRUSH lb = {};
    ASSERT_EQ(GetObjectA(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, c.back);
    EXPECT_EQ(GetBkColor(dc), c.back);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  }
  DeleteDC(dc);
}

TEST_F(MainWindowTest, EditBoxesHaveNoLimitOfTheirOwnAndAMinimumHeight) {
  for (int id : {kEdit1, kEdit2, kEdit3}) {
    EXPECT_GE(static_cast<DWORD>(SendMessageA(Get(id), EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEu) << id;
  }
  // A font taller than the box raises it to one line plus two edges; the
  // width and the place stay.
  HFONT tall = CreateFontA(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  ASSERT_NE(tall, nullptr);
  HWND box = Get(kEdit2);
  SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(tall), FALSE);
  HDC dc = GetDC(box);
  HGDIOBJ old = SelectObject(dc, tall);
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(box, dc);
  const RECT r = PlaceInParent(box);
  EXPECT_EQ(r.bottom - r.top, tm.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE));
  EXPECT_EQ(r.right - r.left, 328);
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.top, 16);
  SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  DestroyWindow(window_.hwnd());  // before the font it still refers to
  DeleteObject(tall);
}

TEST_F(MainWindowTest, TypedCharactersInTheOffsetBoxAreFiltered) {
  HWND box = Get(kEdit3);
  SetWindowTextA(box, "");
  struct Case {
    char typed;
    const char* after;
  };
  const Case cases[] = {
      {'-', "-"}, {'1', "-1"}, {'a', "-1"}, {'.', "-1"}, {'Z', "-1"}, {' ', "-1"},
      {'2', "-12"}, {'+', "-12"}, {'9', "-129"}, {'\b', "-12"},
  };
  for (const Case& c : cases) {
    SendMessageA(box, WM_CHAR, static_cast<unsigned char>(c.typed), 1);
    EXPECT_EQ(Text(box), c.after) << "after typing '" << c.typed << "'";
  }
  // A double-byte character is refused too.
  SendMessageW(box, WM_CHAR, 0x4E00, 1);
  EXPECT_EQ(Text(box), "-12");

  // Pasting is not filtered.
  ASSERT_TRUE(OpenClipboard(window_.hwnd()));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  memcpy(GlobalLock(block), "ab.", 4);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  SendMessageA(box, EM_SETSEL, 3, 3);
  SendMessageA(box, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(box), "-12ab.");
}

TEST_F(MainWindowTest, PathBoxesCannotBeTypedIntoButCanBeCopied) {
  HWND box = Get(kEdit1);
  WriteText(box, std::string("C:\\a.bmp"));
  SendMessageA(box, WM_CHAR, 'x', 1);
  SendMessageA(box, WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(Text(box), "C:\\a.bmp");
  SendMessageA(box, EM_SETSEL, 0, -1);
  SendMessageA(box, WM_COPY, 0, 0);
  ASSERT_TRUE(OpenClipboard(window_.hwnd()));
  HANDLE data = GetClipboardData(CF_TEXT);
  ASSERT_NE(data, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(data)), "C:\\a.bmp");
  GlobalUnlock(data);
  CloseClipboard();
}

// A click on the up or down arrow, as the mouse makes it.
void ClickArrow(HWND upDown, bool up) {
  RECT r;
  GetClientRect(upDown, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
  SendMessageA(upDown, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(upDown, WM_LBUTTONUP, 0, at);
}

TEST_F(MainWindowTest, UpDownStepsTheOffsetBoxByItsRule) {
  ShowAndActivate();
  HWND box = Get(kEdit3);
  HWND upDown = Get(kUpDown3);
  int low = -1, high = -1;
  SendMessageA(upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 1000);

  struct Case {
    const char* before;
    bool up;
    const char* after;
  };
  const Case cases[] = {
      {"1000", true, "0"}, {"0", false, "1000"}, {"abc", true, "1"}, {"-5", true, "0"},
      {"41", true, "42"},  {"41", false, "40"},  {" 7x", true, "8"}, {"999", true, "1000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    SetWindowTextA(box, c.before);
    SetFocus(Get(kButton4));
    const auto events = EventsOf([&] { ClickArrow(upDown, c.up); });
    EXPECT_EQ(Text(box), c.after) << (c.up ? "up" : "down");
    // The write raised the box's text changed once (no handler listens).
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, kEdit3);
    EXPECT_EQ(events[0].second, ControlEvent::TextChanged);
    DWORD start = 1, end = 0;
    SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, strlen(c.after));
    EXPECT_EQ(GetFocus(), box);
  }
}

TEST_F(MainWindowTest, UpDownFollowsTheOffsetBox) {
  HWND box = Get(kEdit3);
  HWND upDown = Get(kUpDown3);
  EnableWindow(box, FALSE);
  EXPECT_FALSE(IsWindowEnabled(upDown));
  EnableWindow(box, TRUE);
  EXPECT_TRUE(IsWindowEnabled(upDown));
  ShowWindow(box, SW_HIDE);
  EXPECT_FALSE(GetWindowLongPtrA(upDown, GWL_STYLE) & WS_VISIBLE);
  ShowWindow(box, SW_SHOW);
  EXPECT_TRUE(GetWindowLongPtrA(upDown, GWL_STYLE) & WS_VISIBLE);
  MoveWindow(box, 100, 44, 90, 30, TRUE);
  const RECT r = PlaceInParent(upDown);
  EXPECT_EQ(r.left, 190);
  EXPECT_EQ(r.top, 44);
  EXPECT_EQ(r.right - r.left, 18);
  EXPECT_EQ(r.bottom - r.top, 30);
}

TEST_F(MainWindowTest, WriteTextRaisesTextChangedExactlyOnceEvenForTheSameText) {
  using Events = std::vector<std::pair<int, ControlEvent>>;
  const Events once1 = {{kEdit1, ControlEvent::TextChanged}};
  EXPECT_EQ(EventsOf([&] { WriteText(Get(kEdit1), std::string("Z:\\x.bmp")); }), once1);
  EXPECT_EQ(EventsOf([&] { WriteText(Get(kEdit1), std::string("Z:\\x.bmp")); }), once1);
  EXPECT_EQ(EventsOf([&] { WriteText(Get(kEdit1), nullptr); }), once1);
  EXPECT_EQ(Text(Get(kEdit1)), "");
  const Events once2 = {{kEdit2, ControlEvent::TextChanged}};
  EXPECT_EQ(EventsOf([&] { WriteText(Get(kEdit2), std::string("")); }), once2);
  // Captions and check reads raise nothing.
  EXPECT_TRUE(EventsOf([&] { WriteCaption(Get(kLabel1), "x"); }).empty());
  EXPECT_TRUE(EventsOf([&] { ReadChecked(Get(kRadio1)); }).empty());
}

TEST_F(MainWindowTest, JoinButtonIsEnabledOnlyWithBothPaths) {
  struct Case {
    const char* first;
    const char* second;
    bool disabled;
  };
  const Case cases[] = {
      {"", "", true}, {"a", "", true}, {"", "b", true}, {"a", "b", false}, {" ", " ", false},
  };
  for (const Case& c : cases) {
    WriteText(Get(kEdit1), c.first);
    WriteText(Get(kEdit2), c.second);
    EXPECT_EQ(IsWindowEnabled(Get(kButton3)) == FALSE, c.disabled)
        << '"' << c.first << "\" \"" << c.second << '"';
  }
}

TEST_F(MainWindowTest, RadioClicksSetTheOffsetCaption) {
  const std::string horizontal = Gbk("第二幅图纵向偏移量:");
  const std::string vertical = Gbk("第二幅图横向偏移量:");
  SendMessageA(Get(kRadio2), BM_CLICK, 0, 0);
  EXPECT_EQ(Text(Get(kLabel1)), vertical);
  EXPECT_FALSE(ReadChecked(Get(kRadio1)));
  EXPECT_FALSE(window_.HorizontalChecked());
  SendMessageA(Get(kRadio1), BM_CLICK, 0, 0);
  EXPECT_EQ(Text(Get(kLabel1)), horizontal);
  EXPECT_FALSE(ReadChecked(Get(kRadio2)));
  EXPECT_TRUE(window_.HorizontalChecked());
  // Clicking the checked one again rewrites the same caption.
  WriteCaption(Get(kLabel1), "x");
  SendMessageA(Get(kRadio1), BM_CLICK, 0, 0);
  EXPECT_EQ(Text(Get(kLabel1)), horizontal);
}

TEST_F(MainWindowTest, FocusMovesRaiseNoClickedEvent) {
  ShowAndActivate();
  const auto events = EventsOf([&] {
    SetFocus(Get(kRadio2));
    SetFocus(Get(kRadio1));
    SetFocus(Get(kEdit3));
  });
  for (const auto& e : events) EXPECT_NE(e.second, ControlEvent::Clicked) << e.first;
  EXPECT_TRUE(ReadChecked(Get(kRadio1)));
}

MSG KeyDown(HWND focus, WPARAM key) {
  MSG msg = {};
  msg.hwnd = focus;
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  msg.lParam = 1;
  return msg;
}

TEST_F(MainWindowTest, TabSkipsHiddenAndDisabledControls) {
  ShowAndActivate();
  ShowWindow(Get(kButton1), SW_HIDE);
  EnableWindow(Get(kEdit2), FALSE);
  ShowWindow(Get(kGroup3), SW_HIDE);  // its radio buttons and 编辑框3 with it
  SetFocus(Get(kEdit1));
  const int order[] = {kButton2, kButton4, kEdit1};
  for (int id : order) {
    EXPECT_EQ(ApplyKeyRules(window_, KeyDown(GetFocus(), VK_TAB)), KeyOutcome::Handled);
    EXPECT_EQ(GetFocus(), Get(id)) << id;
  }
}

TEST_F(MainWindowTest, ArrowsSkipADisabledRadioButtonAndKeysWithoutARuleGoOn) {
  ShowAndActivate();
  EnableWindow(Get(kRadio2), FALSE);
  SetFocus(Get(kRadio1));
  // The only radio button left: it is checked and clicked again.
  const auto events = EventsOf(
      [&] { EXPECT_EQ(ApplyKeyRules(window_, KeyDown(GetFocus(), VK_DOWN)), KeyOutcome::Handled); });
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], std::make_pair(int{kRadio1}, ControlEvent::Clicked));
  EXPECT_TRUE(ReadChecked(Get(kRadio1)));
  EXPECT_EQ(GetFocus(), Get(kRadio1));
  // Arrows outside a radio button, Enter and F1 are the focused control's.
  for (WPARAM key : {WPARAM{VK_DOWN}, WPARAM{VK_RETURN}, WPARAM{VK_F1}, WPARAM{'A'}}) {
    EXPECT_EQ(ApplyKeyRules(window_, KeyDown(Get(kEdit3), key)), KeyOutcome::NotMine) << key;
  }
  // Keys for other windows are never the window's.
  EXPECT_EQ(ApplyKeyRules(window_, KeyDown(nullptr, VK_TAB)), KeyOutcome::NotMine);
}

TEST_F(MainWindowTest, EscClosesTheWindow) {
  EXPECT_EQ(ApplyKeyRules(window_, KeyDown(Get(kEdit3), VK_ESCAPE)), KeyOutcome::Handled);
  EXPECT_EQ(window_.hwnd(), nullptr);
}

TEST_F(MainWindowTest, WidthAndHeightAreClamped) {
  struct Case {
    int32_t value;
    int32_t result;
  };
  const Case cases[] = {{40000, 32627}, {-5, 0}, {32627, 32627}, {100, 100}, {0, 0}};
  DrawPanel& canvas = window_.Canvas();
  for (const Case& c : cases) {
    WriteWidth(canvas, c.value);
    WriteHeight(canvas, c.value);
    RECT r;
    GetWindowRect(canvas.hwnd(), &r);
    EXPECT_EQ(r.right - r.left, c.result) << c.value;
    EXPECT_EQ(r.bottom - r.top, c.result) << c.value;
    EXPECT_EQ(canvas.width(), c.result);
    const RECT place = PlaceInParent(canvas.hwnd());
    EXPECT_EQ(place.left, 384);
    EXPECT_EQ(place.top, 136);
  }
  EXPECT_FALSE(IsWindowVisible(canvas.hwnd()));
  // Any control, one dimension at a time.
  HWND button = Get(kButton4);
  WriteWidth(button, 40000);
  RECT r = PlaceInParent(button);
  EXPECT_EQ(r.right - r.left, 32627);
  EXPECT_EQ(r.bottom - r.top, 24);
  WriteHeight(button, -5);
  r = PlaceInParent(button);
  EXPECT_EQ(r.bottom - r.top, 0);
  EXPECT_EQ(r.left, 304);
  EXPECT_EQ(r.top, 208);
}

TEST_F(MainWindowTest, AFileDialogNeverClosedWithOkHasNoFileName) {
  EXPECT_EQ(ReadFileName(window_.SaveDialog()), "");
  EXPECT_EQ(ReadFileName(window_.OpenDialog()), "");
  EXPECT_EQ(window_.SaveFileName(), "");
}

LRESULT CALLBACK RefuseCreation(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) return FALSE;
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Start-up reports this and ends with -1.
TEST(MainWindowCreation, FailsCleanlyWhenTheWindowCannotBeMade) {
  // A class of the same name whose windows refuse to be made.
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = RefuseCreation;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kMainWindowClass;
  ASSERT_NE(RegisterClassExA(&wc), 0);
  {
    MainWindow window(/*quitOnDestroy=*/false);
    EXPECT_FALSE(window.Create());
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_EQ(window.Control(kEdit1), nullptr);
  }
  UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
}

TEST(FileDialogSettings, BothDialogsAsLaidOut) {
  const FileDialogSettings& save = SaveDialogSettings();
  const FileDialogSettings& open = OpenDialogSettings();
  EXPECT_EQ(save.kind, FileDialogKind::Save);
  EXPECT_EQ(open.kind, FileDialogKind::Open);
  EXPECT_EQ(std::string(save.title), Gbk("请输入要保存的图片"));
  EXPECT_EQ(std::string(open.title), Gbk("请选择要拼合的图片"));
  EXPECT_EQ(std::string(save.filter), Gbk("BMP图片(*.BMP)|*.BMP"));
  EXPECT_EQ(std::string(open.filter),
            Gbk("所有支持的图片|*.BMP;*.GIF;*.JPG;*.JPEG;*.ICO|BMP图片(*.BMP)|*.BMP|GIF图片(*.GIF)|*.GIF|"
                "JPG图片(*.JPG;*.JPEG)|*.JPG;*.JPEG|ICO图片(*.ICO)|*.ICO"));
  EXPECT_EQ(PlatformFilterIndex(save.filterIndex), 1u);
  EXPECT_EQ(PlatformFilterIndex(open.filterIndex), 1u);
  EXPECT_STREQ(open.defaultExtension, "RTF");
  // Saving: a typed name without extension becomes a .BMP file.
  EXPECT_STREQ(save.defaultExtension, "BMP");

  const DWORD common = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT |
                       OFN_PATHMUSTEXIST;
  const DWORD never = OFN_CREATEPROMPT | OFN_NOCHANGEDIR | OFN_ALLOWMULTISELECT;
  EXPECT_EQ(PlatformFlags(open) & common, common);
  EXPECT_TRUE(PlatformFlags(open) & OFN_FILEMUSTEXIST);
  EXPECT_EQ(PlatformFlags(open) & never, 0u);
  EXPECT_EQ(PlatformFlags(save) & common, common);
  // Saving under a new name must be possible.
  EXPECT_FALSE(PlatformFlags(save) & OFN_FILEMUSTEXIST);
  EXPECT_EQ(PlatformFlags(save) & never, 0u);
}

TEST(FileDialogPieces, FilterIndexAndFileNameField) {
  struct FilterCase {
    std::string filter;
    std::string platform;
  };
  const FilterCase filters[] = {
      {"", ""},
      {"  \t", ""},
      {"A|*.a", std::string("A\0*.a\0\0", 7)},
      {"A|*.a|B|*.b;*.c  ", std::string("A\0*.a\0B\0*.b;*.c\0\0", 17)},
  };
  for (const FilterCase& c : filters) EXPECT_EQ(PlatformFilter(c.filter.c_str()), c.platform) << c.filter;
  EXPECT_EQ(PlatformFilter(nullptr), "");
  // "|" as the trail byte of a double-byte character stays.
  if (GetACP() == 936) {
    const std::string dbcs = "\x81\x7C|x";
    EXPECT_EQ(PlatformFilter(dbcs.c_str()), std::string("\x81\x7C\0x\0\0", 6));
  }

  EXPECT_EQ(PlatformFilterIndex(0), 1u);
  EXPECT_EQ(PlatformFilterIndex(-4), 1u);
  EXPECT_EQ(PlatformFilterIndex(2), 3u);

  EXPECT_EQ(FitFileNameField("C:\\a.bmp"), "C:\\a.bmp");
  EXPECT_EQ(FitFileNameField(std::string(300, 'a')), std::string(259, 'a'));
  if (GetACP() == 936) {
    // 258 single bytes then a double-byte character: it does not fit whole.
    const std::string name = std::string(258, 'a') + Gbk("图") + "b";
    EXPECT_EQ(FitFileNameField(name), std::string(258, 'a'));
  }
}

TEST(AccessKeys, MarkedByAnAmpersand) {
  struct Case {
    std::string caption;
    char key;
  };
  const Case cases[] = {
      {Gbk("开始拼接(&J)"), 'J'}, {"&open", 'O'}, {"a&b", 'B'}, {"&&a", 0},
      {"x&&&y", 'Y'},           {"none", 0},     {"end&", 0},  {Gbk("浏览..."), 0},
      {"&5", '5'},
  };
  for (const Case& c : cases) EXPECT_EQ(AccessKeyOf(c.caption.c_str()), c.key) << c.caption;
}

}  // namespace
}  // namespace picjoin
