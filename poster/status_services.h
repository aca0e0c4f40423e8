// The one place that knows every status service: picks the one the settings name.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/http.h"
#include "platform/settings.h"
#include "poster/status_service.h"
#include "poster/web/service_addresses.h"

namespace poster {

// The service the StatusProtocol setting names, posting to `addresses` through `http`; the
// classic one when the setting is absent, and also, holding the "Whoops!" text that names the
// setting, when it cannot be read or names no protocol this program knows. `runSeed` tells
// this run's requests from another run's; the clock, the environment and the secret store are
// there for the services that ask them. Never throws.
std::unique_ptr<StatusService> StatusServiceFor(const platform::Settings& settings,
                                                const web::ServiceAddresses& addresses,
                                                platform::HttpClient& http, RunSeed& runSeed,
                                                platform::Clock& clock,
                                                platform::Environment& environment,
                                                platform::SecretStore& secrets);

}  // namespace poster
