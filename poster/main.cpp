#include <memory>

#include "platform/form.h"
#include "platform/library_search.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "poster/lumora_design.h"
#include "poster/lumora_main.h"
#include "poster/web/service_addresses.h"

int main() {
  // WinHTTP and its helpers load late, at the first request: never from beside the program or
  // the current folder.
  platform::LoadLibrariesFromSystemFolderOnly();
  std::unique_ptr<poster::LumoraMain> app;
  return platform::RunForm(poster::LumoraDesign(), [&](platform::Form& form) {
    app = std::make_unique<poster::LumoraMain>(
        poster::LumoraControls::From(form),
        poster::LumoraServices::From(platform::SystemServices()),
        poster::web::ServiceAddresses::Read(platform::SystemSettings()));
    app->Form_Load();
  });
}
