#pragma once
// The [software] keys naming the element, EDS and correspondence files.
#include <string>

namespace orvex::config {

/// Reads "elmfile", "edsfile" (keys as the lists name them) and "corfile", and
/// sizes the lists: the element list holds the larger of the digital and counter
/// "maxelm", the EDS list the larger of the two "maxeds".
void ReadListFileSettings(const std::string& path);

/// Writes the three paths back.
void WriteListFileSettings(const std::string& path);

}  // namespace orvex::config
