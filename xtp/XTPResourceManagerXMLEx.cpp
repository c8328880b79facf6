#include "xtp/XTPResourceManagerXMLEx.h"

#include <tinyxml2.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "xtp/XTPResourceXml.h"

namespace {

// Language files are a few hundred kilobytes; anything far larger is not one,
// and is refused before it is read into memory.
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

// The file's bytes, or false when it cannot be read or is too large.
bool ReadFileText(const std::filesystem::path& file, std::string& text) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxFileBytes) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && text.size() <= kMaxFileBytes;
}

// Opens `text` as a resource document, or gives null.
std::unique_ptr<tinyxml2::XMLDocument> OpenDocument(const char* text, std::size_t size) {
    auto document = std::make_unique<tinyxml2::XMLDocument>();
    std::string error;
    if (text == nullptr || !ParseResourceDocument(text, size, *document, error)) return nullptr;
    return document;
}

std::unique_ptr<tinyxml2::XMLDocument> OpenDocument(const std::filesystem::path& file) {
    std::string text;
    if (!ReadFileText(file, text)) return nullptr;
    return OpenDocument(text.data(), text.size());
}

}  // namespace

CXTPResourceManagerXMLEx::CXTPResourceManagerXMLEx(const std::filesystem::path& file,
                                                   XTPResourceTable builtIn)
    : CXTPResourceManager(std::move(builtIn)), document(OpenDocument(file)) {
    valid = document != nullptr;
    if (valid) IndexFrom(document->RootElement()->FirstChildElement());
}

CXTPResourceManagerXMLEx::CXTPResourceManagerXMLEx(const char* text, std::size_t size,
                                                   XTPResourceTable builtIn)
    : CXTPResourceManager(std::move(builtIn)), document(OpenDocument(text, size)) {
    valid = document != nullptr;
    if (valid) IndexFrom(document->RootElement()->FirstChildElement());
}

CXTPResourceManagerXMLEx::~CXTPResourceManagerXMLEx() = default;

const tinyxml2::XMLElement* CXTPResourceManagerXMLEx::Find(Kind kind, std::uint32_t id) const {
    const auto it = elementIndex.find(static_cast<std::uint64_t>(kind) << 32 | id);
    return it != elementIndex.end() ? it->second : nullptr;
}

void CXTPResourceManagerXMLEx::IndexFrom(const tinyxml2::XMLElement* first) {
    for (const tinyxml2::XMLElement* e = first; e != nullptr; e = e->NextSiblingElement()) {
        Kind kind;
        if (std::strcmp(e->Name(), "string") == 0) {
            kind = Kind::kString;
        } else if (std::strcmp(e->Name(), "menu") == 0) {
            kind = Kind::kMenu;
        } else if (std::strcmp(e->Name(), "dialog") == 0) {
            kind = Kind::kDialog;
        } else {
            continue;
        }
        std::uint32_t id = 0;
        if (ReadResourceId(*e, id))
            elementIndex.emplace(static_cast<std::uint64_t>(kind) << 32 | id, e);
    }
}

bool CXTPResourceManagerXMLEx::LoadString(std::uint32_t id, std::string& out) {
    if (const tinyxml2::XMLElement* e = Find(Kind::kString, id)) {
        if (const char* value = e->Attribute("value")) {
            out = value;
            return true;
        }
    }
    return CXTPResourceManager::LoadString(id, out);
}

bool CXTPResourceManagerXMLEx::LoadMenu(std::uint32_t id, XTPMenu& out) {
    if (const tinyxml2::XMLElement* e = Find(Kind::kMenu, id)) {
        XTPMenu menu;
        if (ReadMenuElement(*e, menu)) {
            out = std::move(menu);
            return true;
        }
    }
    return CXTPResourceManager::LoadMenu(id, out);
}

bool CXTPResourceManagerXMLEx::LoadDialogTemplate(std::uint32_t id, XTPDialogTemplate& out) {
    if (const auto cached = templateCache.find(id); cached != templateCache.end()) {
        out = cached->second;
        return true;
    }
    if (const tinyxml2::XMLElement* e = Find(Kind::kDialog, id)) {
        XTPDialogTemplate dialog;
        if (ReadDialogElement(*e, dialog)) {
            out = templateCache.emplace(id, std::move(dialog)).first->second;
            return true;
        }
    }
    return CXTPResourceManager::LoadDialogTemplate(id, out);
}

void CXTPResourceManagerXMLEx::Close() {
    templateCache.clear();
    elementIndex.clear();
    document.reset();
    valid = false;
}

bool CXTPResourceManagerXMLEx::Merge(const std::filesystem::path& file) {
    std::string text;
    return ReadFileText(file, text) && Merge(text.data(), text.size());
}

bool CXTPResourceManagerXMLEx::Merge(const char* text, std::size_t size) {
    std::unique_ptr<tinyxml2::XMLDocument> merged = OpenDocument(text, size);
    if (!merged) return false;
    // Templates built before may now be answered differently.
    templateCache.clear();
    if (!valid) {
        document = std::move(merged);
        valid = true;
        IndexFrom(document->RootElement()->FirstChildElement());
        return true;
    }
    tinyxml2::XMLElement* root = document->RootElement();
    const tinyxml2::XMLElement* firstMerged = nullptr;
    for (const tinyxml2::XMLElement* e = merged->RootElement()->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement()) {
        tinyxml2::XMLNode* copy = root->InsertEndChild(e->DeepClone(document.get()));
        if (firstMerged == nullptr && copy != nullptr) firstMerged = copy->ToElement();
    }
    IndexFrom(firstMerged);
    return true;
}
