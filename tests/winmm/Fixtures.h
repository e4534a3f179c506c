// Paths of the sox-made WAV files and a writer of hand-laid RIFF files.
#pragma once

#include <cstdint>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fixtures {

inline std::string Sox(const std::string &name) {
  return std::string(CORVAX_WINMM_FIXTURES) + "/" + name;
}

// A path in the temporary folder, unique to this process; the file goes when the tests end.
inline std::string TempPath(const std::string &name) {
  struct Remover {
    std::vector<std::string> paths;
    ~Remover() {
      for (const auto &path : paths) std::filesystem::remove(path);
    }
  };
  static Remover remover;
  auto path =
      (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)).string();
  remover.paths.push_back(path);
  return path;
}

// Builds a RIFF file chunk by chunk; odd-sized chunks get their pad byte.
class Riff {
 public:
  explicit Riff(const std::string &form = "WAVE", const std::string &id = "RIFF")
      : id_(id), form_(form) {}
  Riff &Chunk(const std::string &id, const std::vector<uint8_t> &body) {
    Append(body_, id, body);
    return *this;
  }
  Riff &Nested(const Riff &inner) {
    const auto bytes = inner.Bytes();
    body_.insert(body_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> form(form_.begin(), form_.end());
    form.insert(form.end(), body_.begin(), body_.end());
    std::vector<uint8_t> out;
    Append(out, id_, form);
    return out;
  }
  // Writes the file with `trailer` bytes after the RIFF chunk; returns its path.
  std::string Write(const std::string &name, const std::vector<uint8_t> &trailer = {}) const {
    const auto path = TempPath(name);
    auto bytes = Bytes();
    bytes.insert(bytes.end(), trailer.begin(), trailer.end());
    FILE *file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
  }

  static void Append(std::vector<uint8_t> &out, const std::string &id,
                     const std::vector<uint8_t> &body) {
    out.insert(out.end(), id.begin(), id.end());
    const uint32_t size = static_cast<uint32_t>(body.size());
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(size >> shift));
    out.insert(out.end(), body.begin(), body.end());
    if (size % 2) out.push_back(0);
  }

 private:
  std::string id_;
  std::string form_;
  std::vector<uint8_t> body_;
};

// The 16-byte body of a PCM format chunk.
inline std::vector<uint8_t> PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint16_t align = channels * bits / 8;
  const uint32_t bytes_per_second = rate * align;
  std::vector<uint8_t> body;
  auto put = [&](uint32_t value, int size) {
    for (int i = 0; i < size; ++i) body.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(bytes_per_second, 4);
  put(align, 2);
  put(bits, 2);
  return body;
}

}  // namespace fixtures
