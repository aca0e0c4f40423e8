// A one-request web listener on this computer's loopback address, for a browser's redirect.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// One listener, bound to 127.0.0.1 only (no other computer can reach it).
class LoopbackListener {
 public:
  virtual ~LoopbackListener() = default;
  // The port the system chose.
  virtual std::uint16_t Port() const = 0;
  // Blocks (call it away from the window's thread) until one request arrives, answers it with
  // `page` (UTF-8 HTML), closes the listener and returns the request's target as sent
  // ("/callback?code=..."; empty when the request line cannot be read). Connections that send
  // nothing are skipped. nullopt when `seconds` pass or Close is called first. Never throws.
  virtual std::optional<std::u16string> Wait(int seconds, std::string_view page) = 0;
  // Closes the listener, from any thread; a Wait in progress returns nullopt. Never throws.
  virtual void Close() = 0;
};

class LoopbackListeners {
 public:
  // A new listener on a port the system picks; its owner keeps it until both the thread that
  // waits and the one that may close it are done with it. Throws Failure when none can be opened.
  virtual std::unique_ptr<LoopbackListener> Open() = 0;

 protected:
  // Never deleted through this interface: each lives as long as the program or its owner.
  ~LoopbackListeners() = default;
};

// The running system's listeners; lives as long as the program.
LoopbackListeners& SystemLoopbackListeners();

}  // namespace platform
