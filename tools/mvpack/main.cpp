// mvpack: builds Moviva installers from a manifest, and lists, verifies and extracts existing ones.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "builder.h"
#include "console.h"
#include "examine.h"
#include "manifest.h"
#include "preview.h"
#include "progress.h"
#include "support/text_encoding.h"
#include "util.h"

using namespace mvpack;

namespace {

const char* kUsage = R"(usage: mvpack COMMAND [options]

Commands:
  build MANIFEST -o INSTALLER   write an installer from a manifest, a stub and content files
  list INSTALLER                show the package header, its eleven slots and the data file's records
  verify INSTALLER              read and expand every slot and entry, check sizes, integrity record, PE checksum
  extract INSTALLER -o FOLDER   write the slots and the data file's entries into a folder
  preview MOVIE -o PICTURE      draw an SWF movie's first frame as the installer draws it, into a PNG

Run "mvpack COMMAND --help" for a command's options.

Exit codes: 0 success; 1 a file could not be read or written, or a manifest or stub was refused;
2 wrong command line; 3 the installer is damaged (or holds names that are not safe to write), or the
movie to preview is refused.
)";

const char* kBuildHelp = R"(usage: mvpack build MANIFEST [-o INSTALLER] [options]

Writes INSTALLER: the stub, then the package (directory, library, Flash Player installer, presentation,
licence, extra file, HTML page, Moviva data file of the content folder, uninstaller). Files are imploded
(DCL, binary literals, 4 KiB dictionary) where that makes them smaller. The package ends with nothing
after it; header bytes 8..15 record "MVCK" and the CRC-32 of the package, and bytes 3..6 its length,
which the installer checks at start-up, as it checks the PE checksum of the whole file that mvpack
writes into the optional header. Bytes after the package (the certificate table that code signing
appends) are not part of it, and signing tools compute the PE checksum again: a signed installer still
passes both checks.

Options (each takes the place of the manifest's line of the same name):
  -o, --output FILE            the installer to write
  --stub FILE                  the installer executable (install.exe) to append the package to
  --library FILE               the DCL library (impborl.dll)
  --uninstaller FILE           the uninstall program (uninstall.exe)
  --flash-installer FILE       the Flash Player installer (packed as flashax.exe)
  --no-integrity               leave header bytes 3..6 and 8..15 and the PE checksum zero, as older packers did
  -q, --quiet                  print nothing but errors
)";

const char* kListHelp = R"(usage: mvpack list INSTALLER [--offset N]

Prints the package header, the integrity record, the PE checksum, whether the installer is signed (its
certificate table), the eleven slots (kind, compressed flag, offsets and sizes, name) and the records of
the Moviva data file in slot 8 (an imploded data file is expanded in memory). Works on any installer of
this format; a damaged one is listed as far as it can be read. A title or name that Windows cannot create
(a character it refuses, a device name such as AUX) is marked with "<-" and the reason.

  --offset N   the package starts at byte N (default: where the executable image ends, from its PE headers)
)";

const char* kVerifyHelp = R"(usage: mvpack verify INSTALLER [--offset N] [-q]

Reads every slot and every data file entry, expands the imploded ones in memory and checks them against
their recorded sizes; checks the integrity record and the PE checksum when they are recorded (and says
which one fails), names and offsets, and says whether
the installer is signed (the certificate itself is not validated: use osslsigncode verify or signtool).
Prints what is wrong and exits with 3 when the installer is damaged, 0 when it is sound.

  --offset N   the package starts at byte N (default: from the PE headers)
  -q, --quiet  print only the verdict
)";

const char* kExtractHelp = R"(usage: mvpack extract INSTALLER -o FOLDER [--offset N] [--force]

Writes the slots to FOLDER/slots/ and the data file's entries to FOLDER/content/, and a manifest.txt
that builds the installer again. Names are checked as the installer checks them: a slot name must be a
plain file name, an entry name a relative path without drive and without "..". Anything unsafe or
damaged is left out and named; the exit code is then 3.

  -o, --output FOLDER   where to write (must be empty or new unless --force)
  --offset N            the package starts at byte N (default: from the PE headers)
  --force               write into a folder that is not empty
)";

const char* kPreviewHelp = R"(usage: mvpack preview MOVIE -o PICTURE.png [--size WxH] [--scale MODE] [--background #RRGGBB]
                      [--margin #RRGGBB]

Draws the first frame of an SWF movie (versions and tags as the installer's renderer reads them) with the
renderer and the bounds the installer uses, as the still wallpaper draws it, and writes it as a PNG
picture (the name must end in .png). Exits with 3 when the movie is refused (the reason is printed) or
when a bound is reached while drawing (the picture then shows only the background, and the installer
would set no still wallpaper).

  -o, --output PICTURE   the PNG file to write
  --size WxH             the picture's size in pixels, up to 16384 a side (default: the movie's stage
                         size); a screen above 4096 x 4096 pixels in all is drawn at the largest size of
                         its shape within that and scaled up, as the still wallpaper is
  --scale MODE           how the stage fits the picture: showall (default: all of it, aspect ratio
                         kept), exactfit (stretched), noborder (filled, aspect ratio kept, cut),
                         noscale (one stage pixel per picture pixel); centred in every mode
  --background #RRGGBB   the stage's colour in place of the movie's own (a page's bgcolor)
  --margin #RRGGBB       the colour around the stage (the still wallpaper's: the package's background);
                         default: the stage's colour
)";

struct Args {
  std::vector<std::string> positional;
  std::string output, stub, library, uninstaller, flashInstaller;
  std::string size, scale, background, margin;  // preview
  int64_t offset = -1;
  bool noIntegrity = false, quiet = false, force = false, help = false;
};

// A command line the tool cannot read (an unknown command or option, a missing argument): the message
// and the command's usage.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An option's value the tool refuses: the message alone, naming the option.
class ValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Args parseArgs(const std::string& command, int argc, char** argv) {
  Args a;
  auto value = [&](int& i, const std::string& opt) -> std::string {
    if (i + 1 >= argc) throw UsageError(opt + " needs a value");
    return argv[++i];
  };
  for (int i = 2; i < argc; ++i) {
    std::string s = argv[i];
    std::string inlineValue;
    bool hasInline = false;
    if (s.rfind("--", 0) == 0 && s.find('=') != std::string::npos) {
      inlineValue = s.substr(s.find('=') + 1);
      s = s.substr(0, s.find('='));
      hasInline = true;
    }
    auto get = [&]() {
      std::string v = hasInline ? inlineValue : value(i, s);
      if (v.empty()) throw ValueError(s + ": an empty value; give one or leave the option out");
      return v;
    };
    if (s == "-h" || s == "--help") a.help = true;
    else if (s == "-o" || s == "--output") a.output = get();
    else if (command == "build" && s == "--stub") a.stub = get();
    else if (command == "build" && s == "--library") a.library = get();
    else if (command == "build" && s == "--uninstaller") a.uninstaller = get();
    else if (command == "build" && s == "--flash-installer") a.flashInstaller = get();
    else if (command == "build" && s == "--no-integrity") a.noIntegrity = true;
    else if ((command == "build" || command == "verify") && (s == "-q" || s == "--quiet")) a.quiet = true;
    else if (command == "extract" && s == "--force") a.force = true;
    else if (command == "preview" && s == "--size") a.size = get();
    else if (command == "preview" && s == "--scale") a.scale = get();
    else if (command == "preview" && s == "--background") a.background = get();
    else if (command == "preview" && s == "--margin") a.margin = get();
    else if (command != "build" && command != "preview" && s == "--offset") {
      std::string v = get();
      char* end = nullptr;
      long long n = std::strtoll(v.c_str(), &end, 0);
      if (*end != 0 || n < 0 || n > 0x7FFFFFFF) throw ValueError("--offset: \"" + v + "\" is not a file offset");
      a.offset = n;
    } else if (s.size() > 1 && s[0] == '-')
      throw UsageError("unknown option " + s + " for " + command);
    else
      a.positional.push_back(s);
  }
  return a;
}

std::optional<uint32_t> colourOption(const std::string& value, const char* option) {
  if (value.empty()) return std::nullopt;
  uint32_t colour = 0;
  if (!parseColour(value, colour))
    throw ValueError(std::string(option) + ": \"" + value + "\" is not a colour #RRGGBB");
  return colour;
}

int previewCommand(const Args& a) {
  PreviewOptions o;
  o.movie = a.positional[0];
  o.output = a.output;
  if (o.output.empty()) throw UsageError("preview needs -o PICTURE");
  if (!isPngName(o.output))
    throw ValueError("-o: \"" + o.output + "\": preview writes PNG pictures only; give a name ending in .png");
  const int maxSide = previewLimits().maxFrameSide;
  if (!a.size.empty() && !parsePictureSize(a.size, maxSide, o.width, o.height))
    throw ValueError("--size: \"" + a.size + "\" is not WxH with sides from 1 to " + std::to_string(maxSide));
  if (!a.scale.empty() && !parseScaleMode(a.scale, o.scale))
    throw ValueError("--scale: \"" + a.scale + "\" is none of showall, exactfit, noborder, noscale");
  o.background = colourOption(a.background, "--background");
  o.margin = colourOption(a.margin, "--margin");
  return previewMovie(o, std::cout, std::cerr);
}

int run(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return exitcode::usage;
  }
  const std::string command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") {
    if (argc >= 3) {
      std::string c = argv[2];
      if (c == "build") std::cout << kBuildHelp << "\n" << manifestHelp();
      else if (c == "list") std::cout << kListHelp;
      else if (c == "verify") std::cout << kVerifyHelp;
      else if (c == "extract") std::cout << kExtractHelp;
      else if (c == "preview") std::cout << kPreviewHelp;
      else std::cout << kUsage;
    } else {
      std::cout << kUsage;
    }
    return exitcode::ok;
  }
  if (command == "--version") {
    std::cout << "mvpack 1.0\n";
    return exitcode::ok;
  }
  const char* help = command == "build" ? kBuildHelp : command == "list" ? kListHelp
                     : command == "verify" ? kVerifyHelp : command == "extract" ? kExtractHelp
                     : command == "preview" ? kPreviewHelp : nullptr;
  if (!help) {
    std::cerr << "mvpack: unknown command \"" << command << "\"\n\n" << kUsage;
    return exitcode::usage;
  }

  Args a;
  try {
    a = parseArgs(command, argc, argv);
    if (a.help) {
      std::cout << help;
      if (command == "build") std::cout << "\n" << manifestHelp();
      return exitcode::ok;
    }
    if (a.positional.size() != 1)
      throw UsageError(std::string(a.positional.empty() ? "missing " : "too many arguments; expected one ") +
                       (command == "build" ? "MANIFEST" : command == "preview" ? "MOVIE" : "INSTALLER"));
    if (command == "extract" && a.output.empty()) throw UsageError("extract needs -o FOLDER");
    if (command == "preview") return previewCommand(a);
  } catch (const UsageError& e) {
    std::cerr << "mvpack " << command << ": " << e.what() << "\n\n" << help;
    return exitcode::usage;
  } catch (const ValueError& e) {
    std::cerr << "mvpack " << command << ": " << e.what() << "\n";
    return exitcode::usage;
  }

  const bool progress = Progress::terminalWanted() && !a.quiet;
  if (command == "build") {
    Manifest m = parseManifest(a.positional[0]);
    BuildOptions o;
    o.output = a.output;
    o.stub = a.stub;
    o.library = a.library;
    o.uninstaller = a.uninstaller;
    o.flashInstaller = a.flashInstaller;
    o.integrity = !a.noIntegrity;
    o.progress = progress;
    BuildResult r = buildInstaller(m, o);
    for (const std::string& w : r.warnings) std::cerr << "mvpack: warning: " << w << "\n";
    if (!a.quiet) {
      for (const std::string& line : r.summary) std::cout << "  " << line << "\n";
      std::cout << "  data file: " << r.entries << " entries, " << withCommas(r.contentBytes)
                << " bytes of content packed into " << withCommas(r.dataFileBytes) << "\n";
      char number[32];
      std::snprintf(number, sizeof number, "0x%08X", r.crc);
      if (o.integrity) std::cout << "  integrity: MVCK, CRC-32 " << number;
      std::snprintf(number, sizeof number, "0x%08X", r.peChecksum);
      if (o.integrity) std::cout << ", PE checksum " << number << "\n";
      std::snprintf(number, sizeof number, "%.2f", r.seconds);
      std::cout << r.output << ": " << withCommas(r.totalSize) << " bytes (stub " << withCommas(r.stubSize)
                << " + package " << withCommas(r.totalSize - r.stubSize) << ") in " << number << " s\n";
    }
    return exitcode::ok;
  }

  InstallerImage image = InstallerImage::load(a.positional[0], a.offset);
  if (command == "list") return listInstaller(image, std::cout, std::cerr);
  if (command == "verify") {
    if (a.quiet) {
      std::ostringstream sink;
      int code = verifyInstaller(image, false, sink, std::cerr);
      if (code == exitcode::ok) std::cout << image.path() << ": OK\n";
      return code;
    }
    return verifyInstaller(image, progress, std::cout, std::cerr);
  }
  return extractInstaller(image, a.output, a.force, progress, std::cout, std::cerr);
}

}  // namespace

namespace {

int runReportingErrors(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const ToolError& e) {
    std::cout.flush();
    std::cerr << "mvpack: " << e.what() << "\n";
    return exitcode::failed;
  } catch (const std::bad_alloc&) {
    std::cerr << "mvpack: out of memory\n";
    return exitcode::failed;
  } catch (const std::exception& e) {
    std::cerr << "mvpack: " << e.what() << "\n";
    return exitcode::failed;
  }
}

}  // namespace

#ifdef _WIN32
// The command line arrives as UTF-16 and becomes the tool's text, UTF-8.
int wmain(int argc, wchar_t** argv) {
  useUnicodeConsole();
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(mv::wideToUtf8(argv[i]));
  std::vector<char*> pointers;
  for (std::string& a : args) pointers.push_back(&a[0]);
  pointers.push_back(nullptr);
  return runReportingErrors(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return runReportingErrors(argc, argv); }
#endif
