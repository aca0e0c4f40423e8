#include "poster/secret_owner.h"

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/web/service_addresses.h"
#include "poster/web/service_settings.h"

namespace poster {

std::u16string SecretOwner::Named() const {
  std::u16string protocol =
      platform::AsciiLower(web::ReadSetting(settings_, web::kStatusProtocolSetting).text);
  const auto status = platform::ParseWebUrl(web::ServiceAddresses::Read(settings_).status.address);
  return (protocol.empty() ? u"classic" : protocol) + u' ' +
         (status ? platform::AsciiLower(platform::SpellOrigin(*status)) : u"");
}

void SecretOwner::Record(const std::u16string& server) {
  try {
    settings_.SetText(kSecretServerSetting, server);
  } catch (const platform::Failure&) {
  }
}

bool SecretOwner::MayShow(bool hasSecret) {
  owner_ = Named();
  const std::u16string recorded = web::ReadSetting(settings_, kSecretServerSetting).text;
  if (recorded.empty() && hasSecret) Record(owner_);
  return recorded.empty() || recorded == owner_;
}

bool SecretOwner::StillOwns() {
  const std::u16string named = Named();
  if (named == owner_) return true;
  owner_ = named;
  return false;
}

void SecretOwner::Bind() {
  owner_ = Named();
  if (web::ReadSetting(settings_, kSecretServerSetting).text != owner_) Record(owner_);
}

}  // namespace poster
