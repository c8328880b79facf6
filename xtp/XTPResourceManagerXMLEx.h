#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <unordered_map>

#include "xtp/XTPResourceManager.h"
#include "xtp/XtpExport.h"

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

// The language manager: serves strings, menus and dialog templates from a
// language file (root element "resource") and falls back to the built-in
// resources element by element, for whatever the file lacks or has damaged.
// A file that is missing or not XML leaves the manager invalid, serving the
// built-in resources only.
class KORVEX_XTP_API CXTPResourceManagerXMLEx : public CXTPResourceManager {
  public:
    CXTPResourceManagerXMLEx(const std::filesystem::path& file, XTPResourceTable builtIn);
    // The same from the text of a language file.
    CXTPResourceManagerXMLEx(const char* text, std::size_t size, XTPResourceTable builtIn);
    ~CXTPResourceManagerXMLEx() override;

    bool LoadString(std::uint32_t id, std::string& out) override;
    bool LoadMenu(std::uint32_t id, XTPMenu& out) override;
    bool LoadDialogTemplate(std::uint32_t id, XTPDialogTemplate& out) override;
    void Close() override;

    // Appends every child element of another language file's root, in order,
    // to this document's root; for a number both define, this file's element
    // stays the one served. An invalid manager takes the merged file as its
    // document. False, changing nothing, when that file is missing or not a
    // resource document.
    bool Merge(const std::filesystem::path& file);
    bool Merge(const char* text, std::size_t size);

    bool IsValid() const { return valid; }

  private:
    enum class Kind : std::uint64_t { kString, kMenu, kDialog };

    // The first element of that kind whose "id" is `id`, or null.
    const tinyxml2::XMLElement* Find(Kind kind, std::uint32_t id) const;
    // Adds the root's children from `first` on to the index; an element whose
    // number is taken already stays unserved, as the first one answers.
    void IndexFrom(const tinyxml2::XMLElement* first);

    bool valid = false;
    std::unique_ptr<tinyxml2::XMLDocument> document;
    // The document's elements by kind and number, so a lookup does not walk it.
    std::unordered_map<std::uint64_t, const tinyxml2::XMLElement*> elementIndex;
    // Dialog templates built from the file, by dialog number.
    std::unordered_map<std::uint32_t, XTPDialogTemplate> templateCache;
};
