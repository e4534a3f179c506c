#include "tests/sip/LoadRun.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "tests/sip/RtpCapture.h"
#include "tests/sip/RtpPcap.h"
#include "tests/support/AudioSignals.h"

namespace sip_test {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr double kSweepFromHz = 300;
constexpr double kSweepToHz = 3300;
// Said before the sweep's part that must be kept: the greeting, the beep and the set-up of a
// loaded host fit in it.
constexpr double kLeadSeconds = 2.5;
constexpr size_t kSlack = audio_test::kTenth;  // a message's length may differ by 100 ms
constexpr int kLastPacketMs = 200;
constexpr double kQuietDb = -40;      // below the sweep by some 30 dB
constexpr int kCallOverSeconds = 60;  // after the last caller is done
// What the host's time line says of each call once it is over: "... call 0x10006 idle".
constexpr const char *kCallState = "LINE_CALLSTATE: call ";
constexpr const char *kOver = " idle";
constexpr const char *kServing = "Waiting for calls on line";

std::string ReadText(const fs::path &path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

size_t CallsOver(const std::string &timeline) {
  std::istringstream lines(timeline);
  size_t count = 0;
  for (std::string line; std::getline(lines, line);)
    if (line.find(kCallState) != std::string::npos && line.ends_with(kOver)) ++count;
  return count;
}

size_t Occurrences(const std::string &text, const std::string &part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// Distinct tones that fill the greeting: a packet burst shows as a gap between arrivals.
audio_test::Samples Greeting(double seconds) {
  const std::vector<double> tones = {440, 620, 770, 1320, 1540, 1760, 2100, 2450};
  return audio_test::ToneSequence(tones, seconds / static_cast<double>(tones.size()));
}

// The sound as sipp plays it: sox makes µ-law of it, our own writer packs it into RTP.
std::string WriteCallerPcap(const fs::path &folder, audio_test::Span sound) {
  const fs::path wave = folder / "caller.wav", raw = folder / "caller.ul";
  if (!audio_test::WriteWave(wave, sound)) return "cannot write " + wave.string();
  const std::string sox =
      "sox '" + wave.string() + "' -t raw -e mu-law -b 8 '" + raw.string() + "'";
  if (std::system(sox.c_str()) != 0) return "sox could not make " + raw.string();
  const std::string bytes = ReadText(raw);
  if (!WriteRtpPcap(folder / "caller.pcap",
                    {reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size()}))
    return "cannot write the caller's capture file";
  return "";
}

long ProcCount(const fs::path &folder) {
  std::error_code error;
  long count = 0;
  for (auto it = fs::directory_iterator(folder, error); !error && it != fs::directory_iterator();
       it.increment(error))
    ++count;
  return count;
}

// A UDP socket per call on the loopback where the line sends its sound; a thread notes when
// each packet arrives.
class GreetingReceivers {
 public:
  explicit GreetingReceivers(int count) : arrivals_(static_cast<size_t>(count)) {
    for (int i = 0; i < count; ++i) {
      const int sock = socket(AF_INET, SOCK_DGRAM, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      socklen_t size = sizeof address;
      bind(sock, reinterpret_cast<sockaddr *>(&address), size);
      getsockname(sock, reinterpret_cast<sockaddr *>(&address), &size);
      polls_.push_back({sock, POLLIN, 0});
      ports_.push_back(ntohs(address.sin_port));
    }
    thread_ = std::thread([this] { Receive(); });
  }
  ~GreetingReceivers() {
    stop_ = true;
    thread_.join();
    for (const pollfd &entry : polls_) close(entry.fd);
  }
  GreetingReceivers(const GreetingReceivers &) = delete;
  GreetingReceivers &operator=(const GreetingReceivers &) = delete;

  const std::vector<int> &Ports() const { return ports_; }

  // The intervals between the packets of the first `seconds` of each call's sound; call once
  // the calls are over. The line sends its sound here until the caller's RTP shows where the
  // caller is (sipp's own port), so the loopback's capture sees all of it where it may run.
  std::vector<double> GapsMs(double seconds) {
    std::vector<double> gaps;
    for (const auto &times : capture_.Error().empty() ? SentByLines() : arrivals_) {
      for (size_t i = 1; i < times.size() && Seconds(times[i] - times[0]) <= seconds; ++i)
        gaps.push_back(Seconds(times[i] - times[i - 1]) * 1000);
    }
    return gaps;
  }

 private:
  void Receive() {
    char buffer[2048];
    while (!stop_) {
      if (poll(polls_.data(), polls_.size(), 50) <= 0) continue;
      const auto now = Clock::now();
      for (size_t i = 0; i < polls_.size(); ++i) {
        if ((polls_[i].revents & POLLIN) == 0) continue;
        while (recv(polls_[i].fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0)
          arrivals_[i].push_back(now);
      }
    }
  }

  // Each call's packets, by the line's RTP port they come from, wherever they went.
  std::vector<std::vector<Clock::time_point>> SentByLines() {
    std::map<uint16_t, std::vector<Clock::time_point>> bySource;
    for (auto &[flow, times] : capture_.Arrivals()) {
      if (flow.first < kFirstLinePort || flow.first > kLastLinePort) continue;
      auto &all = bySource[flow.first];
      all.insert(all.end(), times.begin(), times.end());
    }
    std::vector<std::vector<Clock::time_point>> calls;
    for (auto &[port, times] : bySource) {
      std::sort(times.begin(), times.end());
      calls.push_back(std::move(times));
    }
    return calls;
  }

  // Where lines put their RTP sockets.
  static constexpr uint16_t kFirstLinePort = 20000;
  static constexpr uint16_t kLastLinePort = 29998;

  RtpCapture capture_;
  std::vector<pollfd> polls_;
  std::vector<int> ports_;
  std::vector<std::vector<Clock::time_point>> arrivals_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// sipp's response times, one a call: "date_ms;response_time_ms;rtd_no" after a header.
std::vector<double> SetupTimes(const fs::path &folder) {
  std::vector<double> times;
  for (const auto &entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().find("_rtt.csv") == std::string::npos) continue;
    std::istringstream lines(ReadText(entry.path()));
    std::string line;
    while (std::getline(lines, line)) {
      const size_t first = line.find(';');
      const size_t second = line.find(';', first + 1);
      if (first == std::string::npos || second == std::string::npos) continue;
      try {
        times.push_back(std::stod(line.substr(first + 1, second - first - 1)));
      } catch (const std::exception &) {  // the header
      }
    }
  }
  return times;
}

}  // namespace

audio_test::Samples CallerSound(const LoadSettings &settings) {
  return audio_test::Sweep(kSweepFromHz, kSweepToHz,
                           settings.greetingSeconds + kLeadSeconds + settings.speechSeconds);
}

std::set<fs::path> Messages(const fs::path &folder) {
  std::set<fs::path> files;
  std::error_code error;
  for (auto it = fs::directory_iterator(folder, error); !error && it != fs::directory_iterator();
       it.increment(error))
    if (it->path().extension() == ".wav") files.insert(it->path());
  return files;
}

size_t CallerLead(const LoadSettings &settings) {
  return audio_test::SamplesIn(settings.greetingSeconds + kLeadSeconds);
}

// A message is complete when it is one unbroken stretch of the caller's sweep that holds all
// the caller said after the lead and ends with the caller's last words, its length within
// 100 ms of that stretch's; what follows them can only be quiet (a caller whose hang-up comes
// late is recorded until the silence ends the recording).
MessageCheck CheckMessage(const fs::path &file, audio_test::Span said, size_t lead) {
  MessageCheck check{"", file.filename().string(), false, ""};
  const audio_test::Samples heard = audio_test::ReadWave(file);
  if (heard.size() < 2 * audio_test::kTenth) {
    check.detail = "holds " + std::to_string(heard.size()) + " samples";
    return check;
  }
  const auto head = audio_test::Span(heard).first(audio_test::kTenth);
  // The sweep's frequency tells where in it the message begins; the shape says exactly.
  const double hz = audio_test::DominantFrequency(head);
  const double estimate =
      static_cast<double>(said.size()) * (hz - kSweepFromHz) / (kSweepToHz - kSweepFromHz);
  const size_t window = audio_test::SamplesIn(0.5);
  const size_t first =
      estimate > static_cast<double>(window) ? static_cast<size_t>(estimate) - window : 0;
  const audio_test::Alignment start = audio_test::Align(said, head, first, first + 2 * window);
  std::ostringstream detail;
  if (start.correlation < 0.9) {
    detail << "its beginning is not found in what was said (best " << start.correlation << ")";
  } else if (start.offset > lead) {
    detail << "begins " << static_cast<double>(start.offset - lead) / audio_test::kRate
           << " s into what must be kept";
  } else if (const size_t kept = said.size() - start.offset; heard.size() + kSlack < kept) {
    detail << "holds " << heard.size() << " samples of the " << kept << " said from its start";
  } else if (heard.size() > kept + kSlack &&
             audio_test::RmsDb(audio_test::Span(heard).subspan(kept + kSlack)) > kQuietDb) {
    detail << "holds sound after the caller's last words";
  } else if (const auto ends = audio_test::EndsWith(
                 audio_test::Span(heard).first(std::min(heard.size(), kept + kSlack)), said,
                 audio_test::Path::Lossy, 2 * kSlack);
             !ends) {
    detail << ends.message();
  } else {
    for (size_t at = 0; at + audio_test::kTenth <= std::min(heard.size(), kept);
         at += audio_test::kTenth) {
      const double correlation =
          audio_test::Correlation(audio_test::Span(heard).subspan(at, audio_test::kTenth),
                                  said.subspan(start.offset + at, audio_test::kTenth));
      // A lost packet concealed in a stretch leaves it well above this; a stretch from another
      // part of the sweep is near 0.
      if (correlation < 0.8) {
        detail << "differs from what was said at " << static_cast<double>(at) / audio_test::kRate
               << " s (correlation " << correlation << ")";
        break;
      }
    }
  }
  check.detail = detail.str();
  check.complete = check.detail.empty();
  return check;
}


LoadHost::LoadHost(const LoadSettings &settings, const std::string &ip, const std::string &name)
    : settings_(settings), ip_(ip), name_(name), port_(FreeUdpPort()) {
  const fs::path folder = settings.folder / name;
  fs::create_directories(folder);
  std::ofstream(folder / "sip.conf") << "log = " << (folder / "sip.log").string()
                                     << "\n[line]\nname = Trunk\nlisten = " << Address()
                                     << "\nchannels = " << settings.channels << "\n"
                                     << settings.lineKeys;
  audio_test::WriteWave(folder / "greeting.wav", Greeting(settings.greetingSeconds));
  Start();
}

void LoadHost::Start() {
  // A restarted host's output follows on from what it said before.
  static int starts = 0;
  host_ = std::make_unique<Peer>(
      std::vector<std::string>{settings_.phone.string(), "answer", "--sip", "sip.conf", "--device",
                               "all", "--rings", "1", "--greeting", "greeting.wav", "--messages",
                               "messages", "--max-seconds", "120"},
      settings_.folder / name_, name_ + "-" + std::to_string(++starts));
}

void LoadHost::Kill() {
  kill(host_->Pid(), SIGKILL);
  host_->Wait();
}

LoadHost::~LoadHost() {
  if (host_->Running()) Stop();
}

std::string LoadHost::WaitUntilServing() {
  const auto giveUp = Clock::now() + std::chrono::seconds(30);
  while (Occurrences(host_->Output(), kServing) < static_cast<size_t>(settings_.channels)) {
    if (Clock::now() > giveUp)
      return "corvax-phone did not serve its " + std::to_string(settings_.channels) +
             " channels within 30 s:\n" + host_->Output();
    if (!host_->Running()) return "corvax-phone ended:\n" + host_->Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return "";
}

size_t LoadHost::CallsEnded() const {
  // Every start's output: a killed host's calls stay counted.
  size_t count = 0;
  for (const auto &entry : fs::directory_iterator(settings_.folder / name_))
    if (entry.path().extension() == ".out") count += CallsOver(ReadText(entry.path()));
  return count;
}

std::string LoadHost::Address() const {
  return ip_ + ":" + std::to_string(port_);
}

fs::path LoadHost::Messages() const {
  return settings_.folder / name_ / "messages";
}

double LoadHost::CpuSeconds() const {
  // The fields after the command's name (which is in brackets): utime and stime are the 12th
  // and 13th of them, in clock ticks.
  const std::string stat = ReadText("/proc/" + std::to_string(host_->Pid()) + "/stat");
  if (stat.empty()) return 0;
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 1; i <= 13 && fields >> field; ++i)
    if (i >= 12) ticks += std::stod(field);
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

HostUse LoadHost::Use() const {
  const fs::path proc = "/proc/" + std::to_string(host_->Pid());
  HostUse use;
  use.fds = ProcCount(proc / "fd");
  std::istringstream status(ReadText(proc / "status"));
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) use.residentKb = std::stol(line.substr(6));
  return use;
}

int LoadHost::Stop() {
  kill(host_->Pid(), SIGINT);
  return host_->Wait();
}

size_t RoundReport::Complete() const {
  return static_cast<size_t>(
      std::count_if(messages.begin(), messages.end(), [](const auto &m) { return m.complete; }));
}

RoundReport RunCallers(const std::string &target, const std::vector<LoadHost *> &hosts,
                       const LoadSettings &settings, int calls, bool vanish) {
  RoundReport report;
  static int rounds = 0;
  const fs::path folder = settings.folder / ("callers-" + std::to_string(++rounds));
  fs::create_directories(folder);
  const audio_test::Samples said = CallerSound(settings);
  // A caller who vanishes stops halfway through what must be kept.
  const size_t lead = CallerLead(settings);
  const audio_test::Span sent = vanish
                                    ? audio_test::Span(said).first(lead + (said.size() - lead) / 2)
                                    : audio_test::Span(said);
  if ((report.trouble = WriteCallerPcap(folder, sent)) != "") return report;
  GreetingReceivers receivers(calls);
  {
    std::ofstream lines(folder / "lines.csv");
    lines << "SEQUENTIAL\n";
    for (int port : receivers.Ports()) lines << port << ";\n";
  }
  std::vector<std::set<fs::path>> before;
  size_t ended = 0;
  double cpu = 0;
  for (const LoadHost *host : hosts) {
    before.push_back(Messages(host->Messages()));
    ended += host->CallsEnded();
    cpu -= host->CpuSeconds();
  }
  const auto start = Clock::now();
  const int sentMs = static_cast<int>(1000 * static_cast<double>(sent.size()) / audio_test::kRate);
  // sipp's pause and its capture's player keep time apart: the hang-up waits for the last
  // packet to have left.
  const int callMs = sentMs + kLastPacketMs;
  const int limit = sentMs / 1000 + 60;
  Peer sipp({"timeout",
             std::to_string(limit + 5),
             "sipp",
             target,
             "-sf",
             Scenario(vanish ? "load-caller-vanishes" : "load-caller"),
             "-inf",
             "lines.csv",
             "-m",
             std::to_string(calls),
             "-l",
             std::to_string(calls),
             "-r",
             std::to_string(calls),
             "-rp",
             "1000",
             "-d",
             std::to_string(callMs),
             "-s",
             settings.calledUser,
             "-i",
             "127.0.0.1",
             "-p",
             std::to_string(FreeUdpPort()),
             "-mp",
             std::to_string(FreeUdpPorts(kSippMediaPorts)),
             "-timeout",
             std::to_string(limit) + "s",
             "-timeout_error",
             "-nostdin",
             "-trace_err",
             "-trace_rtt",
             "-rtt_freq",
             "1"},
            folder, "sipp");
  report.sippStatus = sipp.Wait();
  report.sippOutput = sipp.Output();
  const auto callsEnded = [&] {
    size_t now = 0;
    for (const LoadHost *host : hosts) now += host->CallsEnded();
    return now - ended;
  };
  for (const auto giveUp = Clock::now() + std::chrono::seconds(kCallOverSeconds);
       callsEnded() < static_cast<size_t>(calls) && Clock::now() < giveUp;)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (callsEnded() < static_cast<size_t>(calls))
    report.trouble = "the hosts ended " + std::to_string(callsEnded()) + " of " +
                     std::to_string(calls) + " calls within " + std::to_string(kCallOverSeconds) +
                     " s of the callers' end";
  report.wallSeconds = Seconds(Clock::now() - start);
  for (const LoadHost *host : hosts) cpu += host->CpuSeconds();
  report.hostCpuSeconds = cpu;
  report.callSeconds = calls * static_cast<double>(sent.size()) / audio_test::kRate;
  report.setupMs = SetupTimes(folder);
  report.greetingGapsMs = receivers.GapsMs(settings.greetingSeconds);
  for (size_t i = 0; i < hosts.size(); ++i) {
    for (const fs::path &file : Messages(hosts[i]->Messages())) {
      if (before[i].count(file) != 0) continue;
      MessageCheck check{hosts[i]->Name(), file.filename().string(), true, ""};
      if (!vanish) check = CheckMessage(file, said, lead);
      check.host = hosts[i]->Name();
      report.messages.push_back(check);
    }
  }
  return report;
}

RoundReport RunCallers(LoadHost &host, const LoadSettings &settings, bool vanish) {
  return RunCallers(host.Address(), {&host}, settings, settings.channels, vanish);
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<size_t>(std::ceil(share * static_cast<double>(values.size())));
  return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

}  // namespace sip_test
