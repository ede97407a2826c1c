// The desktop program's single-instance marker on Windows: a named mutex that exists exactly as
// long as the first instance runs (the system closes a killed instance's handle, so its marker
// goes with it), and a message-only window through which a later instance asks the first one to
// show its window. Both names live in the session's own namespace, so the instances of users
// logged on side by side never meet.

#include <windows.h>

#include <cstdint>
#include <cwctype>
#include <optional>
#include <string>

#include "platform/instance_lock.h"
#include "platform/windows/win_text.h"

namespace parvolind {
namespace {

// The message a later instance sends, and the answer that tells it the request arrived. Any other
// message to the window does nothing, so a stray sender cannot make the window jump.
constexpr UINT kShowRequest = WM_APP + 0x51;
constexpr LRESULT kShowRequestTaken = 0x5057;

// The object names of a lock kept "in" a folder: the program's own name for the user's lock, a
// name of the folder's own for a lock elsewhere (tests), so that the two never meet.
std::wstring NameFor(const std::string& directory) {
  if (directory.empty()) return L"Parvolind";
  uint64_t hash = 14695981039346656037ull;  // FNV-1a of the folder's path, case folded
  for (const wchar_t c : windows::Widen(directory)) {
    hash ^= static_cast<uint64_t>(towlower(c));
    hash *= 1099511628211ull;
  }
  return L"Parvolind-" + std::to_wstring(hash);
}

}  // namespace

class InstanceLock::Impl {
 public:
  explicit Impl(const std::string& directory)
      : name_(NameFor(directory)), window_class_(name_ + L"-Show") {}

  ~Impl() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (class_registered_) UnregisterClassW(window_class_.c_str(), GetModuleHandleW(nullptr));
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  InstanceRole TryAcquire() {
    if (!role_) role_ = Acquire();
    return *role_;
  }

  void SetShowRequestHandler(std::function<void()> handler) { handler_ = std::move(handler); }

  bool RequestShowFirst(int timeout_ms) {
    if (role_ != InstanceRole::kSecond) return false;
    HWND first = FindWindowExW(HWND_MESSAGE, nullptr, window_class_.c_str(), nullptr);
    if (first == nullptr) return false;
    // Windows lets only the process in front bring a window to the front; this one passes that
    // right on to the first instance.
    DWORD first_process = 0;
    GetWindowThreadProcessId(first, &first_process);
    if (first_process != 0) AllowSetForegroundWindow(first_process);
    DWORD_PTR answer = 0;
    const UINT wait = timeout_ms < 0 ? 0u : static_cast<UINT>(timeout_ms);
    return SendMessageTimeoutW(first, kShowRequest, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, wait,
                               &answer) != 0 &&
           static_cast<LRESULT>(answer) == kShowRequestTaken;
  }

 private:
  InstanceRole Acquire() {
    mutex_ = CreateMutexW(nullptr, FALSE, name_.c_str());
    const DWORD error = GetLastError();
    if (mutex_ == nullptr) {
      // Refused access to a marker that exists (made at another integrity level): another
      // instance runs. Without any marker at all: better two instances than none.
      return error == ERROR_ACCESS_DENIED ? InstanceRole::kSecond : InstanceRole::kFirst;
    }
    if (error == ERROR_ALREADY_EXISTS) {
      CloseHandle(mutex_);
      mutex_ = nullptr;
      return InstanceRole::kSecond;
    }
    Listen();
    return InstanceRole::kFirst;
  }

  // The window is made by the thread that takes the lock, whose message loop (the program's
  // event loop) then delivers the requests to the handler. Without it the program still runs;
  // only show requests go unheard.
  void Listen() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &Impl::WindowProcedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = window_class_.c_str();
    class_registered_ = RegisterClassExW(&window_class) != 0;
    if (!class_registered_) return;
    window_ = CreateWindowExW(0, window_class_.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              window_class.hInstance, nullptr);
    if (window_ != nullptr)
      SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kShowRequest) {
      auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self != nullptr && self->handler_) self->handler_();
      return kShowRequestTaken;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  std::wstring name_;
  std::wstring window_class_;
  std::optional<InstanceRole> role_;
  std::function<void()> handler_;
  HANDLE mutex_ = nullptr;
  bool class_registered_ = false;
  HWND window_ = nullptr;
};

InstanceLock::InstanceLock(std::string directory) : impl_(std::make_unique<Impl>(directory)) {}

InstanceLock::InstanceLock() : InstanceLock(std::string()) {}

InstanceLock::~InstanceLock() = default;

InstanceRole InstanceLock::TryAcquire() { return impl_->TryAcquire(); }

void InstanceLock::SetShowRequestHandler(std::function<void()> handler) {
  impl_->SetShowRequestHandler(std::move(handler));
}

bool InstanceLock::RequestShowFirst(int timeout_ms) { return impl_->RequestShowFirst(timeout_ms); }

}  // namespace parvolind
