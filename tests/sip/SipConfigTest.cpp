// The SIP provider's configuration file, and how a configuration that cannot serve reaches the
// host: lineInitializeExA fails with the fitting LINEERR_, the reason is in the provider's log,
// and no password is ever written there.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <fstream>

#include "platform/tapi32/tapi.h"
#include "providers/sip/RequestScreen.h"
#include "providers/sip/SipConfig.h"
#include "providers/sip/SipProvider.h"
#include "tests/component/TestSupport.h"
#include "tests/sip/Peer.h"

namespace {

using sipnet::Codec;
using sipnet::ConfigError;
using sipnet::ParseConfig;

TEST(SipConfig, ALineWithEverySettingIsRead) {
  const auto config = ParseConfig(
      "# the front desk\nlog = /tmp/x.log\n\n[line]\n name = Front Desk \nlisten = "
      "127.0.0.1:5062\ncodecs = PCMA\nregistrar = sip:pbx.example.com\nuser = desk\npassword = "
      "p=w\nchannels = 12\n[line]\nname = Back\nlisten = [::1]:5063\n",
      "t.conf");
  EXPECT_EQ(config.log, "/tmp/x.log");
  ASSERT_EQ(config.lines.size(), 2u);
  EXPECT_EQ(config.lines[0].name, "Front Desk");
  EXPECT_EQ(config.lines[0].listen, "127.0.0.1:5062");
  EXPECT_EQ(config.lines[0].codecs, std::vector<Codec>{Codec::Pcma});
  EXPECT_EQ(config.lines[0].registrar, "sip:pbx.example.com");
  EXPECT_EQ(config.lines[0].user, "desk");
  EXPECT_EQ(config.lines[0].password, "p=w");
  EXPECT_EQ(config.lines[0].channels, 12u);
  EXPECT_TRUE(config.lines[0].userGiven);
  EXPECT_EQ(config.lines[1].listen, "[::1]:5063");
  EXPECT_EQ(config.lines[1].codecs, (std::vector<Codec>{Codec::Pcmu, Codec::Pcma}));
  EXPECT_EQ(config.lines[1].registrar, "");
  EXPECT_EQ(config.lines[1].channels, 1u);
  EXPECT_FALSE(config.lines[1].userGiven);
}

TEST(SipConfig, LinesShareAnAddressWhenEachCallHasOneLineToGoTo) {
  const auto config = ParseConfig(
      "[line]\nname = Desk\nlisten = 127.0.0.1:5060\nuser = desk\n"
      "[line]\nname = Sales\nlisten = 127.0.0.1:5060\nuser = sales\nchannels = 4\n"
      "[line]\nname = Rest\nlisten = 127.0.0.1:5060\n"
      "[line]\nname = Desk Too\nlisten = 127.0.0.1:5061\nuser = desk\n",
      "t.conf");
  ASSERT_EQ(config.lines.size(), 4u);
  EXPECT_TRUE(sipnet::SameAddress(config.lines[0].listen, config.lines[2].listen));
  EXPECT_FALSE(sipnet::SameAddress(config.lines[0].listen, config.lines[3].listen));
  EXPECT_TRUE(sipnet::SameAddress("[::1]:5060", "[0:0::1]:5060"));
}

struct TBadConfig {
  const char *text;
  const char *error;
};

class SipConfigErrors : public ::testing::TestWithParam<TBadConfig> {};

TEST_P(SipConfigErrors, SayWhatIsWrongAndWhere) {
  try {
    ParseConfig(GetParam().text, "t.conf");
    FAIL() << "accepted";
  } catch (const ConfigError &error) {
    EXPECT_STREQ(error.what(), GetParam().error);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SipConfigErrors,
    ::testing::Values(
        TBadConfig{"", "t.conf: no [line] is configured"},
        TBadConfig{"colour = blue\n", "t.conf:1: unknown key 'colour' before any [line]"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:5060\nport = 7\n",
                   "t.conf:4: unknown key 'port'"},
        TBadConfig{"[line]\nname = A\nlisten = localhost\n",
                   "t.conf:3: bad address 'localhost' (host:port, e.g. 127.0.0.1:5060)"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:0\n",
                   "t.conf:3: bad port in '127.0.0.1:0' (1 to 65535)"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:99999\n",
                   "t.conf:3: bad port in '127.0.0.1:99999' (1 to 65535)"},
        TBadConfig{"[line]\nlisten = 127.0.0.1:65536\n",
                   "t.conf:2: bad port in '127.0.0.1:65536' (1 to 65535)"},
        TBadConfig{"[line]\nlisten = [::1]:4294967297\n",
                   "t.conf:2: bad port in '[::1]:4294967297' (1 to 65535)"},
        TBadConfig{"[line]\nlisten = 127.0.0.1:-5\n",
                   "t.conf:2: bad port in '127.0.0.1:-5' (1 to 65535)"},
        TBadConfig{"[line]\nlisten = 127.0.0.1:50x\n",
                   "t.conf:2: bad port in '127.0.0.1:50x' (1 to 65535)"},
        TBadConfig{"[line]\nlisten = 127.0.0.1:\n",
                   "t.conf:2: bad port in '127.0.0.1:' (1 to 65535)"},
        TBadConfig{"[line]\nlisten = 192.0.2.1:506 = 192.0.2.1:506\n",
                   "t.conf:2: bad address '192.0.2.1:506 = 192.0.2.1:506' (host:port, e.g. "
                   "127.0.0.1:5060)"},
        TBadConfig{"[line]\nlisten = ::1:5060\n",
                   "t.conf:2: bad address '::1:5060' (host:port, e.g. 127.0.0.1:5060)"},
        TBadConfig{"[line]\nlisten = [::1]\n",
                   "t.conf:2: bad address '[::1]' (host:port, e.g. 127.0.0.1:5060)"},
        TBadConfig{"[line]\nlisten = 300.0.0.1:5060\n",
                   "t.conf:2: bad address '300.0.0.1:5060' (host:port, e.g. 127.0.0.1:5060)"},
        TBadConfig{"[line]\nlisten = pbx.example.com:5060\n",
                   "t.conf:2: bad address 'pbx.example.com:5060' (host:port, e.g. "
                   "127.0.0.1:5060)"},
        TBadConfig{"[line]\nlisten = 0.0.0.0:5060\n",
                   "t.conf:2: '0.0.0.0:5060' is every address, not one (name the one peers "
                   "reach, e.g. 127.0.0.1:5060)"},
        TBadConfig{"[line]\nlisten = [::]:5060\n",
                   "t.conf:2: '[::]:5060' is every address, not one (name the one peers reach, "
                   "e.g. 127.0.0.1:5060)"},
        TBadConfig{"[line]\nchannels = 0\n", "t.conf:2: bad channels '0' (1 to 1000)"},
        TBadConfig{"[line]\nchannels = 1001\n", "t.conf:2: bad channels '1001' (1 to 1000)"},
        TBadConfig{"[line]\nchannels = -2\n", "t.conf:2: bad channels '-2' (1 to 1000)"},
        TBadConfig{"[line]\nchannels = 4 lines\n", "t.conf:2: bad channels '4 lines' (1 to 1000)"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:5060\nuser = desk\n\n"
                   "[line]\nname = B\nlisten = 127.0.0.1:05060\nuser = desk\n",
                   "t.conf:6: user 'desk' on 127.0.0.1:05060 belongs to the line at line 1 "
                   "already (for several devices of one number, set 'channels')"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:5060\n[line]\nname = B\nlisten = "
                   "127.0.0.1:5061\n[line]\nname = C\nlisten = 127.0.0.1:5060\n",
                   "t.conf:7: a second line without a 'user' on 127.0.0.1:5060 (the line at "
                   "line 1 takes the calls no user matches)"},
        TBadConfig{"[line]\nname = A\n", "t.conf:1: the line has no 'listen' address"},
        TBadConfig{"[line]\nlisten = 127.0.0.1:5060\n[line]\n", "t.conf:1: the line has no 'name'"},
        TBadConfig{"[line]\ncodecs = PCMU G729\n",
                   "t.conf:2: unknown codec 'G729' (PCMU and PCMA are known)"},
        TBadConfig{"[line]\ncodecs =\n", "t.conf:2: no codec given"},
        TBadConfig{"[line]\nregistrar = pbx.example.com\n",
                   "t.conf:2: bad registrar 'pbx.example.com' (a sip: URI)"},
        TBadConfig{"[line]\nname\n", "t.conf:2: expected 'key = value' or '[line]'"}));

INSTANTIATE_TEST_SUITE_P(
    WhoMayCall, SipConfigErrors,
    ::testing::Values(
        TBadConfig{"[line]\naccept_from = 192.0.2.0/33\n",
                   "t.conf:2: bad network '192.0.2.0/33' (an address, a network such as "
                   "192.0.2.0/24 or 2001:db8::/32, or any)"},
        TBadConfig{"[line]\naccept_from = 192.0.2.0/24, pbx.example.com\n",
                   "t.conf:2: bad network 'pbx.example.com' (an address, a network such as "
                   "192.0.2.0/24 or 2001:db8::/32, or any)"},
        TBadConfig{"[line]\naccept_from = 2001:db8::/\n",
                   "t.conf:2: bad network '2001:db8::/' (an address, a network such as "
                   "192.0.2.0/24 or 2001:db8::/32, or any)"},
        TBadConfig{"[line]\naccept_from = 10.0.0.0/-8\n",
                   "t.conf:2: bad network '10.0.0.0/-8' (an address, a network such as "
                   "192.0.2.0/24 or 2001:db8::/32, or any)"},
        TBadConfig{"[line]\naccept_from =\n", "t.conf:2: no address or network given (or any)"},
        TBadConfig{"[line]\ninvite_rate = 0\n",
                   "t.conf:2: bad invite_rate '0' (requests a second, 1 to 1000000, then "
                   "optionally a burst no smaller than it)"},
        TBadConfig{"[line]\ninvite_rate = 10 5\n",
                   "t.conf:2: bad invite_rate '10 5' (requests a second, 1 to 1000000, then "
                   "optionally a burst no smaller than it)"},
        TBadConfig{"[line]\nrequest_rate = fast\n",
                   "t.conf:2: bad request_rate 'fast' (requests a second, 1 to 1000000, then "
                   "optionally a burst no smaller than it)"},
        TBadConfig{"[line]\ninbound_auth = maybe\n",
                   "t.conf:2: bad inbound_auth 'maybe' (yes or no)"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:5060\nuser = desk\ninbound_auth = yes\n",
                   "t.conf:1: 'inbound_auth = yes' needs the line's 'user' and 'password'"}));

TEST(SipConfig, WhoMayCallAndHowOftenAreRead) {
  const auto config = ParseConfig(
      "[line]\nname = A\nlisten = 127.0.0.1:5060\nuser = desk\npassword = pw\n"
      "accept_from = 192.0.2.77/24, 2001:db8::/32 127.0.0.2\ninbound_auth = yes\n"
      "invite_rate = 5\nrequest_rate = 7 70\n"
      "[line]\nname = B\nlisten = 127.0.0.1:5061\nregistrar = sip:127.0.0.3:5070\n"
      "[line]\nname = C\nlisten = 127.0.0.1:5062\n"
      "[line]\nname = D\nlisten = 127.0.0.1:5063\nregistrar = sip:127.0.0.3\naccept_from = any\n",
      "t.conf");
  ASSERT_EQ(config.lines.size(), 4u);
  const sipnet::LineConfig &a = config.lines[0];
  EXPECT_TRUE(a.inboundAuth);
  EXPECT_EQ(a.inviteRate.perSecond, 5);
  EXPECT_EQ(a.inviteRate.burst, 10) << "twice the rate when not given";
  EXPECT_EQ(a.requestRate.perSecond, 7);
  EXPECT_EQ(a.requestRate.burst, 70);
  EXPECT_EQ(config.lines[1].inviteRate.perSecond, 10) << "the default";
  EXPECT_EQ(config.lines[1].inviteRate.burst, 20);
  const auto from = [](const std::string &address) {
    struct sa source;
    EXPECT_EQ(sa_set_str(&source, address.c_str(), 5060), 0) << address;
    return source;
  };
  struct {
    size_t line;
    const char *source;
    bool allowed;
  } const cases[] = {
      {0, "192.0.2.1", true},     {0, "192.0.2.255", true},  {0, "192.0.3.1", false},
      {0, "2001:db8:1::5", true}, {0, "2001:db9::5", false}, {0, "127.0.0.2", true},
      {0, "127.0.0.1", false},    {1, "127.0.0.3", true},    {1, "127.0.0.1", false},
      {2, "198.51.100.9", true},  {2, "::1", true},          {3, "198.51.100.9", true},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(sipnet::Contains(sipnet::AllowedSources(config.lines[c.line]), from(c.source)),
              c.allowed)
        << "line " << c.line << " from " << c.source;
  }
}

TEST(SipConfig, ASecureLineIsRead) {
  const component_test::TScratchFolder folder;
  const std::string pem = folder.Path("desk.pem").string();
  std::ofstream(pem) << "-----BEGIN CERTIFICATE-----\n";
  const auto config = ParseConfig(
      "[line]\nname = Desk\nlisten = 127.0.0.1:5061\ntransport = "
      "tls\ntls_cert = " +
          pem + "\ntls_key = " + pem + "\ntls_ca = " + pem +
          "\ntls_verify = no\nmedia_encryption = srtp-mandatory\n"
          "public_address = 203.0.113.7\n"
          "[line]\nname = Plain\nlisten = 127.0.0.1:5062\n",
      "t.conf");
  ASSERT_EQ(config.lines.size(), 2u);
  const sipnet::LineConfig &secure = config.lines[0];
  EXPECT_EQ(secure.transport, sipnet::Transport::Tls);
  EXPECT_EQ(secure.tlsCert, pem);
  EXPECT_EQ(secure.tlsKey, pem);
  EXPECT_EQ(secure.tlsCa, pem);
  EXPECT_FALSE(secure.tlsVerify);
  EXPECT_EQ(secure.mediaEncryption, sipnet::MediaEncryption::SrtpMandatory);
  EXPECT_EQ(secure.publicAddress, "203.0.113.7");
  const sipnet::LineConfig &plain = config.lines[1];
  EXPECT_EQ(plain.transport, sipnet::Transport::Udp);
  EXPECT_TRUE(plain.tlsVerify);
  EXPECT_EQ(plain.mediaEncryption, sipnet::MediaEncryption::None);
  EXPECT_EQ(plain.publicAddress, "");
}

// The security keys' mistakes, at the line of the key that makes them; @PEM@ stands for a
// readable PEM file.
class SipSecureConfigErrors : public ::testing::TestWithParam<TBadConfig> {};

TEST_P(SipSecureConfigErrors, SayWhatIsWrongAndWhere) {
  const component_test::TScratchFolder folder;
  const std::string pem = folder.Path("desk.pem").string();
  std::ofstream(pem) << "-----BEGIN CERTIFICATE-----\n";
  std::ofstream(folder.Path("empty.pem").string());
  std::string text = GetParam().text;
  for (size_t at; (at = text.find("@PEM@")) != std::string::npos;) text.replace(at, 5, pem);
  for (size_t at; (at = text.find("@DIR@")) != std::string::npos;)
    text.replace(at, 5, folder.Path("").string());
  std::string expected = GetParam().error;
  for (size_t at; (at = expected.find("@DIR@")) != std::string::npos;)
    expected.replace(at, 5, folder.Path("").string());
  try {
    ParseConfig(text, "t.conf");
    FAIL() << "accepted";
  } catch (const ConfigError &error) {
    EXPECT_EQ(error.what(), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SipSecureConfigErrors,
    ::testing::Values(
        TBadConfig{"[line]\ntransport = sctp\n",
                   "t.conf:2: unknown transport 'sctp' (udp, tcp or tls)"},
        TBadConfig{"[line]\ntransport = TLS\n",
                   "t.conf:2: unknown transport 'TLS' (udp, tcp or tls)"},
        TBadConfig{"[line]\nmedia_encryption = zrtp\n",
                   "t.conf:2: unknown media_encryption 'zrtp' (none, srtp or srtp-mandatory)"},
        TBadConfig{"[line]\ntls_verify = maybe\n", "t.conf:2: bad tls_verify 'maybe' (yes or no)"},
        TBadConfig{"[line]\ntls_cert = @DIR@missing.crt\n",
                   "t.conf:2: tls_cert '@DIR@missing.crt' cannot be read"},
        TBadConfig{"[line]\ntls_key = @DIR@\n", "t.conf:2: tls_key '@DIR@' cannot be read"},
        TBadConfig{"[line]\ntls_ca = @DIR@empty.pem\n",
                   "t.conf:2: tls_ca '@DIR@empty.pem' cannot be read"},
        TBadConfig{"[line]\ntls_key =\n", "t.conf:2: no file given for tls_key"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:5060\nmedia_encryption = srtp\n",
                   "t.conf:4: media_encryption needs 'transport = tls' (the keys would travel "
                   "in the clear)"},
        TBadConfig{"[line]\nname = A\nmedia_encryption = srtp-mandatory\nlisten = "
                   "127.0.0.1:5060\ntransport = tcp\n",
                   "t.conf:3: media_encryption needs 'transport = tls' (the keys would travel "
                   "in the clear)"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:5060\ntransport = tls\ntls_cert = "
                   "@PEM@\n",
                   "t.conf:4: 'transport = tls' needs 'tls_cert' and 'tls_key'"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:5060\ntransport = tcp\ntls_ca = "
                   "@PEM@\n",
                   "t.conf:5: tls_ca is for 'transport = tls'"},
        TBadConfig{"[line]\npublic_address = nat.example.com\n",
                   "t.conf:2: bad public_address 'nat.example.com' (one numeric address, e.g. "
                   "203.0.113.7)"},
        TBadConfig{"[line]\npublic_address = 203.0.113.7:5060\n",
                   "t.conf:2: bad public_address '203.0.113.7:5060' (one numeric address, e.g. "
                   "203.0.113.7)"},
        TBadConfig{"[line]\npublic_address = 0.0.0.0\n",
                   "t.conf:2: bad public_address '0.0.0.0' (one numeric address, e.g. "
                   "203.0.113.7)"},
        TBadConfig{"[line]\nname = A\nlisten = 127.0.0.1:5060\nuser = a\n[line]\nname = "
                   "B\nlisten = 127.0.0.1:5060\nuser = b\ntransport = tcp\n",
                   "t.conf:5: another transport on 127.0.0.1:5060 than the line at line 1's "
                   "(lines sharing an address share its transport)"}));

// A provider started from a configuration file, installed as the tests' provider.
class SipStart : public ::testing::Test {
 protected:
  std::string Path(const std::string &name) const { return folder_.Path(name).string(); }
  std::string LogText() const { return component_test::ReadFile(Path("sip.log")); }
  void Write(const std::string &text) { std::ofstream(Path("sip.conf")) << text; }

  // Starts the provider, initialises an application and, when `open`, opens line 0; the first
  // failure's code, or 0.
  LONG Initialize(bool open = false) {
    sipnet::SipProvider provider(Path("sip.conf"));
    provider.Install();
    HLINEAPP app = 0;
    DWORD devices = 0;
    DWORD version = 0x00020000;
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    LONG result = lineInitializeExA(&app, 0, nullptr, "test", &devices, &version, &params);
    if (result != 0) return result;
    HLINE line = 0;
    if (open) {
      result = lineOpenA(app, 0, &line, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
                         LINEMEDIAMODE_INTERACTIVEVOICE, nullptr);
    }
    if (result == 0 && open) lineClose(line);
    lineShutdown(app);
    return result;
  }

  // A line registered with a sipp registrar of `scenario`, as user desk.
  LONG OpenRegistered(const std::string &scenario, const std::string &password) {
    const int registrar = sip_test::FreeUdpPort();
    sip_test::Peer peer(
        sip_test::Sipp(scenario, "127.0.0.1:" + std::to_string(registrar), registrar, 20),
        folder_.Path(""), scenario);
    Write("log = " + Path("sip.log") +
          "\n[line]\nname = Desk\nlisten = 127.0.0.1:" + std::to_string(sip_test::FreeUdpPort()) +
          "\nregistrar = sip:127.0.0.1:" + std::to_string(registrar) +
          "\nuser = desk\npassword = " + password + "\n");
    const LONG result = Initialize(true);
    EXPECT_EQ(peer.Wait(), 0) << peer.Output();
    EXPECT_EQ(LogText().find(password), std::string::npos) << LogText();
    return result;
  }

  component_test::TScratchFolder folder_;
};

TEST_F(SipStart, AConfigurationThatCannotBeReadFailsInitialization) {
  // The log itself is named in the file that is missing: the reason goes to standard error.
  testing::internal::CaptureStderr();
  EXPECT_EQ(Initialize(), LINEERR_INIFILECORRUPT);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(Path("sip.conf") + ": cannot be read"),
            std::string::npos);
}

TEST_F(SipStart, AnUnknownKeyFailsInitializationWithItsLineInTheLog) {
  Write("log = " + Path("sip.log") +
        "\n[line]\nname = A\nlisten = 127.0.0.1:5060\ncolour = blue\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(Initialize(), LINEERR_INIFILECORRUPT);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(":5: unknown key 'colour'"),
            std::string::npos);
}

TEST_F(SipStart, ATlsLineWhoseFilesHoldNoCertificateFailsInitializationAndTheLogSaysWhy) {
  std::ofstream(Path("line.crt")) << "not a certificate\n";
  std::ofstream(Path("line.key")) << "not a key\n";
  Write("log = " + Path("sip.log") +
        "\n[line]\nname = A\nlisten = 127.0.0.1:" + std::to_string(sip_test::FreeUdpPort()) +
        "\ntransport = tls\ntls_cert = " + Path("line.crt") + "\ntls_key = " + Path("line.key") +
        "\n");
  EXPECT_EQ(Initialize(), LINEERR_INIFILECORRUPT);
  EXPECT_NE(LogText().find("line 'A': tls_cert '" + Path("line.crt") + "' and tls_key '" +
                           Path("line.key") + "' are not a PEM certificate and its key"),
            std::string::npos)
      << LogText();
}

TEST_F(SipStart, APortInUseFailsInitializationAndTheLogSaysWhich) {
  const int port = sip_test::FreeUdpPort();
  const int holder = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  const std::string listen = "127.0.0.1:" + std::to_string(port);
  Write("log = " + Path("sip.log") + "\n[line]\nname = Desk\nlisten = " + listen + "\n");
  EXPECT_EQ(Initialize(), LINEERR_RESOURCEUNAVAIL);
  close(holder);
  EXPECT_NE(LogText().find("line 'Desk' cannot listen on " + listen + ": Address already in use"),
            std::string::npos)
      << LogText();
}

TEST_F(SipStart, AGoodConfigurationGivesItsLines) {
  const std::string listen = "127.0.0.1:" + std::to_string(sip_test::FreeUdpPort());
  Write("log = " + Path("sip.log") + "\n[line]\nname = Desk\nlisten = " + listen + "\n");
  EXPECT_EQ(Initialize(), 0);
  EXPECT_NE(LogText().find("line 'Desk': listening on " + listen), std::string::npos) << LogText();
}

class SipRegistration : public SipStart {
 protected:
  void SetUp() override {
    if (!sip_test::Installed("sipp"))
      GTEST_SKIP() << "sipp (Debian's sip-tester) is not installed; scripts/setup installs it";
  }
};

TEST_F(SipRegistration, ALineAnswersTheDigestChallengeAndOpensOnceRegistered) {
  EXPECT_EQ(OpenRegistered("registrar", "s3cret-pass"), 0);
  EXPECT_NE(LogText().find("line 'Desk': registered with sip:127.0.0.1:"), std::string::npos)
      << LogText();
}

TEST_F(SipRegistration, AWrongPasswordIsRefusedAndTheLineDoesNotOpen) {
  EXPECT_EQ(OpenRegistered("registrar", "not-the-password"), LINEERR_OPERATIONFAILED);
  EXPECT_NE(LogText().find("refused: 403 Forbidden"), std::string::npos) << LogText();
  EXPECT_NE(LogText().find("lineOpenA refused: line 'Desk' is not registered"), std::string::npos);
}

TEST_F(SipRegistration, ARefusingRegistrarKeepsTheLineClosed) {
  EXPECT_EQ(OpenRegistered("registrar-refuses", "s3cret-pass"), LINEERR_OPERATIONFAILED);
  EXPECT_NE(LogText().find("refused: 403 Forbidden"), std::string::npos) << LogText();
}

}  // namespace
