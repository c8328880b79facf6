#pragma once

#include <string>
#include <string_view>

// DBC editors write their files in the Windows code page of the desk they run
// on: comments, units and value texts in cp1252 in Europe, in GBK (code page
// 936) in China, and files edited by hand or merged mix these with UTF-8.
// Everything past the reader is UTF-8.
namespace korvex::signaldb {

enum class DbcEncoding { kUtf8, kGbk, kCp1252 };

bool IsValidUtf8(std::string_view s);

// The encoding of a file's quoted strings that are not valid UTF-8: GBK when
// each of them pairs every byte above 0x7F with its neighbour into a GBK
// character of two bytes above 0x80 (Chinese texts), cp1252 otherwise. A
// string of one or two cp1252 symbols ("»«", "°") is no evidence of GBK, so
// a file with nothing else stays cp1252. kUtf8 when every string is UTF-8.
DbcEncoding DbcFileEncoding(std::string_view text);

// Turns each string or name of a file into UTF-8: as it is when it is valid
// UTF-8, else from the file's encoding (a string that is no valid GBK in a
// GBK file from cp1252).
class CDbcTextDecoder {
  public:
    explicit CDbcTextDecoder(DbcEncoding fileEncoding);
    ~CDbcTextDecoder();
    CDbcTextDecoder(const CDbcTextDecoder&) = delete;
    CDbcTextDecoder& operator=(const CDbcTextDecoder&) = delete;

    std::string ToUtf8(std::string_view raw) const;

  private:
    void* gbk = nullptr;  // iconv descriptor, open for a GBK file
};

}  // namespace korvex::signaldb
