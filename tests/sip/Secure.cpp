#include "tests/sip/Secure.h"

#include <netinet/ip.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "tests/support/AudioSignals.h"

namespace sip_test {
namespace {

int Shell(const std::string &command) {
  return std::system(command.c_str());
}

std::string Quoted(const std::filesystem::path &path) {
  return "'" + path.string() + "'";
}

// A key and a certificate for `name` signed by the authority `ca` (ca.crt, ca.key) in `folder`.
bool Issue(const std::filesystem::path &folder, const std::string &name, const std::string &ca) {
  const std::filesystem::path key = folder / (name + ".key");
  const std::filesystem::path request = folder / (name + ".csr");
  const std::filesystem::path extensions = folder / (name + ".ext");
  std::ofstream(extensions) << "subjectAltName=IP:127.0.0.1\n";
  return Shell("openssl req -newkey rsa:2048 -nodes -keyout " + Quoted(key) + " -out " +
               Quoted(request) + " -subj /CN=127.0.0.1 2>/dev/null") == 0 &&
         Shell("openssl x509 -req -in " + Quoted(request) + " -CA " +
               Quoted(folder / (ca + ".crt")) + " -CAkey " + Quoted(folder / (ca + ".key")) +
               " -CAcreateserial -days 1 -extfile " + Quoted(extensions) + " -out " +
               Quoted(folder / (name + ".crt")) + " 2>/dev/null") == 0;
}

bool Authority(const std::filesystem::path &folder, const std::string &name) {
  return Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj '/CN=Corvax test " + name +
               "' -keyout " + Quoted(folder / (name + ".key")) + " -out " +
               Quoted(folder / (name + ".crt")) + " 2>/dev/null") == 0;
}

}  // namespace

std::string MakeCertificates(const std::filesystem::path &folder) {
  if (Shell("command -v openssl >/dev/null") != 0)
    return "openssl is not installed; scripts/setup installs it";
  if (!Authority(folder, "ca") || !Authority(folder, "stranger") || !Issue(folder, "line", "ca") ||
      !Issue(folder, "peer", "ca")) {
    return "openssl could not make the certificates";
  }
  std::ofstream pem(folder / "peer.pem");
  pem << std::ifstream(folder / "peer.crt").rdbuf() << std::ifstream(folder / "peer.key").rdbuf();
  return "";
}

std::vector<int16_t> DecodedMuLaw(const std::vector<uint8_t> &bytes,
                                  const std::filesystem::path &folder) {
  const std::filesystem::path raw = folder / "captured.ul";
  const std::filesystem::path wave = folder / "captured.wav";
  std::ofstream(raw, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  if (Shell("sox -t ul -r 8000 -c 1 " + Quoted(raw) + " " + Quoted(wave)) != 0) return {};
  return audio_test::ReadWave(wave);
}

}  // namespace sip_test
