// SetupLumora's entry point: builds the installer window and runs it.
#include <memory>

#include "installer/setup_lumora_design.h"
#include "installer/setup_lumora_form.h"
#include "platform/form.h"
#include "platform/library_search.h"
#include "platform/services.h"

int main() {
  // An installer is often started from a download folder, and with administrator rights: no
  // library lying there may ever be loaded into it.
  platform::LoadLibrariesFromSystemFolderOnly();
  platform::Services& services = platform::SystemServicesWithoutWeb();
  std::unique_ptr<installer::SetupLumoraForm> window;
  return platform::RunForm(installer::SetupLumoraDesign(), [&](platform::Form& form) {
    window = std::make_unique<installer::SetupLumoraForm>(
        installer::SetupLumoraControls::From(form), installer::SetupLumoraServices::From(services));
    window->Form_Load();
  });
}
