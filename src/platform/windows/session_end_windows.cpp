// The end of the user's session on Windows: the system asks every top-level window whether the
// session may end (WM_QUERYENDSESSION) before a logoff or shutdown. A hidden window of the watch's
// own takes that question; it is never shown, and message-only windows would not be asked.

#include <windows.h>

#include "platform/session_end.h"

namespace parvolind {
namespace {

constexpr wchar_t kWindowClass[] = L"Parvolind-SessionEnd";

}  // namespace

class SessionEndWatch::Impl {
 public:
  explicit Impl(std::function<void()> on_session_end) : callback_(std::move(on_session_end)) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &Impl::WindowProcedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kWindowClass;
    // A class left registered by an earlier watch of this process serves as well.
    if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      return;
    }
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"Parvolind", WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, window_class.hInstance, nullptr);
    if (window_ != nullptr) {
      SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
  }

  ~Impl() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  bool Active() const { return window_ != nullptr; }

  void SetAnswer(std::function<bool()> may_end) { may_end_ = std::move(may_end); }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_QUERYENDSESSION) {
      auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self == nullptr) return TRUE;
      if (self->callback_) self->callback_();
      return !self->may_end_ || self->may_end_() ? TRUE : FALSE;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  std::function<void()> callback_;
  std::function<bool()> may_end_;
  HWND window_ = nullptr;
};

SessionEndWatch::SessionEndWatch(std::function<void()> on_session_end)
    : impl_(std::make_unique<Impl>(std::move(on_session_end))) {}

SessionEndWatch::~SessionEndWatch() = default;

bool SessionEndWatch::Active() const { return impl_->Active(); }

void SessionEndWatch::SetAnswer(std::function<bool()> may_end) {
  impl_->SetAnswer(std::move(may_end));
}

}  // namespace parvolind
