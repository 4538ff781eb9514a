#pragma once
// Saving without risk to the previous file.
#include <cstdio>
#include <functional>
#include <string>

namespace orvex {

/// Writes a file through a temporary file beside it that is renamed over the
/// target, so a failed write leaves the previous file as it was. The writer
/// gets the open binary stream and returns false on failure. Returns true
/// when the file is in place.
bool WriteFileReplacing(const std::string& path, const std::function<bool(std::FILE*)>& writer);

}  // namespace orvex
