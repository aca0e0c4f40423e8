#include "platform/fake/fake_http.h"

#include "platform/common/reply_text.h"

namespace platform::fake {
namespace {

class FakeHttpRequest : public HttpRequest {
 public:
  FakeHttpRequest(FakeHttpClient& client, std::size_t index, HttpScript script)
      : client_(client), index_(index), script_(std::move(script)) {
    ++client_.alive;
  }
  ~FakeHttpRequest() override {
    Record({"Release", {}, {}});
    --client_.alive;
  }
  void Open(const std::u16string& method, const std::u16string& url,
            const std::optional<std::u16string>& user,
            const std::optional<std::u16string>& password) override {
    std::vector<std::u16string> args{method, url};
    if (user) args.push_back(*user);
    if (password) args.push_back(*password);
    Record({"Open", args, {}});
    if (script_.failOnOpen) throw *script_.failOnOpen;
  }
  void SetRequestHeader(const std::u16string& name, const std::u16string& value) override {
    Record({"SetRequestHeader", {name, value}, {}});
  }
  void Send(const std::vector<std::uint8_t>& body) override {
    Record({"Send", {}, body});
    if (client_.duringSend) client_.duringSend();
    if (script_.failOnSend) throw *script_.failOnSend;
    sent_ = true;
  }
  std::u16string ResponseText() override {
    Record({"ResponseText", {}, {}});
    return script_.response;
  }
  int Status() override {
    Record({"Status", {}, {}});
    return sent_ ? script_.status : 0;
  }
  std::u16string ResponseHeader(const std::u16string& name) override {
    Record({"ResponseHeader", {name}, {}});
    return sent_ ? HeaderValue(script_.rawHeaders, name) : u"";
  }

 private:
  void Record(HttpCall call) { client_.calls[index_].push_back(std::move(call)); }
  FakeHttpClient& client_;
  std::size_t index_;
  HttpScript script_;
  bool sent_ = false;
};

}  // namespace

std::unique_ptr<HttpRequest> FakeHttpClient::CreateRequest() {
  if (failOnCreate) throw *failOnCreate;
  HttpScript script;
  if (!scripts.empty()) {
    script = scripts.front();
    scripts.pop_front();
  }
  calls.emplace_back();
  return std::make_unique<FakeHttpRequest>(*this, calls.size() - 1, std::move(script));
}

}  // namespace platform::fake
