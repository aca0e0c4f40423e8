#include <windows.h>

#include "platform/services.h"
#include "platform/win32/backends.h"
#include "platform/win32/system_error.h"

namespace platform {
namespace {

// Stands where a program that makes no web requests needs an HttpClient, so that nothing in
// it refers to WinHTTP and the linker leaves that library's import out.
class NoHttpClient : public HttpClient {
 public:
  std::unique_ptr<HttpRequest> CreateRequest() override {
    throw Failure(ERROR_NOT_SUPPORTED, win32::SystemMessage(ERROR_NOT_SUPPORTED));
  }
};

}  // namespace

Services& SystemServicesWithoutWeb() {
  using namespace win32;
  static NoHttpClient noHttp;
  static Services services{TheClipboard(),   TheMessageBoxes(), TheMousePointer(), TheTextFiles(),
                           TheBinaryFiles(), TheAnsiCodec(),    TheEnvironment(),  TheProcess(),
                           noHttp,           TheResources(),    TheClock(),        TheEventPump(),
                           TheUrlSchemes()};
  return services;
}

}  // namespace platform
