// The load bench with real callers: for each K named, one corvax-phone answering a hunt group
// of K channels and K sipp callers at once; prints a row per K. `--vanishing K` instead runs
// three rounds of K callers who fall silent mid-call and vanish, and prints what the host holds
// before and after each.
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "tests/sip/LoadRun.h"

namespace {

using sip_test::Percentile;

int Usage() {
  std::cerr << "usage: corvax-bench-sip-load PHONE FOLDER K... | PHONE FOLDER --vanishing K\n";
  return 2;
}

sip_test::LoadSettings Settings(const char *phone, const std::filesystem::path &folder, int k) {
  sip_test::LoadSettings settings;
  settings.phone = phone;
  settings.folder = folder / ("k" + std::to_string(k));
  settings.channels = k;
  settings.greetingSeconds = 4;
  settings.speechSeconds = 10;
  std::filesystem::remove_all(settings.folder);
  return settings;
}

bool Row(const char *phone, const std::filesystem::path &folder, int k) {
  const auto settings = Settings(phone, folder, k);
  sip_test::LoadHost host(settings);
  if (const std::string trouble = host.WaitUntilServing(); !trouble.empty()) {
    std::cerr << trouble << "\n";
    return false;
  }
  const sip_test::RoundReport round = sip_test::RunCallers(host, settings, false);
  std::cout << std::setw(3) << k << std::setw(9) << round.setupMs.size() << std::setw(7)
            << round.messages.size() << std::setw(10) << round.Complete() << std::fixed
            << std::setprecision(4) << std::setw(11) << round.hostCpuSeconds / round.callSeconds
            << std::setprecision(2) << std::setw(10) << round.hostCpuSeconds / round.wallSeconds
            << std::setprecision(1) << std::setw(9) << Percentile(round.setupMs, 0.5)
            << std::setw(9) << Percentile(round.setupMs, 0.99) << std::setw(12)
            << Percentile(round.greetingGapsMs, 0.99) << std::endl;
  for (const auto &message : round.messages)
    if (!message.complete) std::cerr << "  " << message.file << ": " << message.detail << "\n";
  if (!round.trouble.empty()) std::cerr << "  " << round.trouble << "\n";
  if (round.sippStatus != 0)
    std::cerr << "  sipp ended with status " << round.sippStatus << " (" << settings.folder.string()
              << ")\n";
  return round.trouble.empty() && round.Complete() == static_cast<size_t>(k);
}

void Show(const char *when, const sip_test::HostUse &use) {
  std::cout << std::left << std::setw(28) << when << std::right << std::setw(6) << use.fds
            << std::setw(10) << use.residentKb << std::endl;
}

bool Vanishing(const char *phone, const std::filesystem::path &folder, int k) {
  const auto settings = Settings(phone, folder, k);
  sip_test::LoadHost host(settings);
  if (const std::string trouble = host.WaitUntilServing(); !trouble.empty()) {
    std::cerr << trouble << "\n";
    return false;
  }
  std::cout << k << " callers who fall silent mid-call and vanish, three times\n"
            << std::left << std::setw(28) << "host" << std::right << std::setw(6) << "fds"
            << std::setw(10) << "RSS KiB"
            << "\n";
  Show("serving, before any call", host.Use());
  bool freed = true;
  for (const char *after :
       {"after the first round", "after the second round", "after the third round"}) {
    const sip_test::RoundReport round = sip_test::RunCallers(host, settings, true);
    Show(after, host.Use());
    if (!round.trouble.empty()) std::cerr << "  " << round.trouble << "\n";
    freed = freed && round.trouble.empty();
  }
  return freed;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 4) return Usage();
  const std::filesystem::path folder = argv[2];
  if (std::string(argv[3]) == "--vanishing")
    return argc == 5 && Vanishing(argv[1], folder, std::atoi(argv[4])) ? 0 : 1;
  std::cout << "  K  answered  saved  complete  CPU s per  host     set-up ms         greeting\n"
            << "                                call-s    cores    p50      p99    gap p99 ms\n";
  bool met = true;
  for (int i = 3; i < argc; ++i) {
    const int k = std::atoi(argv[i]);
    if (k < 1) return Usage();
    met = Row(argv[1], folder, k) && met;
  }
  return met ? 0 : 1;
}
