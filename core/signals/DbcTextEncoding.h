#pragma once

#include <string>
#include <string_view>

// DBC editors write their files in the Windows code page of the desk they run
// on: comments, units and value texts in cp1252 in Europe, in GBK (code page
// 936) in China. Everything past the reader is UTF-8.
namespace korvex::signaldb {

enum class DbcEncoding { kUtf8, kGbk, kCp1252 };

// The encoding of a file's bytes: UTF-8 when they are valid UTF-8 (a byte-
// order mark is allowed), GBK when every byte above 0x7F pairs with its
// neighbour into a GBK character of two bytes above 0x80 (Chinese texts),
// cp1252 otherwise.
DbcEncoding DetectDbcEncoding(std::string_view bytes);

// The bytes as UTF-8, without a byte-order mark.
std::string DbcBytesToUtf8(std::string_view bytes);

}  // namespace korvex::signaldb
