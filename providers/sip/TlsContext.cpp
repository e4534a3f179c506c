#include "providers/sip/TlsContext.h"

#include <openssl/ssl.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sipnet {
namespace {

std::string FileText(const std::string &path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file) throw std::runtime_error("'" + path + "' cannot be read");
  return text.str();
}

// The stack takes every certificate unless told otherwise. A peer that calls us need show
// none; a peer we call must show one the authorities vouch for.
int VerifyServersOnly(int preverified, X509_STORE_CTX *store) {
  const SSL *connection = static_cast<const SSL *>(
      X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  return connection != nullptr && SSL_is_server(connection) ? 1 : preverified;
}

void Verify(struct tls *tls, const LineConfig &line) {
  SSL_CTX *context = tls_openssl_context(tls);
  if (!line.tlsCa.empty()) {
    if (tls_add_ca(tls, line.tlsCa.c_str()) != 0)
      throw std::runtime_error("tls_ca '" + line.tlsCa + "' holds no usable certificate");
  } else if (SSL_CTX_set_default_verify_paths(context) != 1) {
    throw std::runtime_error("the system's certificate authorities cannot be loaded");
  }
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, VerifyServersOnly);
}

}  // namespace

struct tls *TlsContextFor(const LineConfig &line) {
  struct tls *tls = nullptr;
  if (tls_alloc(&tls, TLS_METHOD_SSLV23, nullptr, nullptr) != 0)
    throw std::runtime_error("no TLS context");
  try {
    const std::string certificate = FileText(line.tlsCert);
    const std::string key = FileText(line.tlsKey);
    if (tls_set_certificate_pem(tls, certificate.data(), certificate.size(), key.data(),
                                key.size()) != 0) {
      throw std::runtime_error("tls_cert '" + line.tlsCert + "' and tls_key '" + line.tlsKey +
                               "' are not a PEM certificate and its key");
    }
    if (line.tlsVerify) Verify(tls, line);
  } catch (...) {
    mem_deref(tls);
    throw;
  }
  return tls;
}

}  // namespace sipnet
