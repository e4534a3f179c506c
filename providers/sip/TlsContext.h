// A TLS line's context for the stack's TLS transport: the certificate and key it shows its
// peers and, for the connections it makes itself, whether and against which authorities it
// verifies the peer's certificate.
#pragma once

#include "providers/sip/Re.h"

#include "providers/sip/SipConfig.h"

namespace sipnet {

// A reference the caller lets go of with mem_deref; std::runtime_error saying what is wrong.
struct tls *TlsContextFor(const LineConfig &line);

}  // namespace sipnet
