// Feeds arbitrary text to the item-list reader the way the toolkit's readers
// walk their files: sections in order, sequential and searching reads of
// typed values.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/item_list_file.h"

using orvex::formats::ItemListFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ItemListFile file;
    file.OpenText(std::string(reinterpret_cast<const char*>(data), size));
    for (const char* section : {"Items", "Points", "Formulas", "Matrix"}) {
        if (!file.BeginSection(section)) continue;
        int i = 0;
        long l = 0;
        bool yes = false;
        double a = 0, b = 0;
        float f[3];
        std::string text;
        orvex::platform::PixelRect rect;
        file.ReadInt("Interpolate", i);
        file.ReadYesNo("IsMinimum", yes, false);
        file.ReadLong("Minimum", l, false);
        file.ReadRect("ItemLoc", rect, false);
        for (int n = 0; n < 64 && file.ReadValue("Item", true, "%d %d %ld %[^\r\n]", &i, &i, &l,
                                                 &text);
             ++n) {
        }
        file.ReadValue("Point", false, "%d %d %lf %lf", &i, &i, &a, &b);
        file.ReadValue("ROW1", true, "%f %f %f", &f[0], &f[1], &f[2]);
        file.ReadText("Name", text, false);
        file.BeginSection("Inner");
        file.EndSection();
        file.EndSection();
    }
    return 0;
}
