// The language manager: opening the shipped English file with the plug-in's
// merged in (what a language switch costs), and answering every built-in
// string number from it (what relabelling every window costs).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/resources/rules/BuiltInResources.h"
#include "xtp/XTPResourceManagerXMLEx.h"

namespace {

const std::filesystem::path kLanguageFolder = std::filesystem::path(KORVEX_SOURCE_DIR) / "language";

void BM_OpenEnglishWithPluginFile(benchmark::State& state) {
    for (auto _ : state) {
        CXTPResourceManagerXMLEx manager(kLanguageFolder / "English.xml",
                                         korvex::BuiltInResourceTable());
        manager.Merge(kLanguageFolder / "ProtoLens_English.xml");
        benchmark::DoNotOptimize(manager.IsValid());
    }
}
BENCHMARK(BM_OpenEnglishWithPluginFile);

void BM_LoadEveryBuiltInString(benchmark::State& state) {
    CXTPResourceManagerXMLEx manager(kLanguageFolder / "English.xml",
                                     korvex::BuiltInResourceTable());
    std::string text;
    for (auto _ : state) {
        for (const auto& entry : korvex::BuiltInResourceTable().strings) {
            manager.LoadString(entry.first, text);
            benchmark::DoNotOptimize(text.data());
        }
    }
    state.SetItemsProcessed(
        state.iterations() *
        static_cast<std::int64_t>(korvex::BuiltInResourceTable().strings.size()));
}
BENCHMARK(BM_LoadEveryBuiltInString);

void BM_LoadCachedDialogTemplate(benchmark::State& state) {
    CXTPResourceManagerXMLEx manager(kLanguageFolder / "English.xml",
                                     korvex::BuiltInResourceTable());
    XTPDialogTemplate dialog;
    for (auto _ : state) {
        manager.LoadDialogTemplate(100, dialog);
        benchmark::DoNotOptimize(dialog.controls.data());
    }
}
BENCHMARK(BM_LoadCachedDialogTemplate);

}  // namespace

BENCHMARK_MAIN();
