// The benchmark's baseline: the same conversion written the plain stdio way,
// a fixed line buffer filled by fgets, strtok to split, fprintf to write.
// It keeps that way's limits (lines cut at 3999 bytes, a 79-byte label) and
// is only meant for the benchmark's well-formed sources.
#include <cstdio>
#include <cstring>

int main() {
  char name[4096];
  std::printf("baseline\nInput file >>");
  std::fflush(stdout);
  if (std::scanf("%4095s", name) != 1) return 1;
  std::FILE* in = std::fopen(name, "rb");
  if (in == nullptr) return 1;

  char stem[4096];
  std::strcpy(stem, name);
  char* dot = std::strchr(stem, '.');
  if (dot != nullptr) *dot = '\0';
  const char* layer = std::strstr(stem, "DK") ? "RoadNum" : stem;

  char line[4000];
  char label[80] = "";
  bool unlabelled = true;
  long lines = 0, labels = 0, tracks = 0;
  std::FILE* out = nullptr;
  long created = -1;
  for (;;) {
    if (tracks % 1000 == 0 && created != tracks / 1000) {
      if (out != nullptr) std::fclose(out);
      char file[4200];
      std::snprintf(file, sizeof file, "%s.hMOR%04ld.trk", stem, tracks / 1000);
      out = std::fopen(file, "wb");
      created = tracks / 1000;
    }
    if (std::fgets(line, sizeof line, in) == nullptr) break;
    ++lines;
    std::size_t n = std::strlen(line);
    if (n >= 2 && line[n - 2] == '\r' && line[n - 1] == '\n') {
      line[n - 2] = '\n';
      line[n - 1] = '\0';
      --n;
    }
    if (lines <= 25) continue;
    if (std::strstr(line, "Label") != nullptr) {
      ++labels;
      if (n <= 7) {
        unlabelled = true;
      } else {
        char* key = std::strtok(line, "=");
        char* value = key ? std::strtok(nullptr, "\n") : nullptr;
        unlabelled = value == nullptr;
        if (value) {
          std::strncpy(label, value, sizeof label - 1);
          label[sizeof label - 1] = '\0';
        }
      }
    }
    if (std::strstr(line, "Data") == nullptr) continue;
    ++tracks;
    std::fprintf(out, "\r\nH  %s(%ld)\r\n\r\nH  Latitude     Longitude\r\n",
                 unlabelled ? layer : label, labels);
    char* lat = std::strtok(line + 5, "=(),\n");
    while (lat != nullptr) {
      char* lon = std::strtok(nullptr, "=(),\n");
      if (lon == nullptr) break;
      std::fprintf(out, "T  N%s   E%s\r\n", lat, lon);
      lat = std::strtok(nullptr, "=(),\n");
    }
  }
  std::fclose(in);
  return out != nullptr && std::fclose(out) == 0 ? 0 : 255;
}
