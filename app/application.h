#pragma once
// The application as the core knows it: start and end in their fixed order,
// opening, saving and closing image windows, the image data folder, the
// recent-file list, and the status shown for the active image. The front end
// (the Qt workstation or orvex-cli) calls these and shows what they report
// through platform::ui().
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/status_text.h"
#include "imagestore/image_handle.h"

namespace orvex::app {

/// Filter indices of the open-file dialog.
enum OpenFileType : int {
    OpenTiff = 0,
    OpenPcx = 1,
    OpenBmp = 2,
    OpenBmp24 = 3,
    OpenGrid8 = 4,
    OpenGrid16 = 5,
    OpenPalette = 6,
};

struct RecentFile {
    std::string path;
    int type = OpenTiff;
};

/// The steps of start-up and shut-down that belong to other parts of the
/// system, in the order they run. Each may be empty; the defaults call the
/// configuration, element lists, device dispatch and acquisition.
struct LifecycleSteps {
    std::function<bool()> locateIni;             // finding the initialization file
    std::function<void()> prepareTables;         // element-list keys, channel tables
    std::function<void()> loadSettings;          // every part's settings, in order
    std::function<void()> initializeLists;       // element and EDS lists
    std::function<void()> initializeHardware;    // the device dispatch
    std::function<void()> startUp;               // its start-up step and what depends on it
    std::function<void()> saveSettingsOnExit;    // every setting to the program's "Orvex.ini"
    std::function<void()> shutDownInstrument;
    /// Whether an acquisition runs (ending is refused), and the halt request ending makes.
    std::function<bool()> acquisitionRunning;
    std::function<void()> requestHalt;
};

/// What the front end does when asked. Each may be empty (headless).
struct FrontEndHooks {
    std::function<void()> quit;                   // the main window closes, the program ends
    std::function<void(const std::string&)> saveLayout;  // bars' docking layout, to the profile file
    std::function<void()> tileWindows;
    std::function<void()> histogramChanged;       // the information bar redraws
};

struct WindowRectangle {
    int left = -1, top = -1, right = -1, bottom = -1;  // -1: the platform's placement
};

/// The free bytes a save may count on when the drive cannot tell.
constexpr uint64_t kUnknownFreeBytes = 999000000ull;

/// The name with its extension (the text after the last "." that follows the
/// last "/", "\" or ":") replaced by `extension` (".TIF"), or appended.
std::string ReplaceExtension(const std::string& name, const std::string& extension);
/// The folder part of a path: the text up to the last "/", "\" or ":" (empty when none).
std::string FolderOf(const std::string& path);
/// The name a window shows in its title and prompts: the text after the folder part.
std::string DisplayName(const std::string& path);
/// The open-dialog type a file's extension stands for: ".pcx" PCX, ".bmp" BMP,
/// ".grd" 8-bit grid, ".fc" palette, anything else TIFF.
int OpenTypeOf(const std::string& path);
/// The save rule: the image fits when its bytes and 100000 do not exceed the free bytes.
bool EnoughDiskSpace(uint64_t imageBytes, uint64_t freeBytes);
/// Free bytes of the drive holding the path (kUnknownFreeBytes when it cannot be read).
uint64_t FreeBytes(const std::string& path);

class Application {
public:
    // --- State ---
    /// The folder the program was started with: its initialization file is
    /// searched there after the fixed places.
    std::string searchFolder = ".";
    /// Where the program keeps its files (the profile file, "last.cp" and the
    /// like): the folder it was started with, or the per-user configuration
    /// folder when that cannot be written.
    std::string programFolder = ".";
    std::string profilePath = "./Orvex.ini";
    std::string imageDataDirectory = "orvex/ImageData";
    int lastFileType = OpenTiff;
    std::vector<RecentFile> recentFiles;  // most recent first, at most 4
    static constexpr int kRecentFiles = 4;
    WindowRectangle windowRect;
    int infoBarHeight = 30;
    bool running = false;  // between Start and the end
    /// The information bar's histogram of the active image.
    InfoHistogram histogram;
    ImageHandle histogramWindow;

    LifecycleSteps steps;
    FrontEndHooks frontEnd;
    /// Tests replace the free-space reading.
    std::function<uint64_t(const std::string& folder)> freeBytes;

    // --- Start and end ---
    /// Starts the program from `programFolder` (its profile file there, or in
    /// the per-user configuration folder when that cannot be written).
    void Start(const std::string& programFolder);
    /// Closing the main window: true when the program ends.
    bool CloseMainWindow();
    /// "E&xit": true when the program ends.
    bool Exit();

    // --- The image data folder ---
    /// Creates the image data folder when it does not exist; returns it.
    std::string EnsureImageDataDirectory();

    // --- Opening ---
    /// "&Open...": asks for a file and opens it by the chosen filter.
    void OnFileOpen();
    /// Opens a file of an open-dialog type; the first new window, or none.
    ImageHandle OpenImageFile(const std::string& path, int type);
    /// Files named on the command line, each opened as "&Open..." would with
    /// the type its extension names (OpenTypeOf); relative paths are taken
    /// from the current folder.
    void OpenCommandLineFiles(const std::vector<std::string>& paths);
    /// A recent-file entry (0 = most recent).
    void OpenRecentFile(int index);
    void AddRecentFile(const std::string& path, int type);
    /// Openers for the types whose readers are not the image store's own dispatch.
    std::function<std::vector<ImageHandle>(const std::string& path)> openBmp24;
    std::function<ImageHandle(const std::string& path, bool sixteenBit)> openGrid;

    // --- Saving ---
    /// "&Save" (saveAs false) and "Save &As...": true when the image was saved.
    bool SaveImage(ImageHandle window, bool saveAs);

    // --- Closing ---
    /// "&Close": asks when modified ("Wait"); true when the window closed.
    bool CloseImage(ImageHandle window);
    /// "Close &All" and ending: true when every window closed.
    bool CloseAllImages();

    // --- Status ---
    /// The panes and the histogram for the active image.
    void RefreshStatus();
    /// The mouse over an image at a fractional pixel position.
    void MouseOverImage(ImageHandle window, double column, double row);
    /// The mouse over bin i of the information bar's histogram (-1: away).
    void MouseOverHistogram(int bin);

    // --- Display ---
    /// "Mirror &Left-Right" and "Mirror &Top-Bottom": every window's mapping
    /// takes the settings and is redrawn; they are kept in the profile file
    /// (section "Display", keys "MirrorLeftRight" and "MirrorTopBottom").
    void SetDisplayMirror(bool horizontal, bool vertical);

    /// Back to the start-up state (tests).
    void reset();

private:
    bool closeWindow(ImageHandle window);
    void loadProfile();
    void saveRecentFiles() const;
};

/// The one application.
Application& application();

/// The default lifecycle steps: the configuration, element lists, device
/// dispatch and acquisition as they exist.
LifecycleSteps DefaultLifecycleSteps();

}  // namespace orvex::app
