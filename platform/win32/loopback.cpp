#include "platform/loopback.h"

// winsock2.h must come before windows.h, which would pull in the older winsock.h.
#include <winsock2.h>
// Then the rest of the system's API.
#include <windows.h>

#include <atomic>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "platform/win32/system_error.h"

namespace platform::win32 {
namespace {

constexpr int kLongestRequestLine = 4096;

class Win32Listener final : public LoopbackListener {
 public:
  Win32Listener() {
    // One throw for every step that fails: WSAStartup counts its calls, so each Open may make one.
    WSADATA data;
    int error = 0;
    sockaddr_in address{};
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
      error = WSASYSNOTREADY;
    } else if ((socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) == INVALID_SOCKET) {
      error = WSAGetLastError();
    } else {
      // 127.0.0.1 only: nothing outside this computer can connect, and the firewall never asks.
      // Its bytes in network order, so no htonl import is needed.
      address.sin_family = AF_INET;
      address.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
      int size = sizeof address;
      if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
          listen(socket_, 4) != 0 ||
          getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        error = WSAGetLastError();
        Close();
      }
    }
    if (error != 0) throw SystemFailure(error);
    // The port in network order (big-endian), read without an ntohs import.
    const auto* port = reinterpret_cast<const std::uint8_t*>(&address.sin_port);
    port_ = std::uint16_t(port[0] << 8 | port[1]);
  }
  ~Win32Listener() override { Close(); }

  std::uint16_t Port() const override { return port_; }

  std::optional<std::u16string> Wait(int seconds, std::string_view page) override {
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(seconds) * 1000;
    for (ULONGLONG now; !closed_ && (now = GetTickCount64()) < deadline;) {
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(socket_, &ready);
      timeval wait{long((deadline - now) / 1000), long((deadline - now) % 1000 * 1000)};
      // Close from the window's thread makes select fail here.
      if (select(0, &ready, nullptr, nullptr, &wait) != 1 || closed_) break;
      const SOCKET client = accept(socket_, nullptr, nullptr);
      if (client == INVALID_SOCKET) break;
      std::optional<std::u16string> target = Answer(client, page);
      closesocket(client);
      // A browser may open a connection ahead and send nothing on it.
      if (target) {
        Close();
        return target;
      }
    }
    Close();
    return std::nullopt;
  }

  void Close() override {
    if (!closed_.exchange(true)) closesocket(socket_);
  }

 private:
  // The target of the request line, after answering with `page`; nullopt when nothing came.
  static std::optional<std::u16string> Answer(SOCKET client, std::string_view page) {
    const DWORD timeout = 10000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    // One fixed buffer: the request line is all Lumora reads of the request.
    char line[kLongestRequestLine];
    int size = 0;
    while (size < kLongestRequestLine) {
      const int got = recv(client, line + size, kLongestRequestLine - size, 0);
      if (got <= 0) break;
      size += got;
      if (std::string_view(line, size).find("\r\n") != std::string_view::npos) break;
    }
    if (size == 0) return std::nullopt;
    // The body ends where the connection does: no length to compute.
    static constexpr char kHead[] =
        "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
        "Connection: close\r\n\r\n";
    send(client, kHead, sizeof kHead - 1, 0);
    send(client, page.data(), int(page.size()), 0);
    shutdown(client, SD_SEND);
    std::u16string target;
    if (std::string_view(line, size).starts_with("GET ")) {
      for (int i = 4; i < size && line[i] > ' ' && line[i] <= '~'; ++i) target += char16_t(line[i]);
    }
    return target;
  }

  SOCKET socket_;
  std::uint16_t port_ = 0;
  std::atomic<bool> closed_{false};
};

class Win32Listeners final : public LoopbackListeners {
 public:
  std::unique_ptr<LoopbackListener> Open() override { return std::make_unique<Win32Listener>(); }
};

}  // namespace
}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32Listeners listeners;
}  // namespace

LoopbackListeners& SystemLoopbackListeners() {
  return listeners;
}

}  // namespace platform
