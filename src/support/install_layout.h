#pragma once
// Where an installation puts things and what they are called: the one place for every installed name.
// The installer, the desktop and Flash steps and mvpack all take them from here. (The sample
// uninstaller, built without this library, repeats the wallpaper folder and says so.)
//
//   <Windows>\Web\Wallpaper\                  the wallpaper folder
//   <Windows>\Web\Wallpaper\<title>.html      the page the Active Desktop shows
//   <Windows>\Web\Wallpaper\<title> dir\      the content folder, uninstall.exe and installer.swf in it
//   <Windows>\impborl.dll, <Windows>\flashax.exe
//
// Folders end with a backslash; every function takes the Windows folder with its trailing backslash.
#include <string>

namespace mv::layout {

inline constexpr const char* kWallpaperSubfolder = "Web\\Wallpaper\\";
inline constexpr const char* kContentFolderSuffix = " dir";
inline constexpr const char* kPageExtension = ".html";
inline constexpr const char* kUninstallerName = "uninstall.exe";
inline constexpr const char* kLibraryName = "impborl.dll";
inline constexpr const char* kFlashInstallerName = "flashax.exe";
inline constexpr const char* kInstallerMovieName = "installer.swf";  // a movie presentation in the content folder

inline std::string wallpaperFolder(const std::string& windowsFolder) { return windowsFolder + kWallpaperSubfolder; }
inline std::string pageName(const std::string& title) { return title + kPageExtension; }
inline std::string pagePath(const std::string& windowsFolder, const std::string& title) {
  return wallpaperFolder(windowsFolder) + pageName(title);
}

// The content folder as start-up makes it: under the Windows folder the system reports
// (GetWindowsDirectory).
inline std::string contentFolder(const std::string& windowsFolder, const std::string& title) {
  return wallpaperFolder(windowsFolder) + title + kContentFolderSuffix + "\\";
}
// The uninstaller as the uninstall entry names it: under the folder of the WINDIR variable, with the
// wallpaper folder spelt "WEB\Wallpaper\" (the entry has always been written that way; Windows finds
// the same folder, since it compares names without case).
inline std::string uninstallerPathFromEnvironment(const std::string& windirFolder, const std::string& title) {
  return windirFolder + "WEB\\Wallpaper\\" + title + kContentFolderSuffix + "\\" + kUninstallerName;
}

// The library and the Flash Player installer lie in the Windows folder itself.
inline std::string libraryPath(const std::string& windowsFolder) { return windowsFolder + kLibraryName; }
inline std::string flashInstallerPath(const std::string& windowsFolder) { return windowsFolder + kFlashInstallerName; }

}  // namespace mv::layout
