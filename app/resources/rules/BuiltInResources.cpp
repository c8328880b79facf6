#include "app/resources/rules/BuiltInResources.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "xtp/XTPResourceXml.h"

extern const unsigned char korvex_resources_xml[];
extern const std::size_t korvex_resources_xml_size;

namespace korvex {

std::string_view BuiltInResourceXml() {
    return {reinterpret_cast<const char*>(korvex_resources_xml), korvex_resources_xml_size};
}

const XTPResourceTable& BuiltInResourceTable() {
    static const XTPResourceTable table = [] {
        XTPResourceTable parsed;
        std::string error;
        const std::string_view xml = BuiltInResourceXml();
        // The file is part of the build and checked by a test; a failure here
        // is a broken build, reported once, with the program still running.
        if (!ParseResourceXml(xml.data(), xml.size(), parsed, error))
            std::fprintf(stderr, "built-in resources: %s\n", error.c_str());
        return parsed;
    }();
    return table;
}

void InstallBuiltInResources() {
    XTPSetResourceManager(std::make_unique<CXTPResourceManager>(BuiltInResourceTable()));
}

}  // namespace korvex
