// Lets Wine use a pseudo-terminal as a COM port. Wine's WaitCommEvent polls the modem lines
// and gives the wait up as cancelled when they cannot be read, which a pseudo-terminal never
// allows: no line event would ever be delivered. Preloaded into Wine (LD_PRELOAD), this
// answers "all lines low" for the slave end of a pseudo-terminal where the kernel refuses
// the request. A hung-up terminal still fails (EIO), so a vanished device stays visible.
// Used only by the tests under Wine; a real serial device has modem lines.
//
// No headers and no runtime library: the same source is also built for 32-bit Wine, where
// the machine may have no 32-bit development files. What it calls comes from the C library
// already loaded into every process.

extern "C" {
void* dlsym(void* handle, const char* symbol) noexcept;
long readlink(const char* path, char* buffer, unsigned long size) noexcept;
int* __errno_location() noexcept;
int ioctl(int fd, unsigned long request, ...) noexcept;
int __ioctl_time64(int fd, unsigned long request, ...) noexcept;
}

namespace {

using IoctlFn = int (*)(int, unsigned long, ...);

constexpr unsigned long kTiocmget = 0x5415;
constexpr int kEnotty = 25;
constexpr int kEinval = 22;
void* const kNextObject = reinterpret_cast<void*>(-1L);  // RTLD_NEXT

// Whether `fd` is open on /dev/pts/<n>, the slave end of a pseudo-terminal.
bool isPtySlave(int fd) {
  char path[32] = "/proc/self/fd/";
  int end = 14;
  char digits[12];
  int n = 0;
  unsigned int v = static_cast<unsigned int>(fd);
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n > 0) path[end++] = digits[--n];
  path[end] = '\0';
  char target[16] = {};
  const long len = readlink(path, target, sizeof target - 1);
  const char prefix[] = "/dev/pts/";
  if (len <= static_cast<long>(sizeof prefix - 1)) return false;
  for (unsigned int i = 0; i < sizeof prefix - 1; ++i) {
    if (target[i] != prefix[i]) return false;
  }
  return true;
}

// The C library's own function of that name, looked up once (a benign race: every thread
// finds the same one).
IoctlFn next(IoctlFn& cache, const char* name) {
  IoctlFn fn = __atomic_load_n(&cache, __ATOMIC_ACQUIRE);
  if (fn == nullptr) {
    fn = reinterpret_cast<IoctlFn>(dlsym(kNextObject, name));
    __atomic_store_n(&cache, fn, __ATOMIC_RELEASE);
  }
  return fn;
}

int answer(IoctlFn real, int fd, unsigned long request, void* arg) {
  const int rc = real(fd, request, arg);
  if (rc == 0 || request != kTiocmget || arg == nullptr) return rc;
  const int error = *__errno_location();
  if ((error != kEnotty && error != kEinval) || !isPtySlave(fd)) return rc;
  *static_cast<int*>(arg) = 0;
  return 0;
}

IoctlFn plainIoctl = nullptr;
IoctlFn time64Ioctl = nullptr;

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
  __builtin_va_list args;
  __builtin_va_start(args, request);
  void* arg = __builtin_va_arg(args, void*);
  __builtin_va_end(args);
  return answer(next(plainIoctl, "ioctl"), fd, request, arg);
}

// 32-bit programs built with a 64-bit time_t (Debian's 32-bit Wine among them) call this.
extern "C" int __ioctl_time64(int fd, unsigned long request, ...) noexcept {
  __builtin_va_list args;
  __builtin_va_start(args, request);
  void* arg = __builtin_va_arg(args, void*);
  __builtin_va_end(args);
  return answer(next(time64Ioctl, "__ioctl_time64"), fd, request, arg);
}
