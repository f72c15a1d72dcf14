// Measures tarvenik2trk against the I/O floor and a plain stdio version of
// the same conversion, as whole processes, alternating and repeated, and
// prints the medians, the ratios and the tool's peak resident memory.
//
//   tarvenik2trk_bench [--mb N] [--seed N] [--runs N] [--dir DIR] [--lf]
//
// The source is generated in a fresh directory under DIR (default /dev/shm,
// so that the disk's writeback does not blur the comparison) and the
// programs write their files there too.
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "source_generator.h"

namespace fs = std::filesystem;

namespace {

struct Measurement {
  double seconds;
  long peakKiB;
  int status;
};

// Runs `argv` in `dir` with `input` on standard input and its output
// discarded; returns the wall time, the peak resident memory and the status.
Measurement runProcess(const std::vector<std::string>& argv,
                       const fs::path& dir, const std::string& input) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) std::exit(1);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[0], 0);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::FILE* null = std::fopen("/dev/null", "w");
    dup2(fileno(null), 1);
    if (chdir(dir.c_str()) != 0) _exit(127);
    std::vector<char*> args;
    for (const std::string& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[0]);
  if (write(pipeFds[1], input.data(), input.size()) < 0) std::exit(1);
  close(pipeFds[1]);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  auto end = std::chrono::steady_clock::now();
  return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss,
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void removeOutputs(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::string ext = entry.path().extension().string();
    if (ext == ".trk" || ext == ".out") fs::remove(entry.path());
  }
}

// Returns an FNV-1a hash of a file's bytes: the bench keeps no copy of the
// output, so that its own memory does not count in the children's peak.
std::uint64_t hashFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::uint64_t hash = 1469598103934665603ull;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      hash = (hash ^ static_cast<unsigned char>(block[i])) * 1099511628211ull;
    }
  }
  return hash;
}

std::string machine() {
  struct utsname u {};
  uname(&u);
  std::string cpu = "unknown processor";
  std::ifstream info("/proc/cpuinfo");
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("model name", 0) == 0) {
      cpu = line.substr(line.find(':') + 2);
      break;
    }
  }
  return std::string(u.sysname) + " " + u.release + " " + u.machine + ", " +
         cpu + ", " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " cores";
}

}  // namespace

int main(int argc, char** argv) {
  SourceShape shape;
  int runs = 5;
  fs::path base = "/dev/shm";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::cerr << arg << " needs a value\n";
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--mb")
      shape.bytes = std::stoull(value()) * 1000 * 1000;
    else if (arg == "--seed")
      shape.seed = std::stoull(value());
    else if (arg == "--runs")
      runs = std::stoi(value());
    else if (arg == "--dir")
      base = value();
    else if (arg == "--lf")
      shape.crlf = false;
    else {
      std::cerr << "usage: tarvenik2trk_bench [--mb N] [--seed N] [--runs N] "
                   "[--dir DIR] [--lf]\n";
      return 2;
    }
  }
  if (!fs::is_directory(base)) base = fs::temp_directory_path();
  const fs::path dir =
      base / ("tarvenik2trk-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  {
    std::ofstream source(dir / "DK0001.txt", std::ios::binary);
    generateSource(source, shape);
  }
  const auto sourceBytes = fs::file_size(dir / "DK0001.txt");

  // One run of each to learn the output's size and check they agree.
  const std::string input = "DK0001.txt\n";
  const std::vector<std::string> tool = {TARVENIK2TRK_PROGRAM};
  const std::vector<std::string> baseline = {STDIO_BASELINE_PROGRAM};
  if (runProcess(tool, dir, input).status != 0) {
    std::cerr << "tarvenik2trk failed\n";
    return 1;
  }
  std::uintmax_t outputBytes = 0;
  std::vector<std::uint64_t> toolFiles;
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".trk") names.push_back(entry.path());
  }
  std::sort(names.begin(), names.end());
  for (const fs::path& name : names) {
    outputBytes += fs::file_size(name);
    toolFiles.push_back(hashFile(name));
  }
  removeOutputs(dir);
  runProcess(baseline, dir, input);
  bool agree = true;
  for (std::size_t i = 0; i < names.size(); ++i) {
    agree = agree && hashFile(names[i]) == toolFiles[i];
  }
  removeOutputs(dir);
  const std::vector<std::string> floor = {IO_FLOOR_PROGRAM, "DK0001.txt",
                                          std::to_string(outputBytes),
                                          std::to_string(names.size())};

  std::vector<double> toolTimes, floorTimes, baselineTimes;
  long toolPeak = 0;
  for (int r = 0; r < runs; ++r) {
    Measurement m = runProcess(tool, dir, input);
    toolTimes.push_back(m.seconds);
    toolPeak = std::max(toolPeak, m.peakKiB);
    removeOutputs(dir);
    floorTimes.push_back(runProcess(floor, dir, input).seconds);
    removeOutputs(dir);
    baselineTimes.push_back(runProcess(baseline, dir, input).seconds);
    removeOutputs(dir);
  }
  fs::remove_all(dir);

  const double mb = static_cast<double>(sourceBytes) / 1e6;
  const double t = median(toolTimes), f = median(floorTimes),
               b = median(baselineTimes);
  std::printf("machine:   %s\n", machine().c_str());
  std::printf(
      "source:    %.1f MB (%s line ends, seed %llu) in %s; output "
      "%.1f MB in %zu files\n",
      mb, shape.crlf ? "CR LF" : "LF",
      static_cast<unsigned long long>(shape.seed), base.c_str(),
      static_cast<double>(outputBytes) / 1e6, names.size());
  std::printf("runs:      %d of each, alternating; medians\n", runs);
  std::printf("tool:      %8.1f MB/s  (%.3f s)\n", mb / t, t);
  std::printf("I/O floor: %8.1f MB/s  (%.3f s)\n", mb / f, f);
  std::printf("baseline:  %8.1f MB/s  (%.3f s)  stdio fgets/strtok/fprintf\n",
              mb / b, b);
  std::printf("tool / floor:    %.2fx time\n", t / f);
  std::printf("baseline / tool: %.2fx time\n", b / t);
  std::printf("tool peak resident memory: %.1f MiB\n", toolPeak / 1024.0);
  std::printf("baseline output %s the tool's\n",
              agree ? "is byte-identical to" : "DIFFERS from");
  return agree ? 0 : 1;
}
