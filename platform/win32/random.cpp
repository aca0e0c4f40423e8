#include "platform/random.h"

#include <windows.h>
// After windows.h, which it needs.
#include <ntsecapi.h>

#include "platform/win32/system_error.h"

namespace platform::win32 {
namespace {

class SystemGenerator final : public Random {
 public:
  void Fill(void* bytes, std::size_t count) override {
    // RtlGenRandom (SystemFunction036 of advapi32, which the program imports anyway) exists
    // on every Windows and Wine this program runs on, and needs no provider handle.
    if (!RtlGenRandom(bytes, static_cast<ULONG>(count))) throw SystemFailure(ERROR_GEN_FAILURE);
  }
};

}  // namespace
}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::SystemGenerator generator;
}  // namespace

Random& SystemRandom() {
  return generator;
}

}  // namespace platform
