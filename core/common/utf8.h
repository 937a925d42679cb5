#pragma once
// UTF-8 text: the one encoder of code points, and the repair of byte strings (file names
// need not be UTF-8 on Linux) into valid text.
#include <string>
#include <string_view>

namespace drv {

// Appends `cp` as one to four bytes of UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
std::string ToUtf8(std::u32string_view text);

// Bytes as UTF-8 text, every byte that does not belong to a valid sequence replaced by U+FFFD.
std::string ToValidUtf8(std::string_view bytes);

// Code points of a text; a byte that starts no valid sequence counts as one (U+FFFD).
std::u32string CodePoints(std::string_view bytes);

}  // namespace drv
