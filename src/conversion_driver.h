// ConversionDriver runs the tool from start to end: the banner, the prompt,
// the typed source name, and the one loop that pulls lines from the
// SourceScanner and pushes tracks into the TrackFileSet. It turns the first
// failure into one message and the exit status.
#ifndef TARVENIK2TRK_CONVERSION_DRIVER_H_
#define TARVENIK2TRK_CONVERSION_DRIVER_H_

#include <string>
#include <string_view>

#include "console.h"
#include "file_system.h"
#include "status.h"

/// How a typed name is split into its directory and its base name.
enum class PathStyle {
  kPosix,    // "/" separates directories
  kWindows,  // "/" and "\" separate directories, "C:" names a drive; the
             // second byte of a Shift_JIS character is never a separator
};

#ifdef _WIN32
constexpr PathStyle kNativePathStyle = PathStyle::kWindows;
#else
constexpr PathStyle kNativePathStyle = PathStyle::kPosix;
#endif

/// A typed source name taken apart: the track files are named
/// directory + stem + ".hMOR0000.trk" and onward, beside the source.
struct TypedName {
  std::string directory;  // everything up to the last separator, kept as typed
  std::string stem;       // the base name from its first non-"." byte up to
                          // the next "."; the whole base name if that is empty
};

/// Returns `name` split into its directory part and the stem of its base.
TypedName splitTypedName(std::string_view name,
                         PathStyle style = kNativePathStyle);

/// Returns the layer name for `stem`: of the codes DK, GK, KK, SK and TK the
/// last one found in it gives RoadNum, GyouseiKai, RiverNum, WaterLineNum or
/// RailNum; when none is found, the stem itself.
std::string_view layerNameFor(std::string_view stem);

/// Returns the console message, ending with CR LF, for a failed `status`.
std::string messageFor(const Status& status);

/// Returns the exit status for `status`: 0 when ok, -1 when a track file
/// could not be created or written, 1 for every failure with the source
/// (memory for its lines included).
int exitStatusFor(const Status& status);

class ConversionDriver {
 public:
  ConversionDriver(Console& console, FileSystem& files)
      : console_(console), files_(files) {}

  /// Holds the dialogue and converts the named source; returns the exit
  /// status (see exitStatusFor).
  int run();

 private:
  /// Converts the source `name`; returns the exit status.
  int convert(const std::string& name);

  /// Writes the message for `status` and returns its exit status.
  int fail(const Status& status);

  Console& console_;
  FileSystem& files_;
};

/// The console texts, as Shift_JIS bytes where they are Japanese.
namespace texts {
/// "tarvenikで作成したファイルからtrkデータを作成します" and CR LF.
extern const std::string_view kBanner;
extern const std::string_view kPrompt;
}  // namespace texts

#endif  // TARVENIK2TRK_CONVERSION_DRIVER_H_
