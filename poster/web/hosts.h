// The hosts of the two services Lumora talks to; fixed when the program is built.
#pragma once

#include <string>

namespace poster::web {

struct Hosts {
  std::u16string statusHost;     // status-update endpoint, plain HTTP
  std::u16string statusDomain;   // named in the failure message
  std::u16string sightlinkHost;  // link-shortening endpoint, plain HTTP

  // The values this build was configured with.
  static Hosts Built();
};

}  // namespace poster::web
