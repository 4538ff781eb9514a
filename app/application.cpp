#include "app/application.h"

#include "app/file_formats.h"
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/commands/acquire.h"
#include "app/commands/classify.h"
#include "app/commands/composite.h"
#include "app/commands/contrast.h"
#include "app/commands/filters.h"
#include "app/commands/formula.h"
#include "app/commands/geometry.h"
#include "app/commands/histogram.h"
#include "app/commands/mosaic.h"
#include "app/commands/rectify.h"
#include "app/commands/statistics.h"
#include "app/file_formats.h"
#include "app/history_file.h"
#include "app/palette_bar.h"
#include "app/program_folder.h"
#include "app/progress.h"
#include "app/scale_bar.h"
#include "app/shell_commands.h"
#include "app/zoom.h"
#include "config/profile_file.h"
#include "config/software_settings.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/dialog_model.h"
#include "platform/ui.h"

namespace orvex::app {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

Application& application() {
    static Application instance;
    return instance;
}

void Application::reset() { *this = Application(); }

// --- Names and disk space ---------------------------------------------------

static size_t folderEnd(const std::string& path) {
    size_t at = path.find_last_of("/\\:");
    return at == std::string::npos ? 0 : at + 1;
}

std::string ReplaceExtension(const std::string& name, const std::string& extension) {
    size_t start = folderEnd(name);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < start) return name + extension;
    return name.substr(0, dot) + extension;
}

std::string FolderOf(const std::string& path) {
    size_t end = folderEnd(path);
    return end == 0 ? std::string() : path.substr(0, end - 1);
}

std::string DisplayName(const std::string& path) { return path.substr(folderEnd(path)); }

int OpenTypeOf(const std::string& path) {
    const std::string name = DisplayName(path);
    const size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "pcx") return OpenPcx;
    if (extension == "bmp") return OpenBmp;
    if (extension == "grd") return OpenGrid8;
    if (extension == "fc") return OpenPalette;
    return OpenTiff;
}

bool EnoughDiskSpace(uint64_t imageBytes, uint64_t freeBytes) {
    return imageBytes + 100000 <= freeBytes;
}

uint64_t FreeBytes(const std::string& path) {
    std::error_code error;
    std::filesystem::path folder = path.empty() ? std::filesystem::path(".") : std::filesystem::path(path);
    auto info = std::filesystem::space(folder, error);
    if (error || info.available == static_cast<std::uintmax_t>(-1)) return kUnknownFreeBytes;
    return info.available;
}

// --- The image data folder ----------------------------------------------------

std::string Application::EnsureImageDataDirectory() {
    std::string folder = config::LocalPath(imageDataDirectory);
    if (folder.empty()) folder = ".";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return folder;
}

// --- Profile: rectangle, recent files, mirror settings ------------------------------

namespace {
constexpr const char* kDisplaySection = "Display";
constexpr const char* kMirrorLeftRightKey = "MirrorLeftRight";
constexpr const char* kMirrorTopBottomKey = "MirrorTopBottom";
}  // namespace

void Application::loadProfile() {
    const std::string& p = profilePath;
    recentFiles.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        std::string key = "File" + std::to_string(i);
        std::string path = config::ReadProfileString(p, "Recent File List", key, "", 1024);
        if (path.empty()) continue;
        int type = config::ReadProfileInt(p, "Recent File List", "Type" + std::to_string(i), OpenTiff);
        recentFiles.push_back({path, std::clamp(type, 0, 6)});
    }
    windowRect.left = config::ReadProfileInt(p, "window", "left", -1);
    windowRect.top = config::ReadProfileInt(p, "window", "top", -1);
    windowRect.right = config::ReadProfileInt(p, "window", "right", -1);
    windowRect.bottom = config::ReadProfileInt(p, "window", "bottom", -1);
    infoBarHeight = config::ReadProfileInt(p, "HistogramPalette", "Height", 30);
    displayMirror().horizontal = config::ReadProfileBool(p, kDisplaySection, kMirrorLeftRightKey, "false");
    displayMirror().vertical = config::ReadProfileBool(p, kDisplaySection, kMirrorTopBottomKey, "false");
}

void Application::SetDisplayMirror(bool horizontal, bool vertical) {
    displayMirror() = {horizontal, vertical};
    for (ImageHandle w : windowList().Windows()) {
        if (OrvexView* view = LiveView(w)) {
            view->mapping.mirrorHorizontal = horizontal;
            view->mapping.mirrorVertical = vertical;
            Redraw(w, false);
        }
    }
    config::ProfileBatch batch(profilePath);
    config::WriteProfileBool(profilePath, kDisplaySection, kMirrorLeftRightKey, horizontal);
    config::WriteProfileBool(profilePath, kDisplaySection, kMirrorTopBottomKey, vertical);
}

void Application::saveRecentFiles() const {
    config::ProfileBatch batch(profilePath);
    for (int i = 0; i < kRecentFiles; ++i) {
        std::string n = std::to_string(i + 1);
        bool has = i < static_cast<int>(recentFiles.size());
        config::WriteProfileString(profilePath, "Recent File List", "File" + n, has ? recentFiles[i].path : "");
        config::WriteProfileInt(profilePath, "Recent File List", "Type" + n, has ? recentFiles[i].type : 0);
    }
}

void Application::AddRecentFile(const std::string& path, int type) {
    recentFiles.erase(std::remove_if(recentFiles.begin(), recentFiles.end(),
                                     [&](const RecentFile& f) { return f.path == path; }),
                      recentFiles.end());
    recentFiles.insert(recentFiles.begin(), {path, type});
    if (recentFiles.size() > static_cast<size_t>(kRecentFiles)) recentFiles.resize(kRecentFiles);
    saveRecentFiles();
}

// --- Start and end ---------------------------------------------------------------

namespace {
const DisplayMapping* printMappingOf(const ImageEvent& e) {
    return e.code == ImageEventPrinted ? static_cast<const DisplayMapping*>(e.printMapping) : nullptr;
}
void ScaleBarOverlay(const ImageEvent& e) {
    if (e.surface) DrawScaleBar(e.window, *e.surface, printMappingOf(e));
}
void PaletteBarOverlay(const ImageEvent& e) {
    if (e.surface) DrawPaletteBar(e.window, *e.surface, printMappingOf(e));
}
}  // namespace

void Application::Start(const std::string& folder) {
    searchFolder = folder.empty() ? "." : folder;
    programFolder = KeptFilesFolder(searchFolder);
    profilePath = programFolder + "/Orvex.ini";
    loadProfile();
    LogHistory(ImageHandle{}, "Orvex started:  ", true);

    // The application-wide listener, and the parts that react to image windows.
    InstallImageWindowEventHandler();
    auto& hooks = imageWindowEventHooks();
    hooks.currentPalette = []() -> std::optional<std::vector<uint32_t>> {
        if (!palfile().hasDefaultPalette()) return std::nullopt;
        auto p = palfile().defaultPalette();
        return std::vector<uint32_t>(p.begin(), p.end());
    };
    // Scale bar first, palette bar last (the snap marker goes between); once,
    // however often the application starts.
    auto present = [&hooks](void (*overlay)(const ImageEvent&)) {
        for (const auto& f : hooks.overlays)
            if (auto* p = f.target<void (*)(const ImageEvent&)>(); p && *p == overlay) return true;
        return false;
    };
    if (!present(&ScaleBarOverlay)) hooks.overlays.insert(hooks.overlays.begin(), &ScaleBarOverlay);
    // The close question, Release Beam and the snap marker.
    InstallAcquireHooks();
    if (!present(&PaletteBarOverlay)) hooks.overlays.push_back(&PaletteBarOverlay);
    windowList().hooks.reportProgress = [](int percent) { ReportProgress(percent); };
    if (!windowList().hooks.refreshStatus) windowList().hooks.refreshStatus = [] { application().RefreshStatus(); };
    RegisterShellCommands();
    RegisterAcquireCommands();
    RegisterFormulaCommands();
    RegisterHistogramCommands();
    RegisterCompositeCommands();
    RegisterGeometryCommands();
    RegisterMosaicCommands();
    RegisterFilterCommands();
    RegisterStatisticsCommands();
    RegisterClassifyCommands();
    RegisterRectifyCommands();
    RegisterContrastCommands();
    InstallImageFileFormats();
    InstallFileOpeners(*this);
    running = true;

    if (steps.locateIni) steps.locateIni();
    if (steps.prepareTables) steps.prepareTables();
    if (steps.loadSettings) steps.loadSettings();
    // The image data folder is re-read with the initialization file.
    imageDataDirectory = softwareSettings().imageDataDirectory;
    EnsureImageDataDirectory();
    if (!palfile().hasDefaultPalette()) palfile().LoadDefaultPalette();
    if (steps.initializeLists) steps.initializeLists();
    if (steps.initializeHardware) steps.initializeHardware();
    if (steps.startUp) steps.startUp();
}

bool Application::CloseMainWindow() {
    if (steps.acquisitionRunning && steps.acquisitionRunning()) {
        platform::ui().message("Acquisition is running\nUse Finish or Halt\nto stop acquisition",
                               "Close program", Buttons::Ok, Icon::Warning);
        return false;
    }
    {
        config::ProfileBatch batch(profilePath);
        config::WriteProfileInt(profilePath, "window", "left", windowRect.left);
    config::WriteProfileInt(profilePath, "window", "top", windowRect.top);
    config::WriteProfileInt(profilePath, "window", "right", windowRect.right);
        config::WriteProfileInt(profilePath, "window", "bottom", windowRect.bottom);
    }
    LogHistory(ImageHandle{}, "Orvex closing:  ", true);
    WriteGlobalHistory();
    if (!CloseAllImages()) return false;
    if (steps.saveSettingsOnExit) steps.saveSettingsOnExit();
    config::WriteProfileInt(profilePath, "HistogramPalette", "Height", infoBarHeight);
    saveRecentFiles();
    if (frontEnd.saveLayout) frontEnd.saveLayout(profilePath);
    if (steps.shutDownInstrument) steps.shutDownInstrument();
    if (steps.requestHalt) steps.requestHalt();
    running = false;
    if (frontEnd.quit) frontEnd.quit();
    return true;
}

bool Application::Exit() {
    bool hadWindows = windowList().Count() > 0;
    if (!CloseAllImages()) return false;
    // Closing the last window has told the listeners already.
    if (!hadWindows) windowList().NotifyApplication(ImageEvent{ImageHandle{}, ImageEventAllClosed});
    running = false;
    if (frontEnd.quit) frontEnd.quit();
    return true;
}

// --- Opening -------------------------------------------------------------------------

void Application::OnFileOpen() {
    platform::FileRequest request;
    request.title = "Open";
    request.filters = {{"TIFF (2, 16, 256 colors )", "*.tif"}, {"PCX (16, 256 colors )", "*.pcx"},
                       {"BMP (2, 16, 256 Colors)", "*.bmp"},   {"BMP (24 Bit)", "*.bmp"},
                       {"GRID (8 bit)", "*.grd"},              {"GRID (16 bit)", "*.grd"},
                       {"FC(palette)", "*.fc"}};
    request.filterIndex = std::clamp(lastFileType, 0, 6);
    request.defaultExtension = "tif";
    request.folder = EnsureImageDataDirectory();
    auto answer = platform::ui().chooseFile(request);
    if (!answer) return;
    lastFileType = std::clamp(answer->filterIndex, 0, 6);
    OpenImageFile(answer->path, lastFileType);
}

void Application::OpenCommandLineFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        std::error_code error;
        std::filesystem::path full = std::filesystem::absolute(path, error);
        const std::string name = error ? path : full.lexically_normal().string();
        OpenImageFile(name, OpenTypeOf(name));
    }
}

void Application::OpenRecentFile(int index) {
    if (index < 0 || index >= static_cast<int>(recentFiles.size())) return;
    RecentFile file = recentFiles[index];
    OpenImageFile(file.path, file.type);
}

ImageHandle Application::OpenImageFile(const std::string& path, int type) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        platform::ui().message("Unable to find " + path, "Warning", Buttons::Ok, Icon::Warning);
        return {};
    }
    AddRecentFile(path, type);
    ImageHandle first;
    switch (type) {
        case OpenTiff: first = ReadImageFile(path, ImageFileTiff); break;
        case OpenPcx: first = ReadImageFile(path, ImageFilePcx); break;
        case OpenBmp: first = ReadImageFile(path, ImageFileBmp); break;
        case OpenBmp24:
            if (openBmp24) {
                auto windows = openBmp24(path);
                if (!windows.empty()) first = windows.front();
            }
            break;
        case OpenGrid8:
        case OpenGrid16:
            if (openGrid) first = openGrid(path, type == OpenGrid16);
            else first = ReadImageFile(path, ImageFileGrid);
            break;
        case OpenPalette:
            if (palfile().ReadDefaultPalette(path))
                for (ImageHandle w : windowList().Windows()) Redraw(w, false);
            else
                palfile().SetGreyDefaultPalette();
            break;
        default: break;
    }
    std::string folder = FolderOf(path);
    if (!folder.empty()) imageDataDirectory = folder;
    ReportProgress(100);
    return first;
}

// --- Saving -----------------------------------------------------------------------

namespace {

const char* extensionOf(int fileType) {
    switch (fileType) {
        case ImageFileBmp: return ".BMP";
        case ImageFileGrid: return ".GRD";
        default: return ".TIF";
    }
}

int filterOf(int fileType) {
    switch (fileType) {
        case ImageFileBmp: return 1;
        case ImageFileGrid: return 2;
        default: return 0;
    }
}

bool sameExtension(const std::string& name, const char* extension) {
    std::string current = name.substr(std::min(name.size(), ReplaceExtension(name, "").size()));
    if (current.size() != std::char_traits<char>::length(extension)) return false;
    for (size_t i = 0; i < current.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(current[i])) != extension[i]) return false;
    return true;
}

}  // namespace

bool Application::SaveImage(ImageHandle window, bool saveAs) {
    OrvexView* view = LiveView(window);
    if (!view) return false;
    int type = lastFileType == OpenBmp ? ImageFileBmp
               : (lastFileType == OpenGrid8 || lastFileType == OpenGrid16) ? ImageFileGrid
                                                                          : ImageFileTiff;
    view->image->SetFileType(type);
    std::string path = view->name;
    // A plain save into a file of another format would leave, say, BMP data
    // under a .tif name: such a save asks for the name like "Save As".
    bool ask = saveAs || view->neverSaved || !sameExtension(path, extensionOf(type));
    if (ask) {
        platform::FileRequest request;
        request.save = true;
        request.title = "Save As";
        request.filters = {{"TIFF", "*.tif"}, {"BMP", "*.bmp"}, {"GRID", "*.grd"}};
        request.filterIndex = filterOf(type);
        request.defaultExtension = "tif";
        request.folder = EnsureImageDataDirectory();
        request.name = ReplaceExtension(view->name, extensionOf(type));
        auto answer = platform::ui().chooseFile(request);
        if (!answer) return false;
        switch (answer->filterIndex) {
            case 1: type = ImageFileBmp; lastFileType = OpenBmp; break;
            case 2: type = ImageFileGrid; lastFileType = OpenGrid8; break;
            default: type = ImageFileTiff; lastFileType = OpenTiff; break;
        }
        // The name keeps the extension of its format. One that carries it
        // already, in whatever case, stays as chosen: on a file system that
        // tells cases apart the file is the one the dialog asked about.
        path = sameExtension(answer->path, extensionOf(type)) ? answer->path
                                                              : ReplaceExtension(answer->path, extensionOf(type));
        // A changed name was not the one the dialog's overwrite question was about.
        std::error_code exists;
        if (path != answer->path && std::filesystem::exists(path, exists) &&
            platform::ui().message(DisplayName(path) + " already exists.\nDo you want to replace it?", "Save As",
                                   Buttons::YesNo, Icon::Warning) != Answer::Yes)
            return false;
        std::string folder = FolderOf(path);
        if (!folder.empty()) imageDataDirectory = folder;
        view = LiveView(window);  // the dialog let other things happen
        if (!view) return false;
        view->image->SetFileType(type);
    }
    std::string folder = FolderOf(path);
    uint64_t free = freeBytes ? freeBytes(folder.empty() ? "." : folder) : FreeBytes(folder);
    if (!EnoughDiskSpace(view->image->ByteSize(), free)) {
        platform::ui().message("There is not enough disk space to save this image", "Error", Buttons::Ok,
                               Icon::Error);
        return false;
    }
    SetImageName(window, path);
    view = LiveView(window);
    if (!view) return false;
    Image& image = *view->image;
    int kind = image.GetPaletteKind();
    image.ApplyPaletteKind(PaletteCustom);
    int saved = image.Save(path, type);
    image.ApplyPaletteKind(kind);
    if (!saved) return false;
    view->neverSaved = false;
    image.SetModified(false);
    if (windowList().hooks.titleChanged) windowList().hooks.titleChanged(window);
    NotifyImageListeners(window, ImageEvent{window, ImageEventSaved});
    ReportProgress(100);
    return true;
}

// --- Closing ----------------------------------------------------------------------

namespace {

std::string modifiedPrompt(const OrvexView& view) {
    return "\"" + DisplayName(view.name) + "\" has been modified.  Do you wish to save the changes?";
}

/// "Save Changes": the prompt of closing all windows.
class SaveChangesDialog : public platform::DialogModel {
public:
    enum class Choice { Yes, No, CloseAll, Cancel };
    explicit SaveChangesDialog(const std::string& prompt) : DialogModel("Save Changes") {
        add({.label = "Prompt", .kind = platform::ControlKind::ReadOut, .text = prompt, .captioned = false});
        add({.label = "&Yes", .kind = platform::ControlKind::Button});
        add({.label = "&No", .kind = platform::ControlKind::Button});
        add({.label = "Close &All", .kind = platform::ControlKind::Button});
        add({.label = "&Cancel", .kind = platform::ControlKind::Button});
    }
    bool pressed(platform::DialogControl& c) override {
        if (c.label == "&Yes") choice = Choice::Yes;
        else if (c.label == "&No") choice = Choice::No;
        else if (c.label == "Close &All") choice = Choice::CloseAll;
        else if (c.label == "&Cancel" || c.label == "Cancel") choice = Choice::Cancel;
        else return false;
        close(choice != Choice::Cancel);
        return true;
    }
    Choice choice = Choice::Cancel;
};

}  // namespace

bool Application::closeWindow(ImageHandle window) {
    if (CloseImageWindow(window) != ImageDone) return false;
    if (histogramWindow == window) {
        histogramWindow = {};
        histogram = InfoHistogram();
    }
    if (windowList().Count() == 0) windowList().NotifyApplication(ImageEvent{ImageHandle{}, ImageEventAllClosed});
    return true;
}

bool Application::CloseImage(ImageHandle window) {
    OrvexView* view = LiveView(window);
    if (!view) return false;
    int flag = 1;
    windowList().NotifyApplication(ImageEvent{window, ImageEventCloseAllRequested, 0, 0, nullptr, nullptr, &flag});
    if (flag != 1) return false;
    view = LiveView(window);  // the question let other things happen
    if (!view) return false;
    if (view->image->IsModified()) {
        Answer a = platform::ui().message(modifiedPrompt(*view), "Wait", Buttons::YesNoCancel, Icon::Question);
        if (a == Answer::Cancel) return false;
        if (a == Answer::Yes && !SaveImage(window, false)) return false;
    }
    return closeWindow(window);
}

bool Application::CloseAllImages() {
    if (windowList().Count() == 0) return true;
    int flag = 1;
    windowList().NotifyApplication(ImageEvent{ImageHandle{}, ImageEventCloseAllRequested, 0, 0, nullptr, nullptr, &flag});
    if (flag != 1) return false;
    bool askNoMore = false;
    for (ImageHandle window : windowList().Windows()) {
        OrvexView* view = LiveView(window);
        if (!view) continue;  // closed meanwhile by a listener
        if (!askNoMore && view->image->IsModified()) {
            SaveChangesDialog dialog(modifiedPrompt(*view));
            platform::ui().runDialog(dialog);
            switch (dialog.choice) {
                case SaveChangesDialog::Choice::Cancel: return false;
                case SaveChangesDialog::Choice::Yes:
                    if (!SaveImage(window, false)) return false;
                    break;
                case SaveChangesDialog::Choice::No: break;
                case SaveChangesDialog::Choice::CloseAll: askNoMore = true; break;
            }
        }
        closeWindow(window);
    }
    return windowList().Count() == 0;
}

// --- Status ---------------------------------------------------------------------------

void Application::RefreshStatus() {
    ImageHandle active = ActiveImageWindow();
    OrvexView* view = LiveView(active);
    if (!view) {
        platform::ui().setStatusText(0, "");
        platform::ui().setStatusText(1, "");
        platform::ui().setStatusText(2, "");
        histogram = InfoHistogram();
        histogramWindow = {};
        if (frontEnd.histogramChanged) frontEnd.histogramChanged();
        return;
    }
    platform::ui().setStatusText(0, "Calculating Histogram...");
    histogram = InfoHistogram::Compute(
        view->image->Width(), view->image->Height(),
        [active](int row, uint8_t* values) { return ReadLine8(active, row, values) == ImageDone; },
        [](int percent) { ReportProgress(percent); });
    histogramWindow = active;
    view = LiveView(active);
    if (!view) return;
    const Image& image = *view->image;
    platform::ui().setStatusText(0, ImagePaneText(DisplayName(view->name), view->mapping.ZoomPercent(),
                                                  image.Width(), image.Height(), image.PaletteCount()));
    if (frontEnd.histogramChanged) frontEnd.histogramChanged();
}

void Application::MouseOverImage(ImageHandle window, double column, double row) {
    OrvexView* view = LiveView(window);
    if (!view) return;
    const Image& image = *view->image;
    platform::ui().setStatusText(0, ImagePaneText(DisplayName(view->name), view->mapping.ZoomPercent(),
                                                  image.Width(), image.Height(), image.PaletteCount()));
    int c = static_cast<int>(std::lround(column)), r = static_cast<int>(std::lround(row));
    if (c < 0 || r < 0 || c >= image.Width() || r >= image.Height()) return;
    unsigned value = 0;
    if (image.BytesPerPixel() > 1) {
        uint16_t v = 0;
        image.ReadPixel(c, r, &v, 16);
        value = v;
    } else {
        uint8_t v = 0;
        image.ReadPixel(c, r, &v, 8);
        value = v;
    }
    RealPoint at{static_cast<double>(c), static_cast<double>(r)};
    PixelToReal(window, at);
    const ZRegistration& z = image.GetZRegistration();
    double real = z.flag ? image.ValueToReal(static_cast<int>(value), image.BytesPerPixel() > 1 ? 16 : 8) : 0;
    platform::ui().setStatusText(1, PositionPaneText(image.IsPositionRegistered(), at.x, at.y, z.flag != 0, real));
    platform::ui().setStatusText(2, PixelPaneText(c, r, value));
}

void Application::MouseOverHistogram(int bin) {
    if (bin < 0 || bin > 255) return;
    const Image* image = LiveImage(histogramWindow);
    if (!image) return;
    platform::ui().setStatusText(2, histogram.PixelsText(bin));
    const ZRegistration& z = image->GetZRegistration();
    if (z.flag) {
        platform::ui().setStatusText(1, BinIndexText(bin, true, image->ValueToReal(bin, 8)));
        platform::ui().setStatusText(0, z.units);
    } else {
        platform::ui().setStatusText(1, BinIndexText(bin, false, 0));
        platform::ui().setStatusText(0, "Not Registered");
    }
}

}  // namespace orvex::app
