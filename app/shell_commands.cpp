#include "app/shell_commands.h"

#include "app/application.h"
#include "app/command_table.h"
#include "app/commands/setup.h"
#include "app/history_file.h"
#include "app/history_viewer.h"
#include "app/image_information.h"
#include "app/macro_recorder.h"
#include "app/zoom.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "platform/ui.h"

namespace orvex::app {

namespace {

void add(const char* path, std::function<void()> run, const char* status, bool needsImage = false,
         bool separator = false, bool duringPick = false) {
    Command c;
    c.path = path;
    c.run = std::move(run);
    c.status = status;
    if (needsImage) c.enabled = HasActiveImage;
    c.separatorBefore = separator;
    c.duringPick = duringPick;
    commandTable().add(std::move(c));
}

// "Save Macro...": the macro recorded so far, to a file the user names.
void SaveMacroCommand() {
    platform::FileRequest request;
    request.save = true;
    request.title = "Save Macro";
    request.filters = {{"Macro (*.txt)", "*.txt"}};
    request.defaultExtension = "txt";
    request.folder = application().EnsureImageDataDirectory();
    request.name = "macro.txt";
    if (auto answer = platform::ui().chooseFile(request)) macroRecorder().Save(answer->path);
}

}  // namespace

const char* ProgramVersion() { return "Orvex 4.0"; }

void RegisterShellCommands() {
    Application& a = application();
    add("File > &Open...", [&a] { a.OnFileOpen(); }, "Open an existing image");
    add("File > &Close", [&a] { a.CloseImage(ActiveImageWindow()); }, "Close the active image", true);
    add("File > Close &All", [&a] { a.CloseAllImages(); }, "Close every image");
    add("File > &Save", [&a] { a.SaveImage(ActiveImageWindow(), false); }, "Save the active image", true, true);
    add("File > Save &As...", [&a] { a.SaveImage(ActiveImageWindow(), true); },
        "Save the active image with a new name", true);
    add("File > Save &History", [] { SaveHistoryCommand(); }, "Save the global history to a text file");
    add("File > Save &Macro...", [] { SaveMacroCommand(); },
        "Save what was done since the start or the last Clear Macro as a macro");
    add("File > Clear Macro", [] { macroRecorder().Clear(); }, "Start the macro being recorded afresh");
    for (int i = 0; i < Application::kRecentFiles; ++i) {
        Command c;
        c.path = "File > Recent File &" + std::to_string(i + 1);
        c.run = [&a, i] { a.OpenRecentFile(i); };
        c.enabled = [&a, i] { return i < static_cast<int>(a.recentFiles.size()); };
        c.status = "Open a recently used file";
        c.separatorBefore = i == 0;
        commandTable().add(std::move(c));
    }
    add("File > E&xit", [&a] { a.Exit(); }, "Quit the application", false, true);

    add("Basic > &Duplicate", [] { DuplicateImage(ActiveImageWindow(), true, true); },
        "Make a copy of the active image", true);

    // The whole Setup menu in its order, between Basic and Window.
    RegisterSetupCommands();

    add("Window > Zoom > &In", [] { ZoomIn(ActiveImageWindow()); }, "Zoom in on a rectangle", true);
    // Looking at an image from further away is what a user does while pointing at one.
    add("Window > Zoom > &Out", [] { ZoomOut(ActiveImageWindow()); }, "Zoom out one step", true, false, true);
    add("Window > Zoom > &Extents", [] { ZoomExtents(ActiveImageWindow()); }, "Show the whole image", true,
        false, true);
    add("Window > Zoom > &Set...", [&a] { ShowZoomSet(a.frontEnd.tileWindows); }, "Set the zoom factor", true);
    auto mirror = [&a](const char* path, bool horizontal, const char* status, bool separator) {
        Command c;
        c.path = path;
        c.run = [&a, horizontal] {
            const DisplayMirror m = displayMirror();
            a.SetDisplayMirror(horizontal ? !m.horizontal : m.horizontal, horizontal ? m.vertical : !m.vertical);
        };
        c.checked = [horizontal] { return horizontal ? displayMirror().horizontal : displayMirror().vertical; };
        c.status = status;
        c.separatorBefore = separator;
        commandTable().add(std::move(c));
    };
    mirror("Window > Mirror &Left-Right", true, "Show every image mirrored left to right", true);
    mirror("Window > Mirror &Top-Bottom", false, "Show every image mirrored top to bottom", false);
    add("Window > &Properties...", [] { ShowImageInformation(ActiveImageWindow()); },
        "Show and edit the image information", true);
    add("Window > &History...",
        [] {
            if (OrvexView* v = LiveView(ActiveImageWindow())) ShowHistory(v->name, v->history);
        },
        "Show the history of the active image", true);
    add("Window > &Global History...", [] { ShowHistory("Global History List", GlobalHistoryText()); },
        "Show the history of the whole run");

    add("Help > &About Orvex...",
        [] { platform::ui().message(std::string(ProgramVersion()) + "\nImaging workstation of the electron microprobe", "About Orvex",
                                    platform::Buttons::Ok, platform::Icon::Information); },
        "Program information");
}

}  // namespace orvex::app
