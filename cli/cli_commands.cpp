#include "cli/cli_commands.h"

#include "cli/app_commands.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <vector>

#include "app/file_formats.h"
#include "cli/json_writer.h"
#include "cli/options.h"
#include "formats/bmp.h"
#include "formats/grid.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "platform/headless_ui.h"

namespace orvex::cli {

namespace {

// The file types orvex-cli reads and writes, by their option names.
enum class FileKind { Tif, Pcx, Bmp, Bmp24, Grd8, Grd16, Raw };

std::optional<FileKind> kindNamed(const std::string& name) {
    if (name == "tif" || name == "tiff") return FileKind::Tif;
    if (name == "pcx") return FileKind::Pcx;
    if (name == "bmp") return FileKind::Bmp;
    if (name == "bmp24") return FileKind::Bmp24;
    if (name == "grd8" || name == "grd") return FileKind::Grd8;
    if (name == "grd16") return FileKind::Grd16;
    if (name == "raw") return FileKind::Raw;
    return std::nullopt;
}

std::string lowerExtension(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::optional<FileKind> kindOfPath(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == "tif" || ext == "tiff") return FileKind::Tif;
    if (ext == "pcx") return FileKind::Pcx;
    if (ext == "bmp") return FileKind::Bmp;
    if (ext == "grd") return FileKind::Grd8;
    return std::nullopt;
}

int usage(const std::string& problem) { return Usage(problem); }

// Parses a subcommand's options; false with the usage status for others.
bool parseOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, CommandLine& line, int& status) {
    std::string problem;
    if (ParseCommandLine(args, valued, flags, line, problem)) return true;
    status = usage(problem);
    return false;
}

// Every message box of the system becomes one line on stderr.
void printMessage(const platform::RecordedMessage& message) {
    std::string text;
    for (char c : message.text) {
        if (c == '\n')
            text += "\\n";
        else
            text += c;
    }
    std::cerr << message.caption << ": " << text << "\n";
    std::cerr.flush();
}

// Reads a file as the workstation opens it; the windows made, in the order
// red, green, blue for the colour split. Empty when the read failed.
std::vector<ImageHandle> readFile(const std::string& path, FileKind kind) {
    switch (kind) {
        case FileKind::Tif:
            if (ImageHandle w = ReadImageFile(path, ImageFileTiff)) return {w};
            return {};
        case FileKind::Pcx:
            if (ImageHandle w = ReadImageFile(path, ImageFilePcx)) return {w};
            return {};
        case FileKind::Bmp:
            if (ImageHandle w = ReadImageFile(path, ImageFileBmp)) return {w};
            return {};
        case FileKind::Raw:
            if (ImageHandle w = ReadImageFile(path, ImageFileRaw)) return {w};
            return {};
        case FileKind::Grd8:
        case FileKind::Grd16:
            if (ImageHandle w = formats::ReadGrid(path, kind == FileKind::Grd16, app::CurrentGridContext())) return {w};
            return {};
        case FileKind::Bmp24: {
            ImageHandle red = formats::ReadBmpColourSplit(path);
            if (!red) return {};
            // The split opens red, green, then blue.
            std::vector<ImageHandle> all = windowList().Windows();
            if (all.size() < 3) return {};
            return {all[all.size() - 3], all[all.size() - 2], all[all.size() - 1]};
        }
    }
    return {};
}

void describe(JsonWriter& json, ImageHandle window, bool withPixels) {
    Image* image = LiveImage(window);
    ImageSummary summary;
    GetImageSummary(window, summary);
    std::vector<uint32_t> palette;
    GetPalette(window, palette);
    json.beginObject();
    json.field("name", summary.name);
    json.field("width", image->Width());
    json.field("height", image->Height());
    json.field("depth", image->RequestedDepth());
    json.field("palette_count", image->PaletteCount());
    json.key("palette");
    json.integers(std::vector<int64_t>(palette.begin(), palette.end()));
    json.field("palette_kind", image->GetPaletteKind());
    json.field("registered", image->IsPositionRegistered());
    const PositionRegistration& p = image->GetPositionRegistration();
    json.key("registration");
    json.beginObject();
    json.field("px1", p.px1);
    json.field("py1", p.py1);
    json.field("px2", p.px2);
    json.field("py2", p.py2);
    json.field("x1", p.x1);
    json.field("y1", p.y1);
    json.field("x2", p.x2);
    json.field("y2", p.y2);
    json.endObject();
    const ZRegistration& z = image->GetZRegistration();
    json.key("z");
    json.beginObject();
    json.field("flag", z.flag);
    json.field("low", z.low);
    json.field("high", z.high);
    json.field("units", z.units);
    json.endObject();
    json.key("texts");
    json.beginObject();
    const std::pair<const char*, int> texts[] = {
        {"Artist", TextArtist},     {"DateTime", TextDateTime},
        {"HostComputer", TextHostComputer}, {"ImageDescription", TextImageDescription},
        {"Make", TextMake},         {"Model", TextModel},
        {"Software", TextSoftware},
    };
    for (const auto& [name, slot] : texts) {
        json.field(name, image->GetText(slot));
    }
    json.endObject();
    json.field("foreign_data_bytes", static_cast<int64_t>(image->ForeignData().size()));
    if (withPixels) {
        json.key("pixels");
        json.beginArray();
        std::vector<uint16_t> row(static_cast<size_t>(image->Width()));
        std::vector<uint8_t> row8(static_cast<size_t>(image->Width()));
        std::vector<int64_t> values(static_cast<size_t>(image->Width()));
        for (int r = 0; r < image->Height(); ++r) {
            if (image->Depth() == 16) {
                image->ReadLine(r, row.data(), 16);
                values.assign(row.begin(), row.end());
            } else {
                image->ReadLine(r, row8.data(), 8);
                values.assign(row8.begin(), row8.end());
            }
            json.integers(values);
        }
        json.endArray();
    }
    json.endObject();
}

// The type of a file to read: the option, else the extension.
bool inputKind(const std::optional<std::string>& option, const std::string& path, FileKind& kind,
               int& status) {
    if (option) {
        auto named = kindNamed(*option);
        if (!named) {
            status = usage("unknown type '" + *option + "' (tif, pcx, bmp, bmp24, grd8, grd16, raw)");
            return false;
        }
        kind = *named;
        return true;
    }
    auto byPath = kindOfPath(path);
    if (!byPath) {
        status = usage("cannot tell the type of '" + path + "' from its name: give --type");
        return false;
    }
    kind = *byPath;
    return true;
}

int info(const std::vector<std::string>& args) {
    CommandLine options;
    int status = ExitUsage;
    if (!parseOptions(args, {"type"}, {"pixels"}, options, status)) return status;
    if (options.help) {
        std::cout << HelpText();
        return ExitDone;
    }
    if (options.operands.size() != 1) return usage("info takes one FILE");
    const std::string& path = options.operands[0];
    FileKind kind;
    if (!inputKind(options.value("type"), path, kind, status)) return status;
    std::vector<ImageHandle> windows = readFile(path, kind);
    if (windows.empty()) {
        std::cerr << "orvex-cli: cannot read '" << path << "'\n";
        return ExitFailed;
    }
    JsonWriter json;
    if (kind == FileKind::Bmp24) {
        json.beginArray();
        for (ImageHandle w : windows) describe(json, w, options.flag("pixels"));
        json.endArray();
    } else {
        describe(json, windows[0], options.flag("pixels"));
    }
    std::cout << json.text();
    std::cout.flush();
    return ExitDone;
}

int convert(const std::vector<std::string>& args) {
    CommandLine options;
    int status = ExitUsage;
    if (!parseOptions(args, {"in-type", "out-type"}, {}, options, status)) return status;
    if (options.help) {
        std::cout << HelpText();
        return ExitDone;
    }
    if (options.operands.size() != 2) return usage("convert takes IN and OUT");
    const std::string& in = options.operands[0];
    const std::string& out = options.operands[1];
    FileKind inKind;
    if (!inputKind(options.value("in-type"), in, inKind, status)) return status;
    if (inKind == FileKind::Bmp24) return usage("convert writes one image: bmp24 makes three");

    int outType = -1;
    const std::optional<std::string> outOption = options.value("out-type");
    const std::string outName = outOption ? *outOption : lowerExtension(out);
    if (outName == "tif" || outName == "tiff")
        outType = ImageFileTiff;
    else if (outName == "bmp")
        outType = ImageFileBmp;
    else if (outName == "grd")
        outType = ImageFileGrid;
    if (outType < 0) {
        if (outOption) return usage("unknown output type '" + outName + "' (tif, bmp, grd)");
        return usage("cannot tell the type of '" + out + "' from its name: give --out-type");
    }

    std::vector<ImageHandle> windows = readFile(in, inKind);
    if (windows.empty()) {
        std::cerr << "orvex-cli: cannot read '" << in << "'\n";
        return ExitFailed;
    }
    Image* image = LiveImage(windows[0]);
    if (!image || !image->Save(out, outType)) {
        std::cerr << "orvex-cli: cannot write '" << out << "'\n";
        return ExitFailed;
    }
    return ExitDone;
}

}  // namespace

std::string HelpText() {
    return R"(Usage: orvex-cli COMMAND [OPTIONS] ARGUMENTS

The headless tool of the Orvex imaging workstation.

Commands:
  info [--type TYPE] [--pixels] FILE
      Reads FILE with the workstation's readers and prints one JSON document
      on standard output: an object describing the image, or for --type bmp24
      an array of three objects (the red, green and blue images). Fields:
        name, width, height, depth (the requested depth: 1, 4, 8 or 16),
        palette_count, palette (palette_count integers 0x00BBGGRR),
        palette_kind (0 red, 1 green, 2 blue, 3 grey, 4 custom),
        registered (whether the file carried a position registration),
        registration {px1, py1, px2, py2, x1, y1, x2, y2},
        z {flag, low, high, units},
        texts {Artist, DateTime, HostComputer, ImageDescription, Make, Model,
               Software},
        foreign_data_bytes (the private block a TIFF file carried);
      with --pixels also pixels: an array of rows (row 0 is the top row),
      each an array of the pixel values.
      Without --type the type follows the extension: .tif/.tiff, .pcx, .bmp,
      and .grd (read as an 8-bit grid).

  convert [--in-type TYPE] [--out-type tif|bmp|grd] IN OUT
      Reads IN as info does and writes OUT with the workstation's writer; the
      output type is the option's or OUT's extension (.tif/.tiff, .bmp, .grd).
      OUT is replaced only once it has been written completely.

Types:
  tif     TIFF, uncompressed, 1, 4, 8 or 16 bits, either byte order
  pcx     PC Paintbrush, 256 or 16 colours
  bmp     Windows bitmap, 1, 4 or 8 bits
  bmp24   24-bit Windows bitmap, split into red, green and blue images
  grd8    grid file, scaled grids read into 8 bits
  grd16   grid file, scaled grids read into 16 bits
  raw     headerless rows of 8-bit pixels, 512 x 512

Options:
  --help, -h    this text

Every message the system shows goes to standard error as one line
"caption: text" (a line break inside the text written as \n).

Exit status: 0 when the command did its work, 1 when it failed, 2 for bad
usage.
)";
}

int Run(int argc, char** argv) {
    platform::HeadlessUi ui;
    ui.onMessage = printMessage;
    platform::Ui* previous = platform::setUi(&ui);
    struct Restore {
        platform::Ui* previous;
        ~Restore() { platform::setUi(previous); }
    } restore{previous};

    app::InstallImageFileFormats();
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) return usage("no command given");
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << HelpText() << "\nCommands that start the whole system:\n\n" << AppCommandsHelp();
        return ExitDone;
    }
    if (command == "info") return info(args);
    if (command == "convert") return convert(args);
    if (command == "run") return RunMacroCommand(args);
    if (command == "acquire") return AcquireCommand(args);
    return usage("unknown command '" + command + "'");
}

}  // namespace orvex::cli
