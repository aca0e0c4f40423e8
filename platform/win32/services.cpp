#include "platform/services.h"

#include "platform/win32/backends.h"

namespace platform {

Services& SystemServices() {
  using namespace win32;
  static Services services{TheClipboard(),   TheMessageBoxes(), TheMousePointer(), TheTextFiles(),
                           TheBinaryFiles(), TheAnsiCodec(),    TheEnvironment(),  TheProcess(),
                           TheHttpClient(),  TheResources(),    TheClock(),        TheEventPump(),
                           TheUrlSchemes()};
  return services;
}

}  // namespace platform
