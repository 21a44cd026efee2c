#pragma once
// The operating-system boundary. Every rule of the installer talks to the machine through it: the Win32
// implementation (platform/win32) makes the real calls; the sandbox implementation of the native tests
// (tests/platform/host) maps Windows paths onto a sandbox folder, keeps the registry and top-level
// windows in memory and can inject faults.
//
// It is grouped by topic, one small interface each, so that code can take only what it uses:
//   System      platform/system.h     error texts, environment, folders, version, run-time libraries
//   FileSystem  platform/files.h     files and folders
//   Registry    platform/registry.h  registry keys and values
//   Shell       platform/shell.h     other windows, starting programs, wallpaper, desktop colour, Active Desktop
//   Dialogs     platform/dialogs.h   message boxes, the screen cursor
// The methods mirror the Win32 calls the installer needs, with their semantics and Win32 error numbering
// (lastError(), support/result.h). Every text that crosses the boundary - paths, names, registry data,
// window titles, messages - is UTF-8; the Win32 implementation speaks UTF-16 to the system
// (support/text_encoding.h), so no text depends on the machine's ANSI code page.
#include "platform/dialogs.h"
#include "support/result.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace mv {

// One object implements every topic; each topic reference (FileSystem&, Registry&, ...) binds to it.
class Platform : public System, public FileSystem, public Registry, public Shell, public Dialogs {
 public:
  virtual ~Platform() = default;
  // The one error code of all topics (declared by each topic that leaves one).
  int32_t lastError() override = 0;
  void setLastError(int32_t code) override = 0;
};

// The platform the process runs on. Programs install theirs at start; tests install a host platform.
Platform& platform();
void setPlatform(Platform* p);

}  // namespace mv
