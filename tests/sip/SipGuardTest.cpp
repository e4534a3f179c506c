// What a SIP line lets through of the requests that start something: who may call it, how many
// requests a second one source may send, what it tells OPTIONS, and the requests it cannot
// serve as asked (extensions it lacks, an offer it could not hear, a request past 8 KB).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "providers/sip/Re.h"
#include "tests/component/TestSupport.h"
#include "tests/sip/LineHost.h"
#include "tests/sip/Peer.h"

namespace {

using sip_test::FreeUdpPort;
using sip_test::Request;

class SipGuard : public sip_test::LineHost {
 protected:
  // The whole answer to `request`, sent from the port it names (a free one when it names none).
  std::string Ask(Request request) const {
    if (request.from == 0) request.from = FreeUdpPort();
    request.to = port_;
    return sip_test::Ask(request.host, request.from, port_, sip_test::Text(request));
  }
  static std::string StatusOf(const std::string &answer) {
    return answer.substr(0, answer.find("\r\n"));
  }
  // The value of the answer's header `name`; "(none)" when it has none.
  static std::string HeaderOf(const std::string &answer, const std::string &name) {
    const size_t at = answer.find("\r\n" + name + ":");
    if (at == std::string::npos) return "(none)";
    const size_t value = answer.find_first_not_of(' ', at + name.size() + 3);
    return answer.substr(value, answer.find("\r\n", value) - value);
  }
  size_t LogCount(const std::string &text) const {
    const std::string log = component_test::ReadFile(Path("sip.log"));
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
  }
  static Request Invite(const std::string &host = "127.0.0.1", const std::string &headers = "") {
    Request request;
    request.body = sip_test::kPcmuOffer;
    request.host = host;
    request.headers = headers;
    return request;
  }
  static Request Options(const std::string &user) {
    Request request;
    request.method = "OPTIONS";
    request.user = user;
    return request;
  }
};

TEST_F(SipGuard, OptionsIsAnsweredAsAnInviteWouldBe) {
  // Devices: Desk 0 (open), Sales 1 (nobody has it open).
  Start("[line]\nname = Desk\nuser = desk\n" + Listen() + "[line]\nname = Sales\nuser = sales\n" +
            Listen(),
        {0});
  const std::string idle = Ask(Options("desk"));
  EXPECT_EQ(StatusOf(idle), "SIP/2.0 200 OK") << idle;
  EXPECT_EQ(HeaderOf(idle, "Allow"), "INVITE, ACK, BYE, CANCEL, OPTIONS, UPDATE") << idle;
  EXPECT_EQ(HeaderOf(idle, "Accept"), "application/sdp") << idle;
  EXPECT_NE(HeaderOf(idle, "Supported"), "(none)") << idle;
  EXPECT_EQ(StatusOf(Ask(Options("sales"))), "SIP/2.0 480 Temporarily Unavailable");
  EXPECT_EQ(StatusOf(Ask(Options("bob"))), "SIP/2.0 404 Not Found");
  EXPECT_EQ(Busy(2), std::vector<DWORD>{}) << "OPTIONS offers no call";
  EXPECT_EQ(StatusOf(Ask(Invite())), "SIP/2.0 180 Ringing");
  ExpectBusy(2, {0}, "after the call");
  EXPECT_EQ(StatusOf(Ask(Options("desk"))), "SIP/2.0 486 Busy Here");
}

TEST_F(SipGuard, AnUpdateOfNoCallIsAnsweredAsABye) {
  Start("[line]\nname = Desk\n" + Listen(), {0});
  EXPECT_EQ(StatusOf(Ask(Invite())), "SIP/2.0 180 Ringing");
  ExpectBusy(1, {0}, "after the call");
  Request update = Invite();
  update.method = "UPDATE";
  update.from = FreeUdpPort();
  update.to = port_;
  // In a dialog the line never made.
  std::string text = sip_test::Text(update);
  text.replace(text.find(">\r\nCall-ID"), 1, ">;tag=nobody");
  EXPECT_EQ(StatusOf(sip_test::Ask("127.0.0.1", update.from, port_, text)),
            "SIP/2.0 481 Call/Transaction Does Not Exist");
  ExpectBusy(1, {0}, "the call goes on");
}

TEST_F(SipGuard, ARequiredExtensionIsRefusedNamingWhatIsUnsupported) {
  Start("[line]\nname = Desk\n" + Listen(), {0});
  struct {
    const char *headers;
    const char *unsupported;
  } const cases[] = {
      {"Require: 100rel\r\n", "100rel"},
      {"Require: timer, x-unknown\r\n", "timer, x-unknown"},
      {"Require: 100rel\r\nRequire: precondition\r\n", "100rel, precondition"},
  };
  for (const auto &c : cases) {
    const std::string answer = Ask(Invite("127.0.0.1", c.headers));
    EXPECT_EQ(StatusOf(answer), "SIP/2.0 420 Bad Extension") << c.headers;
    EXPECT_EQ(HeaderOf(answer, "Unsupported"), c.unsupported) << c.headers;
  }
  EXPECT_EQ(Busy(1), std::vector<DWORD>{}) << "no call was offered";
  EXPECT_EQ(StatusOf(Ask(Invite("127.0.0.1", "Supported: 100rel\r\n"))), "SIP/2.0 180 Ringing")
      << "what a caller only supports is no obstacle";
}

TEST_F(SipGuard, AnOfferOnlyOverIpv6IsNotAcceptableOnAnIpv4Line) {
  Start("[line]\nname = Desk\n" + Listen(), {0});
  Request invite = Invite();
  invite.body =
      "v=0\r\no=- 1 1 IN IP6 ::1\r\ns=-\r\nc=IN IP6 ::1\r\nt=0 0\r\nm=audio 4000 RTP/AVP 0\r\n";
  EXPECT_EQ(StatusOf(Ask(invite)), "SIP/2.0 488 Not Acceptable Here");
  EXPECT_EQ(Busy(1), std::vector<DWORD>{});
}

TEST_F(SipGuard, RequestsUpToTheLargestDatagramAreRead) {
  Start("[line]\nname = Desk\nchannels = 3\n" + Listen(), {0, 1, 2});
  // Padding ahead of the media line, which a short read would lose.
  const size_t sizes[] = {9000, 30000, 64000};
  std::vector<DWORD> busy;
  for (size_t size : sizes) {
    Request invite = Invite();
    invite.body = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n";
    while (invite.body.size() < size) invite.body += "a=x-padding:" + std::string(60, 'p') + "\r\n";
    invite.body += "m=audio 4000 RTP/AVP 0\r\n";
    ASSERT_LT(sip_test::Text(invite).size(), 65507u);
    EXPECT_EQ(StatusOf(Ask(invite)), "SIP/2.0 180 Ringing") << size << " bytes of SDP";
    busy.push_back(static_cast<DWORD>(busy.size()));
    ExpectBusy(3, busy, "after a call offered in " + std::to_string(size) + " bytes of SDP");
  }
}

TEST_F(SipGuard, OnlyTheAcceptedAddressesMayCallAndRefusalsAreLoggedOnceAMinute) {
  Start("[line]\nname = Desk\naccept_from = 127.0.0.2, 192.0.2.0/24\n" + Listen(), {0});
  for (int attempt = 0; attempt < 3; ++attempt)
    EXPECT_EQ(StatusOf(Ask(Invite("127.0.0.1"))), "SIP/2.0 403 Forbidden");
  EXPECT_EQ(StatusOf(Ask(Options("desk"))), "SIP/2.0 403 Forbidden");
  EXPECT_EQ(LogCount("INVITE from 127.0.0.1 not accepted: 403 Forbidden"), 1u);
  EXPECT_EQ(Busy(1), std::vector<DWORD>{});
  EXPECT_EQ(StatusOf(Ask(Invite("127.0.0.2"))), "SIP/2.0 180 Ringing");
  ExpectBusy(1, {0}, "after the accepted call");
  // A minute later the source is told of again.
  component_test::TFastClock fast;
  phone_test::WaitUntil(
      [&] {
        EXPECT_EQ(StatusOf(Ask(Invite("127.0.0.1"))), "SIP/2.0 403 Forbidden");
        return LogCount("INVITE from 127.0.0.1 not accepted") == 2;
      },
      "the refusal to be logged again a minute later", std::chrono::seconds(5));
}

TEST_F(SipGuard, InvitesBeyondTheRateAreRefusedWithRetryAfterAndOtherRequestsDropped) {
  Start("[line]\nname = Desk\nchannels = 10\ninvite_rate = 1 3\nrequest_rate = 1 2\n" + Listen(),
        {});
  // Nobody has the line open: each INVITE within the rate is answered 480 at once.
  for (int attempt = 0; attempt < 3; ++attempt)
    EXPECT_EQ(StatusOf(Ask(Invite())), "SIP/2.0 480 Temporarily Unavailable") << attempt;
  const std::string refused = Ask(Invite());
  EXPECT_EQ(StatusOf(refused), "SIP/2.0 503 Service Unavailable");
  EXPECT_EQ(HeaderOf(refused, "Retry-After"), "1");
  EXPECT_EQ(StatusOf(Ask(Invite("127.0.0.2"))), "SIP/2.0 480 Temporarily Unavailable")
      << "another source has a bucket of its own";
  for (int attempt = 0; attempt < 2; ++attempt)
    EXPECT_EQ(StatusOf(Ask(Options("desk"))), "SIP/2.0 480 Temporarily Unavailable");
  EXPECT_EQ(Ask(Options("desk")), "") << "dropped";
  EXPECT_EQ(LogCount("OPTIONS from 127.0.0.1 beyond the rate: dropped"), 1u);
  EXPECT_EQ(LogCount("INVITE from 127.0.0.1 beyond the rate: 503 Service Unavailable"), 1u);
  // The bucket fills again with time.
  component_test::TFastClock fast;
  phone_test::WaitUntil(
      [&] { return StatusOf(Ask(Invite())) == "SIP/2.0 480 Temporarily Unavailable"; },
      "an INVITE to be taken again once the rate allows", std::chrono::seconds(5));
}

std::string NonceOf(const std::string &challenge) {
  const size_t start = challenge.find("nonce=\"") + 7;
  return challenge.substr(start, challenge.find('"', start) - start);
}

// The digest answer to `nonce`, without qop.
std::string Authorization(const std::string &nonce, const std::string &password, int port) {
  const std::string uri = "sip:desk@127.0.0.1:" + std::to_string(port);
  uint8_t ha1[MD5_SIZE];
  uint8_t ha2[MD5_SIZE];
  uint8_t response[MD5_SIZE];
  md5_printf(ha1, "desk:corvax:%s", password.c_str());
  md5_printf(ha2, "INVITE:%s", uri.c_str());
  md5_printf(response, "%w:%s:%w", ha1, sizeof ha1, nonce.c_str(), ha2, sizeof ha2);
  char text[MD5_STR_SIZE];
  re_snprintf(text, sizeof text, "%w", response, sizeof response);
  return "Authorization: Digest username=\"desk\", realm=\"corvax\", nonce=\"" + nonce +
         "\", uri=\"" + uri + "\", response=\"" + text + "\"\r\n";
}

TEST_F(SipGuard, InboundAuthenticationAdmitsOnlyTheRightPassword) {
  Start("[line]\nname = Desk\nuser = desk\npassword = s3cret\ninbound_auth = yes\n" + Listen(),
        {0});
  const std::string challenged = Ask(Invite());
  ASSERT_EQ(StatusOf(challenged), "SIP/2.0 401 Unauthorized");
  const std::string challenge = HeaderOf(challenged, "WWW-Authenticate");
  EXPECT_EQ(challenge.rfind("Digest realm=\"corvax\", nonce=\"", 0), 0u) << challenge;
  const std::string nonce = NonceOf(challenge);
  EXPECT_EQ(StatusOf(Ask(Invite("127.0.0.1", Authorization(nonce, "wrong", port_)))),
            "SIP/2.0 401 Unauthorized");
  std::string forged = nonce;
  forged.back() = forged.back() == '0' ? '1' : '0';
  EXPECT_EQ(StatusOf(Ask(Invite("127.0.0.1", Authorization(forged, "s3cret", port_)))),
            "SIP/2.0 401 Unauthorized")
      << "a nonce not of ours";
  EXPECT_EQ(Busy(1), std::vector<DWORD>{});
  EXPECT_EQ(StatusOf(Ask(Invite("127.0.0.1", Authorization(nonce, "s3cret", port_)))),
            "SIP/2.0 180 Ringing");
  ExpectBusy(1, {0}, "after the authenticated call");
}

}  // namespace
