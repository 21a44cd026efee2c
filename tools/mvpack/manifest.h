#pragma once
// The manifest of `mvpack build`: a small text file of "key = value" lines that says what goes into
// an installer. The format is described in manifestHelp() (and the README).
#include <string>

namespace mvpack {

enum class PresentationChoice { None, Picture, Movie, Silent };

struct Manifest {
  std::string path;    // the manifest file itself (relative paths below are resolved against its folder)
  int line = 0;        // for messages

  std::string title;
  int red = 0, green = 0, blue = 0;
  bool showLicence = false;       // the licence must be accepted before installing (flag "license")
  bool runExtraFlag = false, showDesktopFlag = false;
  PresentationChoice presentation = PresentationChoice::None;
  bool presentationGiven = false;
  std::string presentationFile;  // picture (BMP/JPEG) or movie (SWF)
  std::string licenceFile;       // text shown in the installer window (slot 4)
  std::string extra;             // extra file opened after installation (slot 5)
  std::string html;              // the desktop page (slot 6, installed as <title>.html)
  std::string content;           // folder whose files make up the Moviva data file (slot 8)
  std::string mainFile;          // content file listed first (the main movie); "" = first SWF
  std::string flashInstaller;    // Flash Player installer (slot 2, "flashax.exe")
  std::string uninstaller;       // uninstall program (slot 9, "uninstall.exe")
  std::string stub;              // the installer executable the package is appended to
  std::string library;           // the DCL library (slot 1, "impborl.dat")
  std::string output;            // default output file
};

// Reads and checks the syntax of a manifest; ToolError "<file>:<line>: <reason>" on a mistake.
// File paths in it are resolved relative to the manifest's folder; nothing is opened but the manifest.
Manifest parseManifest(const std::string& path);
// Parses manifest text (for tests); `path` names it in messages and is the base of relative paths.
Manifest parseManifestText(const std::string& text, const std::string& path);

// The description of the format printed by `mvpack build --help`.
const char* manifestHelp();

}  // namespace mvpack
