#pragma once
// Writing the global history to its text file, and the File menu's
// "Save &History".
#include <string>

#include "platform/clock.h"

namespace orvex::app {

/// The history file's name for a time: the folder, "/OV_History_", the time
/// text with every blank, colon, newline and zero character as "_", ".txt".
std::string HistoryFileName(const std::string& folder, const platform::LocalTime& time);

/// Logs "Write Global History: " and writes the whole global history to its
/// file in the image data folder; false (after "History File open failed: ")
/// when the file cannot be written.
bool WriteGlobalHistory();

/// "Save &History": WriteGlobalHistory, with "Failed to open history file\nOut
/// of dsk space?" when it fails.
void SaveHistoryCommand();

}  // namespace orvex::app
