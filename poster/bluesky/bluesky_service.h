// Bluesky behind the window: the handle and app password, the count in graphemes and bytes, and
// the post as a record in the user's repository on their server (PDS).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "poster/bluesky/bluesky_client.h"
#include "poster/status_service.h"

namespace poster {

class BlueskyService : public StatusService {
 public:
  // Posts to the PDS at the status address; with none set, to the handle's own PDS, found
  // through the entryway at the first send.
  explicit BlueskyService(const StatusServiceParts& parts);

  std::u16string Intake(std::u16string_view raw, bool fromLink) const override;
  CounterLook Counter(std::u16string_view text) const override;
  std::optional<Notice> Refusal(const PostInput& input) override;
  std::optional<Notice> Question(const PostInput& input) const override;
  SendOutcome Send(const PostInput& input) override;
  SendOutcome Unsent(const PostInput& input, const platform::Failure& failure) override;

 private:
  // Signs in when there is no session yet (the kept refresh token first, else the app
  // password); the box that says why not when that fails.
  std::optional<Notice> SignIn(web::WebExchange& exchange, const PostInput& input);
  // Takes a fresh session: kept in memory, its refresh token in the secret store.
  void Adopt(web::BlueskySession session);
  // A new session from the refresh token after the access token expired; the box that asks the
  // user to sign in again when it is refused.
  std::optional<Notice> Renew(web::WebExchange& exchange);
  void ForgetSession();
  // Whether this run holds a session for `handle` (as Handle gives it).
  bool SignedInAs(std::u16string_view handle) const;
  // The secret store's name for the session of `handle` (lower case) with this server.
  std::u16string Target(std::u16string_view handle) const;
  // The record key for `status`: a new one for a text other than the last.
  const std::u16string& KeyFor(const std::u16string& status);
  SendOutcome Verdict(const web::WebReply& reply) const;

  std::u16string server_;  // the status address; empty for the entryway, which finds the PDS
  std::u16string pds_;     // where the session lives, once signed in
  std::u16string name_;
  std::u16string target_;  // where the secret store keeps this handle's session on this PDS
  web::BlueskySession session_;
  std::u16string keyText_;  // the text the record key was chosen for
  std::u16string key_;
  std::u16string maybeSent_;  // the text of a post that may have arrived unanswered
  std::uint64_t lastMicroseconds_ = 0;
  platform::HttpClient& http_;
  RunSeed& runSeed_;
  platform::Clock& clock_;
  platform::Environment& environment_;
  platform::SecretStore& secrets_;
};

}  // namespace poster
