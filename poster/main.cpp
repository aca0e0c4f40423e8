// Lumora's entry point: builds the window with the running system's services and runs it.
#include <functional>
#include <memory>

#include "platform/background.h"
#include "platform/clock.h"
#include "platform/form.h"
#include "platform/library_search.h"
#include "platform/settings.h"
#include "poster/lumora_design.h"
#include "poster/lumora_main.h"
#include "poster/web/service_addresses.h"

namespace {

// Until the program has a worker thread, work runs at once on the window's thread: the limits
// are then asked for inside the first timer tick, after the window shows.
class AtOnce : public platform::Background {
 public:
  void Run(std::function<void()> work, std::function<void()> done) override {
    work();
    done();
  }
};

}  // namespace

int main() {
  using namespace platform;
  static AtOnce background;
  // WinHTTP and its helpers load late, at the first request: never from beside the program or
  // the current folder.
  LoadLibrariesFromSystemFolderOnly();
  std::unique_ptr<poster::LumoraMain> app;
  return RunForm(poster::LumoraDesign(), [&](Form& form) {
    app = std::make_unique<poster::LumoraMain>(
        poster::LumoraControls::From(form),
        poster::LumoraServices{SystemClipboard(), SystemMessageBoxes(), SystemMousePointer(),
                               SystemTextFiles(), SystemAnsiCodec(), SystemEnvironment(),
                               SystemProcess(), SystemHttpClient(), SystemUrlSchemes(),
                               SystemSettings(), background, SystemClock()},
        poster::web::ServiceAddresses::Read(SystemSettings()));
    app->Form_Load();
  });
}
