// Signal databases: decoding every signal of ten million frames with a
// 50-message database, and reading a 5 MB database.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/signals/DbcReader.h"
#include "core/signals/SignalDecoder.h"

namespace {

using namespace korvex::signaldb;

constexpr int kFrames = 10'000'000;

// Signals of 1 to 16 bits through each message, alternating byte order and
// sign, with a value table now and then; every fifth message is multiplexed.
std::string GeneratedDbc(int messages, int commentBytes) {
    std::mt19937 random(1);
    std::string text = "VERSION \"\"\n\nNS_ :\n\tCM_\n\nBS_:\n\nBU_: Ecu Gateway\n\n";
    std::string tail;
    for (int m = 0; m < messages; ++m) {
        const bool extended = m % 3 == 0 || 0x100 + m > 0x7FF;
        const unsigned id = extended ? (0x80000000u | (0x18F00000u + static_cast<unsigned>(m)))
                                     : 0x100u + static_cast<unsigned>(m);
        text += "BO_ " + std::to_string(id) + " Message" + std::to_string(m) + ": 8 Ecu\n";
        const bool muxed = m % 5 == 0;
        int bit = 0;
        if (muxed) {
            text += " SG_ Selector M : 0|4@1+ (1,0) [0|15] \"\" Gateway\n";
            bit = 4;
        }
        for (int s = 0; bit < 64; ++s) {
            const int length = std::min<int>(1 + static_cast<int>(random() % 16), 64 - bit);
            const bool intel = s % 2 == 0;
            // A Motorola signal names its most significant bit; its bits run
            // from there through the following bytes.
            const int start = intel ? bit : 8 * (bit / 8) + 7 - bit % 8;
            const std::string name = "Signal" + std::to_string(s);
            text += " SG_ " + name + (muxed ? " m" + std::to_string(s % 4) : std::string()) +
                    " : " + std::to_string(start) + "|" + std::to_string(length) + "@" +
                    (intel ? "1" : "0") + (s % 3 == 0 ? "-" : "+") + " (0.125,-10) [-10|1000] " +
                    "\"unit\" Gateway\n";
            if (length <= 4)
                tail += "VAL_ " + std::to_string(id) + " " + name + " 0 \"Off\" 1 \"On\" 2 " +
                        "\"Error\" ;\n";
            if (commentBytes > 0)
                tail += "CM_ SG_ " + std::to_string(id) + " " + name + " \"" +
                        std::string(static_cast<std::size_t>(commentBytes), 'c') + "\";\n";
            bit += length;
        }
        text += "\n";
    }
    return text + tail;
}

std::shared_ptr<const DbcDatabase> Parse(const std::string& text) {
    auto db = std::make_shared<DbcDatabase>();
    DbcError error;
    if (!ParseDbcText(text, *db, error)) {
        std::fprintf(stderr, "%d: %s\n", error.line, error.reason.c_str());
        std::abort();
    }
    return db;
}

void BM_DecodeEverySignalOf10MFrames(benchmark::State& state) {
    const CSignalDecoder decoder({Parse(GeneratedDbc(50, 0))});
    std::vector<_VCI_CAN_OBJ> frames(kFrames);
    std::mt19937 random(2);
    const auto& messages = decoder.Messages();
    for (_VCI_CAN_OBJ& f : frames) {
        const DbcMessage& m = *messages[random() % messages.size()].message;
        f.ID = m.id;
        f.ExternFlag = m.extended ? 1 : 0;
        f.DataLen = 8;
        for (auto& b : f.Data) b = static_cast<std::uint8_t>(random());
    }
    std::size_t signalCount = 0;
    for (auto _ : state) {
        double sum = 0;
        signalCount = 0;
        DecodeFrames(decoder, frames.data(), frames.size(), 0,
                     [&](long long, const _VCI_CAN_OBJ&, const CompiledMessage&, int,
                         const DecodedSignal& d) {
                         sum += d.value;
                         ++signalCount;
                     });
        benchmark::DoNotOptimize(sum);
    }
    state.counters["signals"] = static_cast<double>(signalCount);
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(kFrames),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DecodeEverySignalOf10MFrames)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Read5MBDatabase(benchmark::State& state) {
    const std::string text = GeneratedDbc(1800, 240);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "korvex-bench-5mb.dbc";
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::size_t messages = 0;
    for (auto _ : state) {
        DbcDatabase db;
        std::string error;
        if (!ReadDbcFile(path, db, error)) state.SkipWithError(error.c_str());
        messages = db.messages.size();
        benchmark::DoNotOptimize(db);
    }
    std::filesystem::remove(path);
    state.counters["bytes"] = static_cast<double>(text.size());
    state.counters["messages"] = static_cast<double>(messages);
}
BENCHMARK(BM_Read5MBDatabase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
