#include "platform/background.h"

#include <windows.h>

#include <utility>

#include "platform/win32/handler_guard.h"

namespace platform::win32 {
namespace {

constexpr UINT kWorkDone = WM_APP + 1;
constexpr UINT_PTR kStartTimer = 1;

struct Job {
  std::function<void()> work;
  std::function<void()> done;
  HWND target;
  int askedWithin = 0;  // the handlers running when the work was asked for
  Job* next = nullptr;
};

// Completions that arrived while a handler was running, and work not yet started, oldest
// first; touched only on the window's thread.
Job* waitingFirst = nullptr;
Job* waitingLast = nullptr;
Job* startingFirst = nullptr;
Job* startingLast = nullptr;

void Append(Job*& first, Job*& last, Job* job) {
  (last != nullptr ? last->next : first) = job;
  last = job;
}

// Detaches the list and hands each job to `take`, oldest first.
template <typename Take>
void TakeAll(Job*& first, Job*& last, Take take) {
  Job* job = first;
  first = last = nullptr;
  while (job != nullptr) {
    Job* next = job->next;
    job->next = nullptr;
    take(job);
    job = next;
  }
}

void Deliver(Job* job) {
  // When the program has stopped reading messages, the post fails or is never read; the job is
  // then left to the end of the process rather than freed beside code still running.
  PostMessageW(job->target, kWorkDone, 0, reinterpret_cast<LPARAM>(job));
}

void DeliverWaiting() {
  TakeAll(waitingFirst, waitingLast, &Deliver);
}

DWORD WINAPI Work(void* parameter);

void Start(Job* job) {
  HANDLE thread = CreateThread(nullptr, 0, &Work, job, 0, nullptr);
  if (thread != nullptr) {
    CloseHandle(thread);
  } else {
    job->work = nullptr;
    Deliver(job);
  }
}

LRESULT CALLBACK Receive(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kStartTimer) {
    KillTimer(hwnd, kStartTimer);
    TakeAll(startingFirst, startingLast, &Start);
    return 0;
  }
  if (message != kWorkDone) return DefWindowProcW(hwnd, message, wParam, lParam);
  Job* job = reinterpret_cast<Job*>(lParam);
  // A modal box or dialog of a handler runs its own loop, which dispatches this message too:
  // the completion waits until the handler that asked for the work has returned, so a dialog's
  // own button can wait for work while the dialog stays open.
  if (HandlersRunning() >= (job->askedWithin > 0 ? job->askedWithin : 1)) {
    Append(waitingFirst, waitingLast, job);
    return 0;
  }
  std::function<void()> done = std::move(job->done);
  delete job;
  RunHandler(done);
  return 0;
}

DWORD WINAPI Work(void* parameter) {
  Job* job = static_cast<Job*>(parameter);
  try {
    job->work();
  } catch (...) {
  }
  job->work = nullptr;
  Deliver(job);
  return 0;
}

class Win32Background : public Background {
 public:
  void Run(std::function<void()> work, std::function<void()> done) override {
    if (receiver_ == nullptr) {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = &Receive;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"LumoraBackground";
      RegisterClassW(&windowClass);
      // A message-only window: never shown, never enumerated, read by every loop of the thread.
      receiver_ = CreateWindowExW(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0,
                                  HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
      SetHandlersReturned(&DeliverWaiting);
    }
    Job* job = new Job{std::move(work), std::move(done), receiver_, HandlersRunning()};
    if (!job->work) return Deliver(job);
    // The work starts at a timer's message, which comes only once the window's thread has
    // drawn what the handler changed: under Wine, a thread started at once to load libraries
    // delayed the filled window by 15 to 35 ms.
    Append(startingFirst, startingLast, job);
    SetTimer(receiver_, kStartTimer, USER_TIMER_MINIMUM, nullptr);
  }

 private:
  HWND receiver_ = nullptr;
};

}  // namespace
}  // namespace platform::win32

namespace platform {

Background& SystemBackground() {
  static win32::Win32Background background;
  return background;
}

}  // namespace platform
