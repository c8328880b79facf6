#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace name_share {

// Access to the INI file at iniPath, compatible with files the Windows
// profile functions write. Every write rewrites the file atomically; a read
// of a missing file or key gives the default.
class CControlIni {
  public:
    virtual ~CControlIni() = default;

    // "%d" value; found (when given) tells whether a number was read.
    std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t def,
                         bool* found = nullptr) const;
    bool WriteInt(const std::string& section, const std::string& key, std::int32_t value);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def = {}) const;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);

    // A binary record; a missing or damaged record leaves data as it was.
    bool ReadStruct(const std::string& section, const std::string& key, void* data,
                    std::size_t size) const;
    bool WriteStruct(const std::string& section, const std::string& key, const void* data,
                     std::size_t size);

    std::string iniPath;  // empty at construction
};

}  // namespace name_share
