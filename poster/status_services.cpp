#include "poster/status_services.h"

#include <string_view>
#include <utility>

#include "platform/common/text.h"
#include "poster/bluesky/bluesky_service.h"
#include "poster/classic/classic_service.h"
#include "poster/mastodon/mastodon_service.h"
#include "poster/web/service_settings.h"

namespace poster {
namespace {

template <typename Service>
std::unique_ptr<StatusService> Make(const StatusServiceParts& parts) {
  return std::make_unique<Service>(parts);
}

struct KnownService {
  std::u16string_view protocol;  // the StatusProtocol value that chooses it, in lower case
  std::unique_ptr<StatusService> (*make)(const StatusServiceParts& parts);
};

// Every status service; the first is the one an absent or empty setting chooses.
constexpr KnownService kServices[] = {
    {u"", Make<ClassicService>},
    {u"mastodon", Make<MastodonService>},
    {web::kBlueskyProtocol, Make<BlueskyService>},
};

}  // namespace

std::unique_ptr<StatusService> StatusServiceFor(const platform::Settings& settings,
                                                const web::ServiceAddresses& addresses,
                                                platform::HttpClient& http, RunSeed& runSeed,
                                                platform::Clock& clock,
                                                platform::Environment& environment,
                                                platform::SecretStore& secrets) {
  const std::u16string location = settings.Location();
  StatusServiceParts parts{addresses, location, http, runSeed, clock, environment, secrets, {}};
  const web::SettingText protocol = web::ReadSetting(settings, web::kStatusProtocolSetting);
  if (protocol.unreadable.empty()) {
    for (const KnownService& known : kServices) {
      if (platform::AsciiLower(protocol.text) == known.protocol) return known.make(parts);
    }
  }
  parts.settingsProblem = web::StatusProtocolProblem(settings, protocol);
  return kServices[0].make(parts);
}

}  // namespace poster
