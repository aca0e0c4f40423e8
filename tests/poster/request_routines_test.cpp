#include <stdexcept>
#include <string>
#include <vector>

#include "platform/common/failure.h"
#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

using platform::fake::HttpCall;
using FormPost = LumoraTest;

std::vector<std::string> Names(const std::vector<HttpCall>& calls) {
  std::vector<std::string> names;
  for (const auto& call : calls) names.push_back(call.name);
  return names;
}

TEST_F(FormPost, AddressWithoutQuestionMarkMakesNoRequest) {
  EXPECT_EQ(Main().PostURLSource(u"abc"), u"");
  EXPECT_EQ(Main().CredentialPostURLSource(u"abc", u"u", u"p"), u"");
  EXPECT_TRUE(http.calls.empty());
}

TEST_F(FormPost, SplitsAtTheFirstQuestionMarkAndSendsTheRestByteForByte) {
  http.scripts.push_back({u"the reply"});
  EXPECT_EQ(Main().PostURLSource(u"A?status=a&b c+d%?x"), u"the reply");
  ASSERT_EQ(http.calls.size(), 1u);
  const auto& calls = http.calls[0];
  EXPECT_EQ(Names(calls), (std::vector<std::string>{"Open", "SetRequestHeader", "Send",
                                                    "ResponseText", "Release"}));
  EXPECT_EQ(calls[0].args, (std::vector<std::u16string>{u"POST", u"A"}));
  const std::string sent(calls[2].body.begin(), calls[2].body.end());
  EXPECT_EQ(sent, "status=a&b c+d%?x");
  EXPECT_EQ(http.alive, 0);
}

TEST_F(FormPost, ContentTypeIsTheFormTypeAndNothingMore) {
  Main().PostURLSource(u"A?x=1");
  const auto& header = http.calls[0][1];
  EXPECT_EQ(header.args,
            (std::vector<std::u16string>{u"Content-Type", u"application/x-www-form-urlencoded"}));
}

TEST_F(FormPost, CredentialsAreTheFourthAndFifthArgumentsOfOpen) {
  Main().CredentialPostURLSource(u"http://h/p?q", u"the user", u"the pass");
  EXPECT_EQ(http.calls[0][0].args,
            (std::vector<std::u16string>{u"POST", u"http://h/p", u"the user", u"the pass"}));
}

TEST_F(FormPost, EachCodeUnitIsOneAnsiByte) {
  std::vector<std::uint8_t> bytes{9, 9, 9};
  Main().BuildPostData(bytes, u"\u00E9\U0001F600z");
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xE9, '?', '?', 'z'}));
  Main().BuildPostData(bytes, u"");
  EXPECT_EQ(bytes.size(), 4u) << "an empty body leaves the array untouched";
}

TEST_F(FormPost, ACharacterOfTwoAnsiBytesOverflowsBeforeAnyObjectExists) {
  ansi.doubleByte = u"\u4E2D";
  try {
    Main().PostURLSource(u"A?x=\u4E2D");
    ADD_FAILURE() << "a character outside the code page was sent";
  } catch (const platform::ProgramError& error) {
    EXPECT_EQ(error.GetKind(), platform::ProgramError::Kind::kOverflow);
  }
  EXPECT_TRUE(http.calls.empty());
}

TEST_F(FormPost, TwoRequestsUseTwoObjectsAndReleaseBoth) {
  http.scripts.push_back({u"first"});
  http.scripts.push_back({u"second"});
  EXPECT_EQ(Main().PostURLSource(u"A?1"), u"first");
  EXPECT_EQ(Main().PostURLSource(u"B?2"), u"second");
  ASSERT_EQ(http.calls.size(), 2u);
  EXPECT_EQ(http.calls[1][0].args[1], u"B");
  EXPECT_EQ(http.calls[1].back().name, "Release");
  EXPECT_EQ(http.alive, 0);
}

TEST_F(FormPost, ATransportFailurePassesOnAndStillReleasesTheObject) {
  http.scripts.push_back({u"", platform::Failure(12029, u"refused")});
  try {
    Main().PostURLSource(u"A?x");
    FAIL() << "expected the failure to pass on";
  } catch (const platform::Failure& failure) {
    EXPECT_EQ(failure.Code(), 12029u);
  }
  EXPECT_EQ(Names(http.calls[0]),
            (std::vector<std::string>{"Open", "SetRequestHeader", "Send", "Release"}));
  EXPECT_EQ(http.alive, 0);
}

}  // namespace
}  // namespace poster::testing
