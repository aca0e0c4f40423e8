// The system's services for portable code, one object per concern.
#pragma once

#include "platform/ansi.h"
#include "platform/binary_files.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/http.h"
#include "platform/message_box.h"
#include "platform/mouse_pointer.h"
#include "platform/process.h"
#include "platform/resources.h"
#include "platform/text_files.h"
#include "platform/url_schemes.h"

namespace platform {

struct Services {
  Clipboard& clipboard;
  MessageBoxes& messageBoxes;
  MousePointer& mousePointer;
  TextFiles& textFiles;
  BinaryFiles& binaryFiles;
  AnsiCodec& ansi;
  Environment& environment;
  Process& process;
  HttpClient& http;
  Resources& resources;
  Clock& clock;
  EventPump& events;
  UrlSchemes& urlSchemes;
};

// The real services of the running system; lives as long as the program.
Services& SystemServices();

// The real services for a program that makes no web requests: `http` refuses to create a
// request (Failure), and the program does not load the system's HTTP library at all.
Services& SystemServicesWithoutWeb();

}  // namespace platform
