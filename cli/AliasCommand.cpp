#include "cli/AliasCommand.h"

#include <cstdio>

#include "app/analysis/rules/AliasEditor.h"
#include "cli/CommandArgs.h"
#include "core/KorvexGlobal.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvex-cli alias list\n"
    "       korvex-cli alias add --field id|format|type|dlc|data --value TEXT --name NAME\n"
    "       korvex-cli alias remove LINE-TEXT\n"
    "\n"
    "Lists, adds or removes the alias rules of the frame list, kept in softwareCfg.xml\n"
    "in the settings folder. Values are hexadecimal; format takes 0 (data frame) or 1\n"
    "(remote frame), type 0 (standard) or 1 (extended); data takes a pattern such as\n"
    "\"** FF AA 11 ** ** ** **\". Adding a rule whose condition exists renames it.\n";

int Usage(const CliStreams& io, const std::string& error) {
    return CommandUsageError(io, "alias", kUsage, error);
}

int Refuse(const CliStreams& io, std::uint32_t message) {
    io.err << XTPLoadString(message) << '\n' << std::flush;
    return kExitFailed;
}

int FieldOf(const std::string& name) {
    if (name == "id") return kKeyIdentifier;
    if (name == "format") return kKeyRemote;
    if (name == "type") return kKeyExtended;
    if (name == "dlc") return kKeyDataLength;
    if (name == "data") return kKeyDataBytes;
    return 0;
}

// The alias group alone: the document is read and written whole, so the
// other groups of the file stay exactly as they were.
class CAliasFile {
  public:
    explicit CAliasFile(const std::filesystem::path& settingsFolder)
        : path((settingsFolder / CKorvexGlobal::kSoftwareCfgName).string()) {
        std::error_code ec;
        readable = global.LoadDocument(path) || !std::filesystem::exists(path, ec) ||
                   std::filesystem::file_size(path, ec) == 0;
        global.LoadAliasGroup(0);
    }
    // False when the file holds something that is no settings document:
    // writing it would lose every other group, so it is left alone.
    bool Readable() const { return readable; }
    std::vector<AliasEntry>& Rules() { return global.Block(0).alias.vecAliasName; }
    bool Save() {
        global.SaveAliasGroup(0);
        return global.SaveDocument(path);
    }
    const std::string& Path() const { return path; }

  private:
    std::string path;
    bool readable = false;
    CKorvexGlobal global;
};

int Store(CAliasFile& file, const CAliasEditor& editor, const CliStreams& io) {
    file.Rules() = editor.Entries();
    if (file.Save()) return kExitOk;
    io.err << "korvex-cli: cannot write " << file.Path() << '\n' << std::flush;
    return kExitFailed;
}

int RunAdd(const std::vector<std::string>& args, CAliasFile& file, const CliStreams& io) {
    AliasFields fields;
    bool haveField = false;
    bool haveValue = false;
    bool haveName = false;
    std::string name;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return Usage(io, a + " needs a value");
        const std::string& v = args[++i];
        if (a == "--field") {
            fields.field = FieldOf(v);
            if (fields.field == 0) return Usage(io, "--field takes id, format, type, dlc or data");
            haveField = true;
        } else if (a == "--value") {
            fields.value = v;
            haveValue = true;
        } else if (a == "--name") {
            name = v;
            haveName = true;
        } else {
            return Usage(io, "unknown option '" + a + "'");
        }
    }
    if (!haveField) return Usage(io, "--field is missing");
    if (!haveValue) return Usage(io, "--value is missing");
    if (!haveName) return Usage(io, "--name is missing");
    if (UsesValueCombo(fields.field)) {
        if (fields.value != "0" && fields.value != "1")
            return Usage(io, "--value takes 0 or 1 for this field");
        fields.choice = fields.value == "1" ? 1 : 0;
    }
    CAliasEditor editor(file.Rules());
    int line = -1;
    if (const std::uint32_t refusal = editor.Add(fields, name, line)) return Refuse(io, refusal);
    return Store(file, editor, io);
}

}  // namespace

int RunAliasCommand(const std::vector<std::string>& args,
                    const std::filesystem::path& settingsFolder, const CliStreams& io) {
    if (HelpAsked(args)) return PrintUsage(io, kUsage);
    if (args.empty()) return Usage(io, "no subcommand given");
    if (settingsFolder.empty()) return Usage(io, "no settings folder");
    CAliasFile file(settingsFolder);
    if (!file.Readable()) {
        io.err << "korvex-cli: " << file.Path() << " is not a settings document; left as it is\n"
               << std::flush;
        return kExitFailed;
    }
    const std::string& verb = args[0];
    if (verb == "list") {
        if (args.size() > 1) return Usage(io, "unexpected argument '" + args[1] + "'");
        const CAliasEditor editor(file.Rules());
        for (const CAliasEditor::Line& line : editor.Lines())
            std::fprintf(io.out, "%s\n", line.text.c_str());
        std::fflush(io.out);
        return kExitOk;
    }
    if (verb == "add") return RunAdd(args, file, io);
    if (verb == "remove") {
        if (args.size() != 2) return Usage(io, "remove takes one line text");
        CAliasEditor editor(file.Rules());
        const int line = editor.FindLine(args[1]);
        if (line < 0) return Refuse(io, kStrNoSuchAliasLine);
        editor.Delete({line});
        return Store(file, editor, io);
    }
    return Usage(io, "unknown subcommand '" + verb + "'");
}

}  // namespace korvex::cli
