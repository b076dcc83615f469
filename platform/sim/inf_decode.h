#pragma once
// The characters of an INF file from its bytes, decoded as the platform's INF reader
// decodes them: UTF-16LE when the text tests as Unicode (a byte-order mark, or the
// statistics of IsTextUnicode), UTF-8 after an EF BB BF mark, and otherwise the
// system's ANSI code page, Windows-1252 on this English machine.

#include <string>
#include <string_view>

namespace platform::sim::inf {

enum class Encoding { Ansi, Utf8, Utf16 };

// Which encoding the platform reads these bytes in.
Encoding DetectEncoding(std::string_view bytes);

// The file's text, without its byte-order mark, into *out (emptied first: its room is
// reused). Nothing is refused: a malformed UTF-8 sequence becomes U+FFFD and UTF-16
// code units are taken as they are.
void DecodeInfText(std::string_view bytes, std::u16string* out);

}  // namespace platform::sim::inf
