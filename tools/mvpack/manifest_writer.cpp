#include "manifest_writer.h"

namespace mvpack {

std::string extractedManifest(const std::string& installerPath, const mv::PackageHeader& h,
                              const std::string (&slotNames)[mv::kSlotCount], const std::string& mainName) {
  std::string m = "# Written by mvpack extract from " + installerPath + "\n";
  m += "title = " + h.title() + "\n";
  m += "background = " + std::to_string(h.red) + " " + std::to_string(h.green) + " " + std::to_string(h.blue) + "\n";
  std::string flags;
  if (h.licenseFlag) flags += " license";
  if (h.runExtraFlag) flags += " run-extra";
  if (h.showDesktopFlag) flags += " show-desktop";
  m += "flags =" + (flags.empty() ? std::string(" none") : flags) + "\n";
  const std::string& pres = slotNames[mv::slot::presentation];
  if (h.presentationKind == mv::presentation::silent) m += "presentation = silent\n";
  else if (pres.empty()) m += "presentation = none\n";
  else if (h.presentationKind == 2 || h.presentationKind == 3) m += "presentation = movie \"slots/" + pres + "\"\n";
  else if (h.presentationKind == 1 || h.presentationKind == 8) m += "presentation = picture \"slots/" + pres + "\"\n";
  else m += "presentation = none\n";
  auto line = [&](const char* key, int k) {
    if (!slotNames[k].empty()) m += std::string(key) + " = \"slots/" + slotNames[k] + "\"\n";
  };
  line("licence", mv::slot::licence);
  line("extra", mv::slot::extra);
  line("html", mv::slot::htmlPage);
  m += "content = content\n";
  if (!mainName.empty()) m += "main = " + mainName + "\n";
  line("flash-installer", mv::slot::flashInstaller);
  line("uninstaller", mv::slot::uninstaller);
  line("stub", mv::slot::installer);
  line("library", mv::slot::library);
  return m;
}

}  // namespace mvpack
