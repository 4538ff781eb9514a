#pragma once
// The image object: pixels of one depth in bottom-up strips, a 256-entry
// palette, descriptive texts, a position registration and a Z registration.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imagestore/pixel_memory.h"

namespace orvex {

/// The palette last applied to an image (the numbers are stored in the image).
enum PaletteKind : int {
    PaletteRed = 0,
    PaletteGreen = 1,
    PaletteBlue = 2,
    PaletteGrey = 3,
    PaletteCustom = 4,
};

/// File formats of the load and save dispatch (the numbers are stored in the image).
enum ImageFileType : int {
    ImageFilePcx = 0,
    ImageFileTiff = 1,
    ImageFileRaw = 2,  // headerless rows of 8-bit pixels
    ImageFileBmp = 3,
    ImageFileGrid = 7,
};

/// Slots of the text block.
enum ImageTextSlot : int {
    TextArtist = 0,
    TextDateTime = 1,
    TextHostComputer = 2,
    TextImageDescription = 3,
    TextUnused = 4,
    TextMake = 5,
    TextModel = 6,
    TextSoftware = 7,
};

/// Eight text slots of at most 99 characters each (the stored form keeps 100
/// bytes with the terminating zero).
struct ImageTexts {
    static constexpr int kSlots = 8;
    static constexpr size_t kSlotLength = 100;
    std::array<std::string, kSlots> slot;
};

/// Two tie points: pixel (px, py) stands for real (x, y), x to the right, y upward.
struct PositionRegistration {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int px1 = 0, py1 = 0, px2 = 0, py2 = 0;
};

/// Which real value each pixel value stands for.
struct ZRegistration {
    static constexpr size_t kUnitsLength = 88;  // with the terminating zero
    int flag = 0;
    double low = 0.0;
    double high = 100.0;
    std::string units = "PERCENT";
};

struct RealPoint {
    double x = 0;
    double y = 0;
};

struct PaletteColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

/// The 40-byte device-independent bitmap information header the display
/// hands to the platform with each strip.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

/// One strip of rows, stored bottom-up (the strip's last row first).
struct ImageStrip {
    std::unique_ptr<uint8_t[], PixelMemoryRelease> pixels;
    size_t bytes = 0;
    int firstRow = 0;
    int lastRow = -1;
};

class Image {
public:
    /// Largest pixel store an image may take, in bytes: a 32768 x 32768
    /// mosaic at 16 bits.
    static constexpr uint64_t kMaxPixelBytes = 32768ull * 32768ull * 2ull;
    /// Largest width or height.
    static constexpr int kMaxDimension = 1 << 20;
    /// Pixel bytes beyond which the image counts as large ("Disk" storage).
    static constexpr uint64_t kLargeImageBytes = 2000000;

    Image();
    virtual ~Image();

    /// Cuts images into strips of at most this many bytes (0, the default:
    /// one strip holds every row). Lets tests and very large images use
    /// several strips without any caller noticing.
    static void SetMaxStripBytes(size_t bytes);
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    /// What a pixel store starts as: zeros, or, for a reader that writes
    /// every byte of every row, whatever the image's store of that very
    /// layout held before (a new store is zeroed all the same).
    enum class PixelStart { Zeroed, Overwritten };

    /// Lays out the stride and strips, allocates the pixels (zeroed), fills
    /// the header and the grey ramp for the current palette count and marks
    /// the image modified. Sizes beyond the store's limit, non-positive sizes
    /// and unsupported depths are refused with a message before anything is
    /// allocated. Returns 1 when done, 0 when refused.
    int Allocate(int width, int height, int depth, PixelStart start = PixelStart::Zeroed);
    /// Sets every stored byte to zero.
    void ZeroPixels();
    /// Rows first .. end - 1 copied from an image of the same width and
    /// depth, in the order they lie in memory; false when the layouts differ.
    bool CopyRowsFrom(const Image& from, int first, int end);

    /// Copies one whole row from a buffer of bufferDepth bits per pixel
    /// (1, 4, 8 or 16), converting to the image's depth; 0 when the row is
    /// outside the image. Sets the modified flag.
    int WriteLine(int row, const void* buffer, int bufferDepth);
    /// Copies one whole row into a buffer of bufferDepth bits per pixel.
    int ReadLine(int row, void* buffer, int bufferDepth) const;
    /// Copies a block of blockHeight rows of blockWidth pixels; each buffer
    /// row takes ceil(blockWidth x bufferDepth / 8) bytes. 0 when the block
    /// does not lie wholly inside the image. Sets the modified flag.
    int WriteBlock(int column, int row, int blockWidth, int blockHeight, const void* buffer,
                   int bufferDepth);
    /// Fills a buffer from a block, laid out as for WriteBlock.
    int ReadBlock(int column, int row, int blockWidth, int blockHeight, void* buffer,
                  int bufferDepth) const;
    /// The value of one pixel (the stored value at any depth); 0 outside the image.
    int GetPixel(int column, int row) const;
    /// One pixel converted to bufferDepth bits and written at the start of buffer.
    int ReadPixel(int column, int row, void* buffer, int bufferDepth) const;

    /// Sets a palette entry; the index is taken modulo 256 and ignored when
    /// not below the palette count.
    void SetPaletteEntry(int index, int red, int green, int blue);
    void SetGreyEntry(int index, int value);
    /// A palette entry; black for entries not in use.
    PaletteColour GetPaletteEntry(int index) const;
    /// The integer mean of red, green and blue.
    int GetPaletteEntryBrightness(int index) const;
    /// A palette-relative colour value 0x02BBGGRR for drawing.
    uint32_t GetPaletteColour(int index) const;
    /// Applies a PaletteKind (kinds outside 0..4 are ignored).
    void ApplyPaletteKind(int kind);
    /// Keeps a copy of the header palette as the custom palette.
    void SavePalette();
    /// A single-colour ramp, or a palette whose used entries all have red = green = blue.
    bool IsGreyPalette() const;
    /// The grey ramp for the current palette count.
    void ApplyGreyRamp();
    int PaletteCount() const { return paletteCount_; }
    /// Sets the number of entries in use (clamped to 1..256).
    void SetPaletteCount(int count);
    int GetPaletteKind() const { return paletteKind_; }
    /// The header palette: 256 entries of blue, green, red, 0.
    const uint8_t* PaletteBytes() const { return palette_.data(); }
    /// The custom palette kept by SavePalette, in the same form.
    const uint8_t* SavedPaletteBytes() const { return savedPalette_.data(); }
    /// Takes over another image's custom palette.
    void CopySavedPaletteFrom(const Image& other) { savedPalette_ = other.savedPalette_; }

    /// Stores the registration, marks the image registered and modified.
    void SetPositionRegistration(const PositionRegistration& registration);
    /// Ties pixel (0, height - 1) to (0, 0) and (width - 1, 0) to (width - 1, height - 1).
    void SetDefaultRegistration();
    const PositionRegistration& GetPositionRegistration() const { return registration_; }
    bool IsPositionRegistered() const { return positionRegistered_ != 0; }
    /// Forgets whether a registration was set (readers call it before filling the image).
    void ClearPositionRegistered() { positionRegistered_ = 0; }
    /// Real corners of the picture: pixel centres, or pixel edges when edges is set.
    void GetCorners(bool edges, RealPoint& leftTop, RealPoint& rightBottom) const;
    /// The pixel-centre corners as lower left and upper right.
    void GetLowerLeftUpperRight(RealPoint& lowerLeft, RealPoint& upperRight) const;
    /// Real position of a (fractional) pixel position.
    RealPoint PixelToReal(double column, double row) const;
    /// Fractional pixel position (x = column, y = row) of a real position.
    RealPoint RealToPixel(double x, double y) const;
    /// Real units per pixel along x and y (positive when x grows right, y up).
    double UnitsPerPixelX() const;
    double UnitsPerPixelY() const;

    void SetZRegistration(const ZRegistration& z);
    const ZRegistration& GetZRegistration() const { return z_; }
    /// The Z registration applied to a pixel value of bufferDepth bits.
    double ValueToReal(int value, int bufferDepth) const;

    /// Copies a whole text block; none leaves the image without texts.
    void SetTexts(const std::optional<ImageTexts>& texts);
    const std::optional<ImageTexts>& GetTexts() const { return texts_; }
    /// One text slot ("" when there is no block).
    std::string GetText(int slot) const;
    /// Sets one slot (cut to 99 characters), attaching an empty block when there is none.
    void SetText(int slot, const std::string& text);

    /// The TIFF private block carried through unchanged.
    const std::vector<uint8_t>& ForeignData() const { return foreignData_; }
    void SetForeignData(std::vector<uint8_t> data) { foreignData_ = std::move(data); }

    /// Reads the image from a file of the given ImageFileType; fails when the
    /// file does not exist. Returns 1 when done.
    int Load(const std::string& path, int fileType);
    /// Writes the image to a file of the given ImageFileType. Returns 1 when done.
    int Save(const std::string& path, int fileType);

    /// The sum of the strips' sizes in bytes.
    uint64_t ByteSize() const;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Depth() const { return depth_; }
    int RequestedDepth() const { return requestedDepth_; }
    int StorageDepth() const { return storageDepth_; }
    float BytesPerPixel() const { return bytesPerPixel_; }
    /// Row length in pixels after padding to 4 bytes.
    int Stride() const { return stride_; }
    /// Bytes of one stored row.
    size_t RowBytes() const { return rowBytes_; }
    int RowsPerStrip() const { return rowsPerStrip_; }
    bool IsLarge() const { return largeImage_; }
    const std::vector<ImageStrip>& Strips() const { return strips_; }
    /// The strip that holds a row, or -1.
    int StripOfRow(int row) const;
    const BitmapInfoHeader& Header() const { return header_; }
    /// Rewrites the header's height to the rows of the strip about to be drawn.
    void SetHeaderRows(int rows) { header_.height = rows; }
    bool IsAllocated() const { return !strips_.empty(); }

    bool IsModified() const { return modified_ != 0; }
    void SetModified(bool modified) { modified_ = modified ? 1 : 0; }
    bool LoadSucceeded() const { return loadSucceeded_ != 0; }
    void SetLoadSucceeded(bool ok) { loadSucceeded_ = ok ? 1 : 0; }
    int FileType() const { return fileType_; }
    void SetFileType(int type) { fileType_ = type; }

    /// Reports progress every 20 rows of a loop over rows.
    void ReportRowProgress(int row, int rows);

    /// Allocates the pixel strips for a stride and height (the layout is
    /// already computed). Returns false when memory runs out.
    virtual bool AllocatePixels(int stride, int height);
    /// Address of the byte holding pixel (column, row); null outside the image.
    virtual uint8_t* PixelAddress(int row, int column);
    const uint8_t* PixelAddress(int row, int column) const;
    /// Progress of a long operation in percent; the window's image shows it.
    virtual void ReportProgress(int percent);
    /// Whether the TIFF files keep the registration tag for this image.
    virtual bool KeepsRegistration() const { return false; }

private:
    uint8_t* RowAddress(int row) const;
    void FreePixels();

    BitmapInfoHeader header_;
    std::array<uint8_t, 1024> palette_{};
    int modified_ = 0;
    std::vector<uint8_t> foreignData_;
    int stride_ = 0;
    int width_ = 0;
    int height_ = 0;
    int requestedDepth_ = 8;
    int minimumDepth_ = 1;
    int depth_ = 8;
    int storageDepth_ = 8;
    float bytesPerPixel_ = 1.0f;
    std::optional<ImageTexts> texts_;
    int paletteCount_ = 256;
    std::vector<ImageStrip> strips_;
    int rowsPerStrip_ = 0;
    size_t bytesPerStrip_ = 0;
    size_t rowBytes_ = 0;
    bool largeImage_ = false;
    PositionRegistration registration_;
    int positionRegistered_ = 0;
    ZRegistration z_;
    std::array<uint8_t, 1024> savedPalette_{};
    int paletteKind_ = PaletteGrey;
    int loadSucceeded_ = 0;
    int fileType_ = ImageFileTiff;
};

}  // namespace orvex
