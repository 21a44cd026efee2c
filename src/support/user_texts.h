#pragma once
// The user-visible texts of the installer: one table of localisable strings.
// Registry paths, file names and window titles that are searched for are literals beside their code.
namespace mv::text {

// Captions
inline constexpr const char* errorCaption = "Error";
inline constexpr const char* informationCaption = "Information";
inline constexpr const char* confirmCaption = "Confirm";
inline constexpr const char* successCaption = "Installation Successful.";
// The application's own title (taskbar button, caption of the top-level error box): the success caption
// without its period.
inline constexpr const char* successTitle = "Installation Successful";
inline constexpr const char* abortButton = "&Abort";

// Error reporter
inline constexpr const char* installationError = "Installation Error: ";
inline constexpr const char* fileBusy =
    " File is busy and cannot be replaced. Please close any other application that may be using this file and try "
    "again.\r\n\r\nFile: ";
inline constexpr const char* retryAdvice =
    "Please retry installation. If this message appears again, the installation cannot be completed because your "
    "user account has limited installation privileges. To complete this installation, login with administrative "
    "privileges and rerun this installer.";
inline constexpr const char* problemWithFile = "Problem with file ";

// Start-up
inline constexpr const char* installerCorrupted = "Installer file is corrupted. ";
inline constexpr const char* quillonError = "Quillon Error: ";

// Installation
inline constexpr const char* preparing = "Preparing Installation...";
inline constexpr const char* writingFiles = "Writing Moviva files...";
inline constexpr const char* expandingFiles = "Expanding files...";
inline constexpr const char* complete = "Moviva Installation and Setup Complete.";
inline constexpr const char* installFailed = "Install failed. Error: ";
inline constexpr const char* aborted = "Installation Aborted. Cleaning up files...";
inline constexpr const char* overwriteQuestion = " wallpaper already exists.  Overwrite?";
inline constexpr const char* restartQuestion =
    "The installation was successful.  You must restart your computer before the new settings will take "
    "effect.\r\n\r\nDo you want to restart your computer now?";
inline constexpr const char* showDesktopQuestion =
    "The installation of the wallpaper was successful.\r\n\r\nWould you like to minimize all applications and "
    "display the desktop?";

// Window
inline constexpr const char* installCaption = "&Install";
inline constexpr const char* installShort = "Install";
inline constexpr const char* acceptAndInstall = "Accept and Install";
inline constexpr const char* cancel = "Cancel";
inline constexpr const char* close = "Close";
inline constexpr const char* corruptFile = "CorruptFile: ";
inline constexpr const char* pictureUnreadable = "The picture cannot be read.";
inline constexpr const char* pictureTooLarge = "The picture is too large to show: ";  // + "W x H pixels"
inline constexpr const char* pixelsBound = " pixels; the installer shows at most ";  // + N
inline constexpr const char* pixelsPerSideBound = " pixels a side and ";              // + N
inline constexpr const char* pixelsInAll = " pixels in all.";
inline constexpr const char* pictureNotDecodable =
    "The picture cannot be decoded: it is damaged, cut short or not a BMP or JPEG picture.";
inline constexpr const char* preparingWindow = "Preparing installation ... ";
inline constexpr const char* yes = "Yes";
inline constexpr const char* no = "No";

// Codec adapter
inline constexpr const char* compressionProblem =
    "System experiencing problem using compression. Program will attempt to continue with compression disabled.";
inline constexpr const char* zipError = "Zip Error: Problem expanding data in memory. ";

// Data file
inline constexpr const char* dataFileInUse = "Moviva data file already in use.";
inline constexpr const char* problemOpeningDataFile = "Problem opening Moviva data file.\r\n\r\nFile: ";
inline constexpr const char* problemReadingDataFile = "Problem reading Moviva data file. ";
inline constexpr const char* problemClosingFile = "Problem closing file.\r\n\r\nFile: ";

// Desktop
inline constexpr const char* htmlExtension = ".html";
inline constexpr const char* wallpaperWord = " Wallpaper";
inline constexpr const char* displayProperties = "Display Properties";
inline constexpr const char* failedToSetData = "Failed to set data for '%s'";
inline constexpr const char* failedToGetData = "Failed to get data for '%s'";
inline constexpr const char* invalidDataType = "Invalid data type for '%s'";
inline constexpr const char* failedToCreateKey = "Failed to create key %s";

// Our own messages for damage that the format itself does not detect
inline constexpr const char* unsafeSlotName = "The package names a file outside its destination folder: ";
inline constexpr const char* unsafeEntryName = "The Moviva data file names a file outside the content folder: ";
inline constexpr const char* badTitle = "The package's content title is not a valid folder name: ";
inline constexpr const char* damagedPackage = "The installer's package is damaged: ";
inline constexpr const char* damagedDataFile = "The Moviva data file is damaged: ";
inline constexpr const char* integrityFailed =
    "The installer is damaged, download it again.\r\n\r\nIts contents do not match the checksum recorded when it was "
    "made.";
inline constexpr const char* contentFolderFailed = "The content folder could not be created: ";
// Details that follow damagedPackage / damagedDataFile
inline constexpr const char* notAnExecutable = "its program part is not a Windows executable.";
inline constexpr const char* slotWord = "slot ";
inline constexpr const char* pointsOutsideFile = " points outside the file.";
inline constexpr const char* kindWithoutDestination = " has a kind without a destination folder: ";
inline constexpr const char* entryWord = "entry ";
inline constexpr const char* tooManyEntries = "its entry count is not between 0 and 109: ";
inline constexpr const char* fileLine = "\r\n\r\nFile: ";

}  // namespace mv::text
