// tarvenik2trk: converts a source file written by tarvenik into numbered
// track files of up to 1000 tracks each. It asks for the source's name at
// the prompt and takes no arguments.
#include "console.h"
#include "conversion_driver.h"
#include "file_system.h"

// Names the build inside the binary (strings tarvenik2trk | grep version).
extern const char kVersionText[];
const char kVersionText[] = "tarvenik2trk version " TARVENIK2TRK_VERSION;

int main() {
  ConversionDriver driver(standardConsole(), diskFileSystem());
  return driver.run();
}
