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

// Movie panel: its files ("Cannot open file \"" + path + "\"." + the system's text) and the movie's own
// reading ("Error reading movie file \"" + path + "\": " + one of the reasons + ".")
inline constexpr const char* cannotOpenFile = "Cannot open file \"";
inline constexpr const char* cannotCreateFile = "Cannot create file \"";
inline constexpr const char* errorReadingFile = "Error reading file \"";
inline constexpr const char* errorWritingFile = "Error writing file \"";
inline constexpr const char* quotedNameEnd = "\".";
inline constexpr const char* errorReadingMovie = "Error reading movie file \"";
inline constexpr const char* errorExpandingMovie = "Error expanding compressed movie \"";  // + zlib's text
inline constexpr const char* movieReadReason = "\": ";
inline constexpr const char* movieEndsInSignature = "the file ends inside its signature";
inline constexpr const char* movieEndsBeforeVersion = "the file ends before its version";
inline constexpr const char* movieEndsInHeader = "the file ends inside its header";
inline constexpr const char* movieEndsInTagHeader = "the file ends inside a tag header";
inline constexpr const char* movieEndsInTag = "the file ends inside a tag";
inline constexpr const char* movieBackgroundTooShort = "its background colour tag is too short";
inline constexpr const char* movieEndsInBackground = "the file ends inside its background colour tag";
inline constexpr const char* cannotCreateMovieFolder = "Cannot create the folder \"";
inline constexpr const char* movieFolderEnd = "\" for the movie.";

// Flash control: "Flash Player control: " + the operation + " failed: " + why + "."
inline constexpr const char* flashControl = "Flash Player control: ";
inline constexpr const char* flashOperationFailed = " failed: ";
inline constexpr const char* flashNoMemoryForText = "Flash Player control: out of memory for a text argument.";
inline constexpr const char* flashCreating = "creating the control";
inline constexpr const char* flashAskingForInterface = "asking for IShockwaveFlash";
inline constexpr const char* flashAskingForDispatch = "asking for IDispatch";
inline constexpr const char* flashSettingSite = "setting the client site";
inline constexpr const char* flashActivating = "activating the control";
inline constexpr const char* flashSettingScaleMode = "setting ScaleMode";
inline constexpr const char* flashSettingWMode = "setting WMode";
inline constexpr const char* flashSettingMenu = "setting Menu";
inline constexpr const char* flashSettingMovie = "setting Movie";
inline constexpr const char* flashSetVariable = "SetVariable";
inline constexpr const char* flashPlay = "Play";
inline constexpr const char* flashStopPlay = "StopPlay";
inline constexpr const char* flashOleVerb = "OLE verb ";  // + the verb's number
inline constexpr const char* flashErrorCode = "error ";     // + the code, when the system has no text for it
// The texts of COM's own codes, for systems that have none for them
inline constexpr const char* comClassNotRegistered = "Class not registered";
inline constexpr const char* comClassNotAvailable = "ClassFactory cannot supply requested class";
inline constexpr const char* comNoInterface = "No such interface supported";
inline constexpr const char* comNotImplemented = "Not implemented";
inline constexpr const char* comUnspecified = "Unspecified error";
inline constexpr const char* comOutOfMemory = "Not enough storage is available to complete this operation";
inline constexpr const char* comNotInitialized = "CoInitialize has not been called";

// Data file
inline constexpr const char* dataFileInUse = "Moviva data file already in use.";
inline constexpr const char* problemOpeningDataFile = "Problem opening Moviva data file.\r\n\r\nFile: ";
inline constexpr const char* problemReadingDataFile = "Problem reading Moviva data file. ";
inline constexpr const char* problemClosingFile = "Problem closing file.\r\n\r\nFile: ";

// Desktop
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
// The window's movie panel when no Flash control can be made at all (the system's text for the class)
inline constexpr const char* classNotRegistered = "Class not registered";

}  // namespace mv::text
