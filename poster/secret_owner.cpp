#include "poster/secret_owner.h"

#include <utility>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/web/service_addresses.h"
#include "poster/web/service_settings.h"

namespace poster {

std::u16string SecretOwner::Named() const {
  // The built-in address (none set) is named by the protocol alone; an address that cannot be
  // used names no origin, as nothing is sent to it.
  std::u16string named = web::ReadSetting(settings_, web::kStatusProtocolSetting).text;
  if (named.empty()) named = u"classic";
  const std::u16string address = web::ReadSetting(settings_, web::kStatusAddressSetting).text;
  if (const auto url = platform::ParseWebUrl(address)) {
    named += u' ';
    named += platform::SpellOrigin(*url);
  }
  return platform::AsciiLower(named);
}

bool SecretOwner::MayShow(bool hasSecret) {
  owner_ = Named();
  const std::u16string recorded = web::ReadSetting(settings_, kSecretServerSetting).text;
  if (recorded.empty() && hasSecret) Bind();
  return recorded.empty() || recorded == owner_;
}

bool SecretOwner::Owns() const {
  const std::u16string recorded = web::ReadSetting(settings_, kSecretServerSetting).text;
  return recorded.empty() || recorded == Named();
}

bool SecretOwner::StillOwns() {
  const std::u16string named = Named();
  return named == std::exchange(owner_, named);
}

void SecretOwner::Bind() {
  owner_ = Named();
  try {
    settings_.SetText(kSecretServerSetting, owner_);
  } catch (const platform::Failure&) {
  }
}

}  // namespace poster
