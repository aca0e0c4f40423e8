// Which server the stored password or token was made for, so that it never goes to another.
#pragma once

#include <string>

#include "platform/settings.h"

namespace poster {

// The protocol and origin the stored secret belongs to, kept beside the settings (it is no
// secret), as "<protocol> <scheme>://<host>:<port>/" in lower case; the protocol alone for the
// built-in address.
inline constexpr char16_t kSecretServerSetting[] = u"SecretServer";

class SecretOwner {
 public:
  // `settings` outlives this object.
  explicit SecretOwner(platform::Settings& settings) : settings_(settings) {}

  // At start-up: whether the stored secret may be shown for the server the settings now name.
  // A secret stored before servers were recorded is taken as made for it, and recorded so
  // when `hasSecret`; one recorded for another server is not. Never throws.
  bool MayShow(bool hasSecret);
  // After the settings changed: whether the password box still belongs to the server they name.
  // When not, the box's next text is the new server's.
  bool StillOwns();
  // Whether the stored secret was recorded for the server the settings now name (or was never
  // recorded). Never throws.
  bool Owns() const;
  // At SEND, once a non-empty secret is stored: records the server now named as its owner.
  // A failed write is no error: the secret is then not shown for a server that differs.
  void Bind();

 private:
  std::u16string Named() const;

  platform::Settings& settings_;
  std::u16string owner_;
};

}  // namespace poster
