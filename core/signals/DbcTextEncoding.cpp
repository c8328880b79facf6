#include "core/signals/DbcTextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

namespace korvex::signaldb {
namespace {

// Every byte above 0x7F is the lead (0x81..0xFE) of a pair whose trail is
// above 0x80 as well. A German or French word in cp1252 has its accented
// letters between plain ones, so it fails this; Chinese text passes.
bool LooksLikeGbk(std::string_view s) {
    bool any = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) continue;
        if (c == 0x80 || c == 0xFF || i + 1 == s.size()) return false;
        const auto t = static_cast<unsigned char>(s[i + 1]);
        if (t < 0x80 || t == 0xFF) return false;
        ++i;
        any = true;
    }
    return any;
}

bool IconvToUtf8(iconv_t cd, std::string_view in, std::string& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.assign(in.size() * 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    bool ok = true;
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) continue;
        if (errno != E2BIG) {
            ok = false;
            break;
        }
        const std::size_t used = out.size() - dstLeft;
        out.resize(out.size() * 2);
        dst = out.data() + used;
        dstLeft = out.size() - used;
    }
    if (!ok) return false;
    out.resize(out.size() - dstLeft);
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// cp1252 is Latin-1 with printable characters in 0x80..0x9F; its five
// unassigned bytes keep their C1 control code points.
std::string Cp1252ToUtf8(std::string_view in) {
    static constexpr std::array<std::uint16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(in.size() + in.size() / 8);
    for (const char ch : in) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out += ch;
        else
            AppendUtf8(out, c < 0xA0 ? kHigh[c - 0x80] : c);
    }
    return out;
}

bool IsAscii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// A cp1252 byte that is no letter: punctuation, currency, degree, fractions.
bool IsCp1252Symbol(unsigned char c) {
    if (c >= 0x80 && c <= 0xBF)
        return c != 0x83 && c != 0x8A && c != 0x8C && c != 0x8E && c != 0x9A && c != 0x9C &&
               c != 0x9E && c != 0x9F;
    return c == 0xD7 || c == 0xF7;
}

// "»«" or "°": too short to tell a Chinese character from two symbols.
bool IsFewCp1252Symbols(std::string_view s) {
    int high = 0;
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) continue;
        if (++high > 2 || !IsCp1252Symbol(c)) return false;
    }
    return true;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= s.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

DbcEncoding DbcFileEncoding(std::string_view text) {
    bool anyForeign = false;
    bool allGbk = true;
    bool anyGbkEvidence = false;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t open = text.find('"', pos);
        if (open == std::string_view::npos) break;
        // The string's end, over \" and \\ as the reader takes them.
        std::size_t end = open + 1;
        while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
        const std::string_view s = text.substr(open + 1, std::min(end, text.size()) - open - 1);
        pos = end + 1;
        if (IsAscii(s) || IsValidUtf8(s)) continue;
        anyForeign = true;
        if (IsFewCp1252Symbols(s)) continue;
        anyGbkEvidence = true;
        allGbk = allGbk && LooksLikeGbk(s);
        if (!allGbk) break;
    }
    if (!anyForeign) return DbcEncoding::kUtf8;
    return anyGbkEvidence && allGbk ? DbcEncoding::kGbk : DbcEncoding::kCp1252;
}

CDbcTextDecoder::CDbcTextDecoder(DbcEncoding fileEncoding) {
    if (fileEncoding != DbcEncoding::kGbk) return;
    const iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd != reinterpret_cast<iconv_t>(-1)) gbk = cd;
}

CDbcTextDecoder::~CDbcTextDecoder() {
    if (gbk != nullptr) iconv_close(static_cast<iconv_t>(gbk));
}

std::string CDbcTextDecoder::ToUtf8(std::string_view raw) const {
    if (IsAscii(raw) || IsValidUtf8(raw)) return std::string(raw);
    std::string out;
    if (gbk != nullptr && IconvToUtf8(static_cast<iconv_t>(gbk), raw, out)) return out;
    return Cp1252ToUtf8(raw);
}

}  // namespace korvex::signaldb
