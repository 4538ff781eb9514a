#pragma once
// The operation history: each image window's own text and the global text of
// the whole run.
#include <string>

#include "imagestore/image_handle.h"
#include "platform/clock.h"

namespace orvex {

/// "Mon Dec 07 09:27:38 2026" and a newline.
std::string TimeText(const platform::LocalTime& time);
/// The time text of now, from platform::clock().
std::string TimeText();

/// Appends text followed by the time text (or a newline alone) to the
/// window's history and to the global history; with no window (or a closed
/// one) only to the global history.
void LogHistory(ImageHandle window, const std::string& text, bool withTime);

/// The global history of the run.
const std::string& GlobalHistoryText();
/// Empties the global history (start-up state, for tests).
void ResetGlobalHistory();

}  // namespace orvex
