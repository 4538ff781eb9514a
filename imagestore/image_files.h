#pragma once
// The load and save dispatch of Image by file type. The image store reads and
// writes its own raw type; the reader and writer of every other type are
// installed by the layer that composes the program.
#include <functional>
#include <string>

namespace orvex {

class Image;

struct ImageFileFormat {
    /// Reads the file into the image; null: the type cannot be read.
    std::function<bool(Image& image, const std::string& path)> read;
    /// Writes the image at the depth asked for; null: the type cannot be written.
    std::function<bool(Image& image, const std::string& path, int requestedDepth)> write;
};

/// Serves a file type (an ImageFileType number) with a reader and writer,
/// replacing what served it before.
void InstallImageFileFormat(int fileType, ImageFileFormat format);

}  // namespace orvex
