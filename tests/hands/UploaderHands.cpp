// tormisaplex-uploader-hands UPLOADER.exe success|failure: a technician's hands on the real
// program, from outside it. Starts the uploader, picks the port TORMISAPLEX_TEST_PORT names
// from the open list of its port box, waits until «Записать» can be pressed and presses it,
// then waits for the success or the failure display and says which came, and how long the
// upload took, on standard output. Closes the window at the end. The exit status is 0 when
// the expected display came and the program ended by itself once closed.
//
// tormisaplex-uploader-hands UPLOADER.exe stolen: the same, but at block 20 a second program
// opens the port and reads whatever comes (Wine allows a second open): the failure display
// must come all the same, within a minute, and the window close.
//
// tormisaplex-uploader-hands UPLOADER.exe close-in-settle: the same upload, but the window is
// closed during the settle time after "PUSK"; the program must end within 30 s.
//
// tormisaplex-uploader-hands UPLOADER.exe nodevice: the same choice, then the status line
// must say that no device answers on the port, and «Записать» must stay unpressable.
//
// Everything goes through the messages the controls take from the user's mouse and keys:
// the program under test runs its own window, graph and serial port, unaware of this one.
//
// tormisaplex-uploader-hands UPLOADER.exe keys|typed|list-keys|mouse [RESULT]: the whole
// session with real input (SendInput, as the system's keyboard and mouse driver hands it
// over to the foreground window), without clicking anything first. The port box must have
// the focus at start; the port is chosen in one ordinary way: Down until it shows and Enter
// on the closed box, its name typed and Enter, Alt+Down End Enter in the open list, or the
// arrow and the item clicked. Once the device answered, «Записать» must have the focus and
// Space press it; on the result display (success, or failure when the session's device
// fails the upload) «OK» must have the focus and Space close the window. These sessions must run alone: keys
// go to whichever window has the foreground.
// tormisaplex-uploader-hands probe-combo-info UPLOADER.exe: whether GetComboBoxInfo names
// the parts of a plain COMBOBOX from another process (docs/windows.md).
// With TORMISAPLEX_SHOTS set to a path prefix (a Linux path), the hands also save what the
// screen shows of the window as PREFIX-identified.bmp, PREFIX-upload.bmp (the bar a third of
// the way) and PREFIX-success.bmp or PREFIX-failure.bmp.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The controls' texts as the program shows them.
const wchar_t* const WriteCaption = L"\u0417\u0430\u043f\u0438\u0441\u0430\u0442\u044c";  // Записать
const wchar_t* const SuccessText = L"\u041f\u041e \u0443\u0441\u043f\u0435\u0448\u043d\u043e";  // ПО успешно
const wchar_t* const FailureText = L"\u041e\u0448\u0438\u0431\u043a\u0430";  // Ошибка
// "устройств не найдено"
const wchar_t* const NoDeviceText =
    L"\u0443\u0441\u0442\u0440\u043e\u0439\u0441\u0442\u0432 \u043d\u0435 "
    L"\u043d\u0430\u0439\u0434\u0435\u043d\u043e";

struct Found {
  DWORD process = 0;
  HWND window = nullptr;
};

BOOL CALLBACK findForm(HWND hwnd, LPARAM l) {
  auto* found = reinterpret_cast<Found*>(l);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {};
  ::GetClassNameW(hwnd, cls, 64);
  if (pid == found->process && std::wcscmp(cls, L"TormisaplexForm") == 0 &&
      ::IsWindowVisible(hwnd)) {
    found->window = hwnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK collect(HWND h, LPARAM l) {
  reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
  return TRUE;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> out;
  ::EnumChildWindows(parent, &collect, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::wstring className(HWND h) {
  wchar_t cls[64] = {};
  ::GetClassNameW(h, cls, 64);
  return cls;
}

std::wstring textOf(HWND h) {
  wchar_t text[512] = {};
  ::SendMessageTimeoutW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, nullptr);
  return text;
}

// The first child of a class whose text holds `part` (any text when null).
HWND child(HWND form, const wchar_t* cls, const wchar_t* part, bool visibleOnly) {
  for (HWND h : children(form)) {
    if (_wcsicmp(className(h).c_str(), cls) != 0) continue;
    if (visibleOnly && !::IsWindowVisible(h)) continue;
    if (part == nullptr || textOf(h).find(part) != std::wstring::npos) return h;
  }
  return nullptr;
}

template <class Done>
bool waitFor(Done done, std::chrono::seconds limit) {
  const auto until = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::wstring windowsPath(const char* path) {
  std::wstring out;
  // A path from the Linux side of Wine lies on its drive Z:.
  if (path[0] == '/') out = L"Z:";
  for (const char* p = path; *p != '\0'; ++p) out += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return out;
}

// The whole of a file, or empty.
std::string fileText(const std::wstring& path) {
  std::string text;
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[65536];
  DWORD n = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
  ::CloseHandle(file);
  return text;
}

// What the trace of an upload must show for each result.
const char* traceMark(const std::string& result) {
  if (result == "wrong_reply") return "the graph judged the reply wrong";
  if (result == "silence") return "watchdog: silence for";
  if (result == "line_gone") return "line vanished";
  if (result == "no_device") return "\"VERS\"";
  return " over 1016 replies";
}

// The journal under %LOCALAPPDATA%: its last line is the upload's, with `result`, and the
// trace it names shows why. Empty when it holds; otherwise what is wrong.
std::string checkJournal(const std::wstring& localAppData, const std::string& result) {
  const std::wstring folder = localAppData + L"\\Tormisaplex\\";
  std::string journal = fileText(folder + L"journal.jsonl");
  while (!journal.empty() && journal.back() == '\n') journal.pop_back();
  const std::string last = journal.substr(journal.rfind('\n') + 1);
  if (last.empty()) return "no journal under %LOCALAPPDATA%\\Tormisaplex";
  const std::string kind = result == "no_device" ? "identify" : "upload";
  if (last.find("\"kind\":\"" + kind + "\"") == std::string::npos ||
      last.find("\"result\":\"" + result + "\"") == std::string::npos) {
    return "the journal's last line is not the " + kind + "'s " + result + ": " + last;
  }
  const std::string key = "\"trace\":\"";
  const std::size_t at = last.find(key);
  if (at == std::string::npos) return "the journal's line names no trace: " + last;
  const std::string name = last.substr(at + key.size(), last.find('"', at + key.size()) - at - key.size());
  const std::string trace = fileText(folder + std::wstring(name.begin(), name.end()));
  if (trace.find(traceMark(result)) == std::string::npos) {
    return "the trace " + name + " does not show \"" + traceMark(result) + "\"";
  }
  return {};
}

void sendKeys(std::initializer_list<WORD> keys, bool withAlt = false) {
  std::vector<INPUT> in;
  const auto add = [&](WORD vk, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_DOWN || vk == VK_END) i.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    in.push_back(i);
  };
  for (WORD vk : keys) {
    if (withAlt) add(VK_MENU, false);
    add(vk, false);
    add(vk, true);
    if (withAlt) add(VK_MENU, true);
    ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    in.clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void clickAt(POINT p) {
  ::SetCursorPos(p.x, p.y);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, in, sizeof(INPUT));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

BOOL CALLBACK findList(HWND hwnd, LPARAM l) {
  auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(l);
  if (::GetWindowThreadProcessId(hwnd, nullptr) == found->first &&
      className(hwnd) == L"ComboLBox" && ::IsWindowVisible(hwnd)) {
    found->second = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The open list of a combo box in the form's thread, or null.
HWND openList(HWND form) {
  std::pair<DWORD, HWND> found{::GetWindowThreadProcessId(form, nullptr), nullptr};
  ::EnumWindows(&findList, reinterpret_cast<LPARAM>(&found));
  return found.second;
}

// The window's thread's keyboard focus, or null.
HWND focusOf(HWND form) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(form, nullptr), &gui)) return nullptr;
  return gui.hwndFocus;
}

// Whether the focus is on a control or an inner part of it (the port box's edit field).
bool focusIn(HWND form, HWND control) {
  const HWND focus = focusOf(form);
  return focus != nullptr && (focus == control || ::IsChild(control, focus));
}

// Where the input went, for a step that did not work: the foreground, the focus, the port
// box and its items, and the status line.
void describe(const char* what, HWND form, HWND box) {
  const HWND focus = focusOf(form);
  std::printf("uploader-hands: %s; foreground is %s, focus on %ls \"%ls\"; the box shows item "
              "%d of", what, ::GetForegroundWindow() == form ? "the window" : "elsewhere",
              className(focus).c_str(), textOf(focus).c_str(),
              static_cast<int>(::SendMessageW(box, CB_GETCURSEL, 0, 0)));
  const int n = static_cast<int>(::SendMessageW(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t item[64] = {};
    if (::SendMessageW(box, CB_GETLBTEXTLEN, i, 0) < 64) {
      ::SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
    }
    std::printf(" %ls", item);
  }
  std::printf(", its list %s\n",
              ::SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) != 0 ? "open" : "closed");
  for (HWND h : children(form)) {
    if (className(h) == L"Edit" && ::GetParent(h) == form && ::IsWindowVisible(h)) {
      std::printf("uploader-hands:   a field reads \"%ls\"\n", textOf(h).c_str());
    }
  }
  std::fflush(stdout);
}

// Chooses the port in one way; true once the device answered: «Записать» enabled, and
// with the focus.
bool chooseWith(const std::string& way, HWND form, HWND box, const std::wstring& port,
                HWND write) {
  if (way == "keys") {
    // Down until the port shows: the list holds the system's ports too (Wine's COM1).
    const auto shown = [&] {
      const int at = static_cast<int>(::SendMessageW(box, CB_GETCURSEL, 0, 0));
      wchar_t item[64] = {};
      if (at >= 0 && ::SendMessageW(box, CB_GETLBTEXTLEN, at, 0) < 64) {
        ::SendMessageW(box, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(item));
      }
      return port == item;
    };
    const int count = static_cast<int>(::SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count && !shown(); ++i) sendKeys({VK_DOWN});
    if (!shown()) {
      describe("Down did not show the port", form, box);
      return false;
    }
    sendKeys({VK_RETURN});
  } else if (way == "typed") {
    for (wchar_t c : port) {
      INPUT in[2] = {};
      in[0].type = in[1].type = INPUT_KEYBOARD;
      in[0].ki.wScan = in[1].ki.wScan = static_cast<WORD>(c);
      in[0].ki.dwFlags = KEYEVENTF_UNICODE;
      in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
      ::SendInput(2, in, sizeof(INPUT));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    sendKeys({VK_RETURN});
  } else if (way == "list-keys") {
    sendKeys({VK_DOWN}, true);
    if (!waitFor([&] { return ::SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) != 0; },
                 std::chrono::seconds(10))) {
      describe("Alt+Down did not open the list", form, box);
      return false;
    }
    sendKeys({VK_END});
    sendKeys({VK_RETURN});
  } else if (way == "mouse") {
    RECT r{};
    ::GetWindowRect(box, &r);
    clickAt(POINT{r.right - 8, (r.top + r.bottom) / 2});
    // The open list is a top-level window of the uploader's thread. GetComboBoxInfo would
    // name it, but under Wine it answers only inside the box's own process.
    HWND list = nullptr;
    if (!waitFor([&] { return (list = openList(form)) != nullptr; }, std::chrono::seconds(10))) {
      describe("no open list after the arrow's click", form, box);
      return false;
    }
    const int index = static_cast<int>(
        ::SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(port.c_str())));
    RECT item{};
    if (index < 0 || ::SendMessageW(list, LB_GETITEMRECT, index,
                                    reinterpret_cast<LPARAM>(&item)) == LB_ERR) {
      describe("the port is not in the open list", form, box);
      return false;
    }
    POINT p{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ::ClientToScreen(list, &p);
    clickAt(p);
  }
  if (!waitFor([&] { return ::IsWindowEnabled(write) != 0 && focusIn(form, write); },
               std::chrono::seconds(60))) {
    describe("the device was not identified, or «Записать» has no focus", form, box);
    return false;
  }
  return true;
}

// A second program on the uploader's port while it uploads: opens the port (Wine allows a
// second open; Windows refuses it) and reads whatever comes, so that the uploader's reader
// stops getting the replies. Runs until stopped.
class PortThief {
 public:
  bool start(const std::wstring& port) {
    const std::wstring path = L"\\\\.\\" + port;
    handle_ = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    // Waits in a read for whatever comes, as a terminal program does. Each read returns as
    // soon as a byte came, or after 100 ms.
    COMMTIMEOUTS t{MAXDWORD, MAXDWORD, 100, 0, 0};
    ::SetCommTimeouts(handle_, &t);
    reader_ = std::thread([this] {
      char buffer[256];
      DWORD n = 0;
      while (!stop_ && ::ReadFile(handle_, buffer, sizeof buffer, &n, nullptr)) stolen_ += n;
    });
    return true;
  }
  std::size_t stop() {
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return stolen_;
  }
  ~PortThief() { stop(); }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> stolen_{0};
};

// What the screen shows where the window is, as a 24-bit bitmap file. The screen is read, not
// the window asked to paint itself, so the picture is what the user sees.
bool saveShot(HWND form, const char* prefix, const char* stage) {
  if (prefix == nullptr) return true;
  RECT r{};
  ::GetWindowRect(form, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a .bmp file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap != nullptr) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    ::SelectObject(memory, old);
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    const std::wstring path = windowsPath((std::string(prefix) + "-" + stage + ".bmp").c_str());
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
      ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
           std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
           std::fwrite(bits, 1, size, out) == size;
      ok = std::fclose(out) == 0 && ok;
    }
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (!ok) std::printf("uploader-hands: the %s picture was not saved\n", stage);
  return ok;
}

// Lets the window paint what it was just told to show.
void settle(HWND form) {
  ::RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
}

int fail(const char* what) {
  std::printf("uploader-hands: %s\n", what);
  std::fflush(stdout);
  return 1;
}

// Common controls 6 for this thread, from the manifest of a program (the uploader's), so
// that a COMBOBOX made now is the one the uploader has. False when the manifest is missing.
bool useManifestOf(const char* program) {
  const std::wstring source = windowsPath(program);
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = source.c_str();
  context.lpResourceName = MAKEINTRESOURCEW(1);  // the manifest of a program
  const HANDLE handle = ::CreateActCtxW(&context);
  ULONG_PTR cookie = 0;
  if (handle == INVALID_HANDLE_VALUE || !::ActivateActCtx(handle, &cookie)) return false;
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES};
  return ::InitCommonControlsEx(&classes) != FALSE;
}

// A window with a plain COMBOBOX, nothing else (no subclass, no program around it).
HWND plainComboWindow(bool visible) {
  HWND form = ::CreateWindowExW(0, L"STATIC", L"plain combo box",
                                WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 0, 0, 200, 200,
                                nullptr, nullptr, nullptr, nullptr);
  ::CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 10, 10, 120, 200,
                    form, nullptr, nullptr, nullptr);
  return form;
}

// plain-combo [PROGRAM]: shows the window until it is closed, for `probe-combo-info`.
int plainCombo(const char* manifestOf) {
  if (manifestOf != nullptr && !useManifestOf(manifestOf)) return fail("no common controls 6");
  HWND form = plainComboWindow(true);
  MSG msg;
  while (::IsWindow(form) && ::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  return 0;
}

// The first shown window of a process.
BOOL CALLBACK findShown(HWND hwnd, LPARAM l) {
  auto* found = reinterpret_cast<Found*>(l);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != found->process || !::IsWindowVisible(hwnd)) return TRUE;
  found->window = hwnd;
  return FALSE;
}

// Whether GetComboBoxInfo names the parts of a plain COMBOBOX in this process or in another.
bool comboInfoAnswers(const char* manifestOf, bool here) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (here) {
    HWND form = plainComboWindow(false);
    HWND box = child(form, L"ComboBox", nullptr, false);
    const bool answers = ::GetComboBoxInfo(box, &info) != FALSE && info.hwndCombo == box &&
                         info.hwndList != nullptr;
    ::DestroyWindow(form);
    return answers;
  }
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" plain-combo";
  if (manifestOf != nullptr) command += L" \"" + windowsPath(manifestOf) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
    return false;
  }
  Found found{pi.dwProcessId, nullptr};
  HWND box = nullptr;
  waitFor([&] {
    ::EnumWindows(&findShown, reinterpret_cast<LPARAM>(&found));
    if (found.window != nullptr) box = child(found.window, L"ComboBox", nullptr, true);
    return box != nullptr;
  }, std::chrono::seconds(30));
  const bool answers = box != nullptr && ::GetComboBoxInfo(box, &info) != FALSE &&
                       info.hwndCombo == box && info.hwndList != nullptr;
  if (found.window != nullptr) ::PostMessageW(found.window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  return answers;
}

// probe-combo-info UPLOADER.exe: GetComboBoxInfo on a plain COMBOBOX of Windows' own controls
// and of common controls 6 (the uploader's), from its own process and from another. Windows
// names them to any process; Wine 8 only to the box's own, which is why the hands find the
// uploader's open list by its class.
int probeComboInfo(const char* uploader) {
  const auto say = [](bool answers) { return answers ? "answers" : "fails"; };
  const bool user32Here = comboInfoAnswers(nullptr, true);
  const bool user32There = comboInfoAnswers(nullptr, false);
  const bool v6There = comboInfoAnswers(uploader, false);
  if (!useManifestOf(uploader)) return fail("the uploader's manifest gives no common controls 6");
  const bool v6Here = comboInfoAnswers(uploader, true);
  std::printf("GetComboBoxInfo on Windows' own COMBOBOX: in its process %s, from another %s\n"
              "GetComboBoxInfo on a common controls 6 COMBOBOX: in its process %s, from another "
              "%s\n",
              say(user32Here), say(user32There), say(v6Here), say(v6There));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "plain-combo") == 0) {
    return plainCombo(argc >= 3 ? argv[2] : nullptr);
  }
  if (argc == 3 && std::strcmp(argv[1], "probe-combo-info") == 0) return probeComboInfo(argv[2]);
  const std::string way = argc >= 3 ? argv[2] : "";
  const bool choosing = way == "keys" || way == "typed" || way == "list-keys" || way == "mouse";
  const bool noDevice = way == "nodevice";
  const bool stolen = way == "stolen";
  const bool closeInSettle = way == "close-in-settle";
  if (argc < 3 || argc > 4 || (way != "success" && way != "failure" && !noDevice &&
                               !choosing && !stolen && !closeInSettle)) {
    std::fprintf(stderr,
                 "usage: tormisaplex-uploader-hands UPLOADER.exe "
                 "success|failure|nodevice|stolen|close-in-settle|keys|typed|list-keys|mouse "
                 "[RESULT]\n"
                 "       tormisaplex-uploader-hands probe-combo-info UPLOADER.exe\n");
    return 2;
  }
  // With a result name, the uploader records into a fresh %LOCALAPPDATA% of its own, and
  // its journal and trace are checked once it has ended.
  const std::string journalResult = argc == 4 ? argv[3] : "";
  std::wstring localAppData;
  if (!journalResult.empty()) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    localAppData = std::wstring(temp) + L"hands-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(localAppData.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData.c_str());
  }
  const char* portVar = std::getenv("TORMISAPLEX_TEST_PORT");
  if (portVar == nullptr) return fail("TORMISAPLEX_TEST_PORT is not set");
  std::wstring port;
  for (const char* p = portVar; *p != '\0'; ++p) port += static_cast<wchar_t>(*p);
  const bool wantSuccess = std::strcmp(argv[2], "success") == 0;
  const char* shots = std::getenv("TORMISAPLEX_SHOTS");
  // Screen coordinates as they are: the program is DPI aware, and so are its pictures.
  if (shots != nullptr) ::SetProcessDPIAware();

  std::wstring command = L"\"" + windowsPath(argv[1]) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
    return fail("the uploader did not start");
  }
  ::CloseHandle(pi.hThread);
  int status = 0;
  Found found{pi.dwProcessId, nullptr};
  if (!waitFor([&] { ::EnumWindows(&findForm, reinterpret_cast<LPARAM>(&found));
                     return found.window != nullptr; },
               std::chrono::seconds(60))) {
    status = fail("the uploader's window did not appear");
  }
  HWND form = found.window;
  HWND write = nullptr;
  auto pressedAt = Clock::now();
  if (status == 0 && choosing) {
    HWND box = child(form, L"ComboBox", nullptr, true);
    write = child(form, L"Button", WriteCaption, false);
    HWND ok = child(form, L"Button", L"OK", false);
    if (box == nullptr || write == nullptr || ok == nullptr) {
      status = fail("the port box, «Записать» or «OK» is missing");
    } else if (::SetForegroundWindow(form),
               !waitFor([&] { return focusIn(form, box); }, std::chrono::seconds(10))) {
      describe("at start", form, box);
      status = fail("the port box does not have the focus at start");
    } else if (!chooseWith(way, form, box, port, write)) {
      status = fail("the choice did not reach the device");
    } else {
      // Space presses «Записать»; the window then takes no input until the result shows
      // (which, after a few blocks, may come before this looks).
      sendKeys({VK_SPACE});
      if (!waitFor([&] { return ::IsWindowEnabled(form) == 0 || ::IsWindowVisible(ok); },
                   std::chrono::seconds(30))) {
        status = fail("Space did not press «Записать»");
      } else {
        std::printf("uploader-hands: chosen with %s, the upload started\n", way.c_str());
      }
    }
    // On the result display «OK» has the focus, and Space on it closes the window.
    if (status == 0 &&
        !waitFor([&] { return ::IsWindowVisible(ok) && focusIn(form, ok); },
                 std::chrono::seconds(600))) {
      describe("the result display", form, box);
      status = fail("no result display with the focus on «OK»");
    }
    if (status == 0) {
      sendKeys({VK_SPACE});
      if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
        status = fail("Space on «OK» did not close the window");
      } else {
        std::printf("uploader-hands: Space on «OK» closed the window\n");
      }
    }
    if (status != 0) {
      ::TerminateProcess(pi.hProcess, 1);
      ::WaitForSingleObject(pi.hProcess, 30000);
      ::CloseHandle(pi.hProcess);
      std::fflush(stdout);
      return status;
    }
  }
  if (status == 0 && !choosing) {
    HWND box = child(form, L"ComboBox", nullptr, true);
    int index = -1;
    if (box != nullptr) {
      // The list is open, the port's item is highlighted, and Enter picks it.
      ::SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
      const int count = static_cast<int>(::SendMessageW(box, CB_GETCOUNT, 0, 0));
      for (int i = 0; i < count && index < 0; ++i) {
        wchar_t item[64] = {};
        if (::SendMessageW(box, CB_GETLBTEXTLEN, i, 0) < 64) {
          ::SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
          if (port == item) index = i;
        }
      }
    }
    if (index < 0) {
      status = fail("the port is not in the port box");
    } else {
      ::SendMessageW(box, CB_SETCURSEL, index, 0);
      ::SendMessageW(box, WM_KEYDOWN, VK_RETURN, 1);
      ::SendMessageW(box, WM_KEYUP, VK_RETURN, 0xC0000001);
      write = child(form, L"Button", WriteCaption, false);
      if (noDevice) {
        if (!waitFor([&] { return child(form, L"Edit", NoDeviceText, false) != nullptr; },
                     std::chrono::seconds(30))) {
          status = fail("the status line did not say that no device answers");
        } else if (write != nullptr && ::IsWindowEnabled(write) && ::IsWindowVisible(write)) {
          status = fail("«Записать» can be pressed without a device");
        } else {
          std::printf("uploader-hands: no device on the port\n");
        }
      } else if (write == nullptr ||
          !waitFor([&] { return ::IsWindowVisible(write) && ::IsWindowEnabled(write); },
                   std::chrono::seconds(30))) {
        status = fail("«Записать» did not become pressable: the device was not recognised");
      } else if (shots != nullptr) {
        settle(form);
        saveShot(form, shots, "identified");
      }
    }
  }
  if (status == 0 && !noDevice && !choosing) {
    // Both displays exist, hidden, from the start; only their visibility is watched, so
    // that the watching asks nothing of the program's GUI thread while it uploads.
    HWND success = child(form, L"Static", SuccessText, false);
    HWND failure = child(form, L"Static", FailureText, false);
    pressedAt = Clock::now();
    if (success != nullptr && failure != nullptr) ::SendMessageW(write, BM_CLICK, 0, 0);
    // Only a picture asks the bar where it is, in the whole session (a failing one ends
    // after a few blocks).
    if (shots != nullptr && wantSuccess) {
      HWND bar = child(form, L"msctls_progress32", nullptr, false);
      const auto range = bar != nullptr ? ::SendMessageW(bar, PBM_GETRANGE, FALSE, 0) : 0;
      if (bar != nullptr &&
          waitFor([&] { return ::SendMessageW(bar, PBM_GETPOS, 0, 0) * 3 >= range; },
                  std::chrono::seconds(600))) {
        saveShot(form, shots, "upload");
      }
    }
    // The port taken by another program once the upload is under way.
    PortThief thief;
    auto stolenAt = Clock::now();
    if (stolen) {
      HWND bar = child(form, L"msctls_progress32", nullptr, false);
      if (bar == nullptr ||
          !waitFor([&] { return ::SendMessageW(bar, PBM_GETPOS, 0, 0) >= 20; },
                   std::chrono::seconds(600))) {
        status = fail("the upload did not reach block 20");
      } else if (!thief.start(port)) {
        status = fail("the second open of the port failed: not Wine?");
      }
      stolenAt = Clock::now();
    }
    if (closeInSettle) {
      // After "PUSK" the window takes input again while the device restarts; closing it
      // then ends the program at once.
      const auto displayed = [&] { return ::IsWindowVisible(success) || ::IsWindowVisible(failure); };
      if (!waitFor([&] { return ::IsWindowEnabled(form) == 0 || displayed(); },
                   std::chrono::seconds(60)) ||
          !waitFor([&] { return ::IsWindowEnabled(form) != 0 || displayed(); },
                   std::chrono::seconds(1200)) ||
          displayed()) {
        status = fail("no settle time after the upload");
      } else {
        std::printf("uploader-hands: the upload took %.1f s; closing during the settle time\n",
                    std::chrono::duration<double>(Clock::now() - pressedAt).count());
        const auto closedAt = Clock::now();
        ::PostMessageW(form, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
          status = fail("the window did not close during the settle time");
        } else {
          std::printf("uploader-hands: the program ended %.1f s after the window was closed\n",
                      std::chrono::duration<double>(Clock::now() - closedAt).count());
        }
      }
    }
    HWND shown = nullptr;
    const bool ended = status == 0 && !closeInSettle && success != nullptr && failure != nullptr && waitFor(
        [&] {
          if (::IsWindowVisible(success)) shown = success;
          if (::IsWindowVisible(failure)) shown = failure;
          return shown != nullptr;
        },
        // A frozen upload never shows one; with the port taken, the watchdog ends it in
        // seconds.
        std::chrono::seconds(stolen ? 60 : 1200));
    const double seconds =
        std::chrono::duration<double>(Clock::now() - pressedAt).count();
    if (stolen) {
      const std::size_t bytes = thief.stop();
      std::printf("uploader-hands: the second program took %zu bytes", bytes);
      if (ended) {
        std::printf("; the display came %.1f s after it opened the port",
                    std::chrono::duration<double>(Clock::now() - stolenAt).count());
      }
      std::printf("\n");
    }
    if (status != 0 || closeInSettle) {
    } else if (!ended) {
      status = fail("neither the success nor the failure display came");
    } else {
      std::printf("uploader-hands: %s display after %.1f s\n",
                  shown == success ? "success" : "failure", seconds);
      if (shots != nullptr) {
        settle(form);
        saveShot(form, shots, shown == success ? "success" : "failure");
      }
      if ((shown == success) != wantSuccess) status = fail("not the display expected");
    }
  }
  if (form != nullptr) ::PostMessageW(form, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
    ::TerminateProcess(pi.hProcess, 1);
    status = fail("the uploader did not end when its window was closed");
  }
  ::CloseHandle(pi.hProcess);
  if (status == 0 && !journalResult.empty()) {
    const std::string wrong = checkJournal(localAppData, journalResult);
    if (!wrong.empty()) {
      status = fail(wrong.c_str());
    } else {
      std::printf("uploader-hands: journal and trace say %s\n", journalResult.c_str());
    }
  }
  std::fflush(stdout);
  return status;
}
