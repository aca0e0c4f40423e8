// SetupLumora's entry point: builds the installer window and runs it.
#include <memory>

#include "installer/setup_lumora_design.h"
#include "installer/setup_lumora_form.h"
#include "platform/form.h"
#include "platform/library_search.h"
#include "platform/url_schemes.h"

int main() {
  using namespace platform;
  // An installer is often started from a download folder, and with administrator rights: no
  // library lying there may ever be loaded into it.
  LoadLibrariesFromSystemFolderOnly();
  std::unique_ptr<installer::SetupLumoraForm> window;
  return RunForm(installer::SetupLumoraDesign(), [&](Form& form) {
    window = std::make_unique<installer::SetupLumoraForm>(
        installer::SetupLumoraControls::From(form),
        installer::SetupLumoraServices{SystemMessageBoxes(), SystemTextFiles(), SystemBinaryFiles(),
                                       SystemAnsiCodec(), SystemEnvironment(), SystemProcess(),
                                       SystemResources(), SystemClock(), SystemEventPump(),
                                       SystemUrlSchemes()});
    window->Form_Load();
  });
}
