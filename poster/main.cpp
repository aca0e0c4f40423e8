// Lumora's entry point: builds the window with the running system's services and runs it.
#include <memory>

#include "platform/background.h"
#include "platform/browser.h"
#include "platform/clock.h"
#include "platform/form.h"
#include "platform/library_search.h"
#include "platform/loopback.h"
#include "platform/random.h"
#include "platform/secret_store.h"
#include "platform/service_dialog.h"
#include "platform/settings.h"
#include "poster/lumora_design.h"
#include "poster/lumora_main.h"
#include "poster/web/service_addresses.h"

int main() {
  using namespace platform;
  // WinHTTP and its helpers load late, at the first request: never from beside the program or
  // the current folder.
  LoadLibrariesFromSystemFolderOnly();
  std::unique_ptr<poster::LumoraMain> app;
  return RunForm(poster::LumoraDesign(), [&](Form& form) {
    app = std::make_unique<poster::LumoraMain>(
        poster::LumoraControls::From(form),
        poster::LumoraServices{SystemClipboard(),
                               SystemMessageBoxes(),
                               SystemMousePointer(),
                               SystemTextFiles(),
                               SystemAnsiCodec(),
                               SystemEnvironment(),
                               SystemProcess(),
                               SystemHttpClient(),
                               SystemUrlSchemes(),
                               SystemBackground(),
                               SystemSettings(),
                               SystemServiceDialog(),
                               SystemClock(),
                               SystemRandom(),
                               {SystemSecretStore(), SystemLoopbackListeners(), SystemBrowser()}},
        poster::web::ServiceAddresses::Read(SystemSettings()));
    app->Form_Load();
  });
}
