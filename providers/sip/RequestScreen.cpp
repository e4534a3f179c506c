#include "providers/sip/RequestScreen.h"

#include <netdb.h>

#include "Clock.h"

namespace sipnet {
namespace {

constexpr Rate kOncePerMinute{1.0 / 60, 1};

std::string SourceOf(const struct sip_msg *request) {
  char text[64] = "";
  re_snprintf(text, sizeof text, "%j", &request->src);
  return text;
}

// Every address the registrar's host name resolves to (a numeric host is its own).
std::vector<Network> RegistrarAddresses(const std::string &registrar) {
  struct pl text;
  struct uri uri;
  pl_set_str(&text, registrar.c_str());
  std::vector<Network> networks;
  if (uri_decode(&uri, &text) != 0) return networks;
  const std::string host = Text(uri.host);
  struct sa numeric;
  if (sa_set_str(&numeric, host.c_str(), 0) == 0) return {WholeNetwork(numeric)};
  addrinfo hints{};
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo *found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return networks;
  for (const addrinfo *address = found; address != nullptr; address = address->ai_next) {
    struct sa resolved;
    if (sa_set_sa(&resolved, address->ai_addr) == 0) networks.push_back(WholeNetwork(resolved));
  }
  freeaddrinfo(found);
  return networks;
}

bool Collect(const struct sip_hdr *header, const struct sip_msg * /*message*/, void *arg) {
  auto &options = *static_cast<std::string *>(arg);
  options += (options.empty() ? "" : ", ") + Text(header->val);
  return false;
}

// The options the request requires, as they are listed; we support none.
std::string Required(const struct sip_msg *request) {
  std::string options;
  (void)sip_msg_hdr_apply(request, true, SIP_HDR_REQUIRE, Collect, &options);
  return options;
}

}  // namespace

std::vector<Network> AllowedSources(const LineConfig &config) {
  if (config.acceptFrom) return *config.acceptFrom;
  if (!config.registrar.empty()) return RegistrarAddresses(config.registrar);
  return ParseNetworks("any");
}

RequestScreen::RequestScreen(const LineConfig &config, Say say)
    : say_(std::move(say)),
      allowed_(AllowedSources(config)),
      invites_(config.inviteRate),
      requests_(config.requestRate),
      notices_(kOncePerMinute) {
  if (config.inboundAuth) digest_.emplace(config.user, config.password);
}

void RequestScreen::Notice(const std::string &kind, const std::string &source,
                           const std::string &text, double nowMs) {
  unsigned ignored = 0;
  if (notices_.Take(kind + " " + source, nowMs, ignored))
    say_(text + " (told once a minute per source)");
}

bool RequestScreen::Passes(const struct sip_msg *request, struct sip *stack) {
  const double now = win32::VirtualNow();
  const std::string source = SourceOf(request);
  const std::string method = Text(request->met);
  const bool invite = method == "INVITE";
  const std::string what = method + " from " + source;
  unsigned retryAfter = 0;
  if (!(invite ? invites_ : requests_).Take(source, now, retryAfter)) {
    if (!invite) {
      Notice("dropped", source, what + " beyond the rate: dropped", now);
      return false;
    }
    Notice("503", source, what + " beyond the rate: 503 Service Unavailable", now);
    // Without a transaction, so that a flood holds no memory beyond the rate's worth.
    (void)sip_replyf(stack, request, 503, "Service Unavailable",
                     "Retry-After: %u\r\nContent-Length: 0\r\n\r\n", retryAfter);
    return false;
  }
  if (!Contains(allowed_, request->src)) {
    Notice("403", source, what + " not accepted: 403 Forbidden", now);
    (void)sip_treply(nullptr, stack, request, 403, "Forbidden");
    return false;
  }
  const std::string required = Required(request);
  if (!required.empty()) {
    Notice("420", source, what + " requires " + required + ": 420 Bad Extension", now);
    (void)sip_treplyf(nullptr, nullptr, stack, request, false, 420, "Bad Extension",
                      "Unsupported: %s\r\nContent-Length: 0\r\n\r\n", required.c_str());
    return false;
  }
  if (invite && digest_ && !digest_->Admits(request, now)) {
    (void)sip_treplyf(nullptr, nullptr, stack, request, false, 401, "Unauthorized",
                      "%sContent-Length: 0\r\n\r\n", digest_->Header(now).c_str());
    return false;
  }
  return true;
}

}  // namespace sipnet
