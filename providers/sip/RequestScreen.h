// What a line lets through of the requests that start something (outside a call): from whom it
// takes them (accept_from, else its registrar's addresses, else anyone: 403 to the rest), how
// many a second from one source (INVITEs beyond the rate get 503 with Retry-After, other
// requests are dropped), no extension it does not support (420), and, when asked, INVITEs that
// prove they know the line's password (401 with a digest challenge). Refusals are logged once a
// minute per source and kind, so that a flood does not fill the log.
#pragma once

#include "providers/sip/Re.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "providers/sip/DigestChallenge.h"
#include "providers/sip/Networks.h"
#include "providers/sip/SipConfig.h"
#include "providers/sip/SourceBuckets.h"

namespace sipnet {

class RequestScreen {
 public:
  using Say = std::function<void(const std::string &)>;
  RequestScreen(const LineConfig &config, Say say);

  // Whether `request` may go on; when not, it has been answered or dropped.
  bool Passes(const struct sip_msg *request, struct sip *stack);

 private:
  // Tells `text` about `source` unless told in the last minute.
  void Notice(const std::string &kind, const std::string &source, const std::string &text,
              double nowMs);

  Say say_;
  std::vector<Network> allowed_;
  SourceBuckets invites_;
  SourceBuckets requests_;
  SourceBuckets notices_;
  std::optional<DigestChallenge> digest_;
};

// The networks a line takes requests from: accept_from, else its registrar's addresses, else
// every address.
std::vector<Network> AllowedSources(const LineConfig &config);

}  // namespace sipnet
