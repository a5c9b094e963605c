#include "platform/Console.h"

#include <windows.h>

#include <mutex>
#include <utility>

namespace hi {

namespace {

std::wstring widenUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string narrowUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

HANDLE stdHandle(StdStream stream) {
  return GetStdHandle(stream == StdStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

std::mutex interruptMutex;
std::function<void()> interruptHandler;  // guarded by interruptMutex

BOOL WINAPI onConsoleEvent(DWORD) {
  std::function<void()> handler;
  {
    std::lock_guard lock(interruptMutex);
    handler = interruptHandler;
  }
  if (!handler) return FALSE;
  handler();
  return TRUE;
}

}  // namespace

bool isTerminal(StdStream stream) {
  DWORD mode = 0;
  return GetConsoleMode(stdHandle(stream), &mode) != 0;
}

int terminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(stdHandle(StdStream::Out), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void useUtf8Console() {
  SetConsoleOutputCP(CP_UTF8);
  // The bar and the table redraw themselves with escape sequences.
  DWORD mode = 0;
  const HANDLE out = stdHandle(StdStream::Out);
  if (GetConsoleMode(out, &mode)) {
    SetConsoleMode(out, mode | 0x0004);  // ENABLE_VIRTUAL_TERMINAL_PROCESSING, Windows 10+
  }
}

void watchInterrupts(std::function<void()> onInterrupt) {
  {
    std::lock_guard lock(interruptMutex);
    interruptHandler = std::move(onInterrupt);
  }
  // The system calls the handler on a thread of its own for Ctrl-C, Ctrl-Break and the
  // console's close.
  SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
}

bool appendWhole(const std::string& path, std::string_view line, int& error) {
  // FILE_APPEND_DATA alone: every write goes to the end of the file, as one.
  const HANDLE file = CreateFileW(widenUtf8(path).c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = static_cast<int>(GetLastError());
    return false;
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  error = ok ? (written == line.size() ? 0 : ERROR_DISK_FULL) : static_cast<int>(GetLastError());
  CloseHandle(file);
  return error == 0;
}

std::string systemErrorText(int error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = n > 0 ? narrowUtf8(std::wstring_view(text, n)) : "error " + std::to_string(error);
  if (text != nullptr) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) {
    out.pop_back();
  }
  return out;
}

std::string ownExecutablePath() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return n > 0 && n < MAX_PATH * 4 ? narrowUtf8(std::wstring_view(path, n)) : std::string();
}

namespace {

class Win32Subprocess final : public Subprocess {
 public:
  Win32Subprocess(PROCESS_INFORMATION info, HANDLE out) : info_(info), out_(out) {}
  ~Win32Subprocess() override {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 1);
      WaitForSingleObject(info_.hProcess, INFINITE);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
    CloseHandle(out_);
  }

  bool readLine(std::string& line) override {
    for (;;) {
      const std::size_t end = buffered_.find('\n');
      if (end != std::string::npos) {
        line = buffered_.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        buffered_.erase(0, end + 1);
        return true;
      }
      char chunk[4096];
      DWORD n = 0;
      if (!ReadFile(out_, chunk, sizeof chunk, &n, nullptr) || n == 0) {
        if (buffered_.empty()) return false;
        line = std::move(buffered_);
        buffered_.clear();
        return true;
      }
      buffered_.append(chunk, n);
    }
  }

  int wait() override {
    WaitForSingleObject(info_.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<int>(code);
  }

  // The child runs in a process group of its own, where only Ctrl-Break reaches it.
  void interrupt() override { GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, info_.dwProcessId); }

 private:
  PROCESS_INFORMATION info_;
  HANDLE out_;
  std::string buffered_;
};

std::wstring quoted(const std::string& arg) {
  const std::wstring wide = widenUtf8(arg);
  if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos) return wide;
  std::wstring out = L"\"";
  for (wchar_t c : wide) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

}  // namespace

std::unique_ptr<Subprocess> Subprocess::start(const std::string& program,
                                              const std::vector<std::string>& args,
                                              std::string& error) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    error = systemErrorText(static_cast<int>(GetLastError()));
    return nullptr;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::wstring commandLine = quoted(program);
  for (const std::string& a : args) commandLine += L" " + quoted(a);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  const BOOL ok = CreateProcessW(widenUtf8(program).c_str(), commandLine.data(), nullptr, nullptr,
                                 TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &info);
  const DWORD failure = GetLastError();
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    error = systemErrorText(static_cast<int>(failure));
    return nullptr;
  }
  return std::make_unique<Win32Subprocess>(info, readEnd);
}

}  // namespace hi
