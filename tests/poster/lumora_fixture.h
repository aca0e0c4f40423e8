// A LumoraMain wired to recording fakes, for the poster's unit tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/fake/fake_ansi_codec.h"
#include "platform/fake/fake_background.h"
#include "platform/fake/fake_clipboard.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_controls.h"
#include "platform/fake/fake_environment.h"
#include "platform/fake/fake_http.h"
#include "platform/fake/fake_loopback.h"
#include "platform/fake/fake_message_boxes.h"
#include "platform/fake/fake_mouse_pointer.h"
#include "platform/fake/fake_process.h"
#include "platform/fake/fake_random.h"
#include "platform/fake/fake_secret_store.h"
#include "platform/fake/fake_service_dialog.h"
#include "platform/fake/fake_settings.h"
#include "platform/fake/fake_text_files.h"
#include "platform/fake/fake_url_schemes.h"
#include "poster/lumora_design.h"
#include "poster/lumora_main.h"

namespace poster::testing {

class LumoraTest : public ::testing::Test {
 protected:
  static constexpr char16_t kFolder[] = u"C:\\Program Files\\Kestrova\\";

  LumoraTest() { environment.variables[u"ProgramFiles"] = u"C:\\Program Files"; }

  // Builds the window class; call after scripting the fakes.
  LumoraMain& Main() {
    if (!main_) {
      main_ = std::make_unique<LumoraMain>(
          LumoraControls{window, userName, password, longUrl, tweet, llen, label1, label2, label4,
                         sendButton, tinyUrlButton, timer},
          services, addresses);
    }
    return *main_;
  }

  // The next Main() is a new run of the program on the same fakes.
  void NewRun() { main_.reset(); }
  // Runs the load handler; returns false when the program ended inside it.
  bool Load() {
    return Run([this] { Main().Form_Load(); });
  }

  // Runs `step`; returns false when the program ended inside it.
  template <typename Step>
  bool Run(Step step) {
    try {
      step();
      return true;
    } catch (const platform::fake::ProgramEnded&) {
      return false;
    }
  }

  std::string File(const std::u16string& name) { return files.files[kFolder + name]; }

  // The addresses Main() is built with; a test may change them before calling it.
  web::ServiceAddresses addresses{{u"http://status.example/statuses/update.xml", {}},
                                  u"Status.example",
                                  {u"http://short.example/KestrovaCreateSightlink.asp", {}}};
  platform::fake::Journal journal;
  platform::fake::FakeWindow window;
  platform::fake::FakeTextBox userName, password, longUrl, tweet;
  platform::fake::FakeLabel llen{u"0"};
  platform::fake::FakeLabel label1{kUserNameCaption}, label2{kPasswordCaption},
      label4{kShortLinkNoteCaption};
  platform::fake::FakeButton sendButton, tinyUrlButton;
  platform::fake::FakeTimer timer;

  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeMessageBoxes boxes{&journal};
  platform::fake::FakeMousePointer pointer;
  platform::fake::FakeTextFiles files{&journal};
  platform::fake::FakeAnsiCodec ansi;
  platform::fake::FakeEnvironment environment;
  platform::fake::FakeProcess process{&journal};
  platform::fake::FakeHttpClient http;
  platform::fake::FakeUrlSchemes schemes{&journal};
  platform::fake::FakeBackground background;
  platform::fake::FakeSettings settings;
  platform::fake::FakeServiceDialog serviceDialog;
  platform::fake::FakeClock clock;
  platform::fake::FakeRandom random;
  platform::fake::FakeSecretStore secrets;
  platform::fake::FakeLoopbackListeners listeners;
  platform::fake::FakeBrowser browser;
  LumoraServices services{
      clipboard,   boxes,         pointer, files,   ansi,
      environment, process,       http,    schemes, background,
      settings,    serviceDialog, clock,   random,  {secrets, listeners, browser}};

 private:
  std::unique_ptr<LumoraMain> main_;
};

}  // namespace poster::testing
