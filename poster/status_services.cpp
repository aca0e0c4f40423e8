#include "poster/status_services.h"

#include "poster/classic/classic_service.h"
#include "poster/mastodon/mastodon_service.h"
#include "poster/web/service_settings.h"

namespace poster {

std::shared_ptr<StatusService> StatusServiceFor(const platform::Settings& settings,
                                                const web::ServiceAddresses& addresses,
                                                platform::HttpClient& http, std::uint64_t runSeed) {
  const web::StatusProtocolChoice choice = web::ReadStatusProtocol(settings);
  switch (choice.protocol) {
    case web::StatusProtocol::kMastodon:
      return std::make_shared<MastodonService>(addresses, settings.Location(), http, runSeed);
    case web::StatusProtocol::kClassic:
      break;
  }
  return std::make_shared<ClassicService>(addresses, choice.problem, http);
}

}  // namespace poster
