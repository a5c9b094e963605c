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

namespace {

HANDLE openForAppend(const std::string& path) {
  return CreateFileW(widenUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool appendWhole(const std::string& path, std::string_view line, int& error) {
  const HANDLE file = openForAppend(path);
  if (file == INVALID_HANDLE_VALUE) {
    error = static_cast<int>(GetLastError());
    return false;
  }
  // The whole file locked: another appender waits, so that the end found here stays the end
  // and an undo takes nothing but this line.
  OVERLAPPED whole{};
  const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != 0;
  LARGE_INTEGER before{};
  const LARGE_INTEGER zero{};
  DWORD written = 0;
  error = 0;
  if (!locked || !GetFileSizeEx(file, &before) ||
      !SetFilePointerEx(file, zero, nullptr, FILE_END) ||
      !WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
    error = static_cast<int>(GetLastError());
  } else if (written != line.size()) {
    error = ERROR_DISK_FULL;
  }
  // A part of a line would glue the next line to it: back to the size before.
  if (error != 0 && written > 0 && SetFilePointerEx(file, before, nullptr, FILE_BEGIN)) {
    SetEndOfFile(file);
  }
  if (locked) UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(file);
  return error == 0;
}

bool canAppend(const std::string& path, int& error) {
  const HANDLE file = openForAppend(path);
  if (file == INVALID_HANDLE_VALUE) {
    error = static_cast<int>(GetLastError());
    return false;
  }
  CloseHandle(file);
  // The folder's disk: its free bytes for this user.
  std::wstring wide = widenUtf8(path);
  const std::size_t slash = wide.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : wide.substr(0, slash + 1);
  ULARGE_INTEGER room{};
  error = GetDiskFreeSpaceExW(folder.c_str(), &room, nullptr, nullptr) && room.QuadPart == 0
              ? ERROR_DISK_FULL
              : 0;
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

// One job for every child of this process, never closed by hand: the system closes it when
// this process ends, however it ends, and then ends every child with it.
HANDLE startersJob() {
  static const HANDLE job = [] {
    const HANDLE j = CreateJobObjectW(nullptr, nullptr);
    if (j == nullptr) return j;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
      CloseHandle(j);
      return HANDLE(nullptr);
    }
    return j;
  }();
  return job;
}

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
  // Suspended until it is in the job, so that it cannot send a byte outside of it.
  const BOOL ok = CreateProcessW(widenUtf8(program).c_str(), commandLine.data(), nullptr, nullptr,
                                 TRUE, CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED, nullptr,
                                 nullptr, &startup, &info);
  DWORD failure = GetLastError();
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    error = systemErrorText(static_cast<int>(failure));
    return nullptr;
  }
  const HANDLE job = startersJob();
  if (job == nullptr || !AssignProcessToJobObject(job, info.hProcess)) {
    failure = GetLastError();
    TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(readEnd);
    error = systemErrorText(static_cast<int>(failure));
    return nullptr;
  }
  ResumeThread(info.hThread);
  return std::make_unique<Win32Subprocess>(info, readEnd);
}

// The job object of Subprocess::start ends this process with its starter.
void followStarter() {}

}  // namespace hi
