// Signal databases: decoding every signal of ten million frames with a
// 50-message database, and writing the values of a million frames as text;
// reading a 5 MB and a 50 MB database, and one message of 10,000 and 40,000
// signals (the second must take at most 6 times the first).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/signals/DbcReader.h"
#include "core/signals/SignalDecoder.h"
#include "core/signals/SignalText.h"

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

std::vector<_VCI_CAN_OBJ> RandomFrames(const CSignalDecoder& decoder, std::size_t count) {
    std::vector<_VCI_CAN_OBJ> frames(count);
    std::mt19937 random(2);
    const auto& messages = decoder.Messages();
    for (_VCI_CAN_OBJ& f : frames) {
        const DbcMessage& m = *messages[random() % messages.size()].message;
        f.ID = m.id;
        f.ExternFlag = m.extended ? 1 : 0;
        f.DataLen = 8;
        for (auto& b : f.Data) b = static_cast<std::uint8_t>(random());
    }
    return frames;
}

void BM_DecodeEverySignalOf10MFrames(benchmark::State& state) {
    const CSignalDecoder decoder({Parse(GeneratedDbc(50, 0))});
    const std::vector<_VCI_CAN_OBJ> frames = RandomFrames(decoder, kFrames);
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

// The value column of korvex-cli decode: every signal's physical value text.
void BM_ValueTextsOf1MFrames(benchmark::State& state) {
    const CSignalDecoder decoder({Parse(GeneratedDbc(50, 0))});
    const std::vector<_VCI_CAN_OBJ> frames = RandomFrames(decoder, 1'000'000);
    std::string text;
    for (auto _ : state) {
        std::size_t bytes = 0;
        DecodeFrames(decoder, frames.data(), frames.size(), 0,
                     [&](long long, const _VCI_CAN_OBJ&, const CompiledMessage& m, int i,
                         const DecodedSignal& d) {
                         AppendPhysicalText(text, m.signalList[i].format, d.value);
                         text += ',';
                         if (text.size() > 1 << 16) {
                             bytes += text.size();
                             text.clear();
                         }
                     });
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["frames/s"] =
        benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ValueTextsOf1MFrames)->Unit(benchmark::kMillisecond);

// One message holding `signals` 8-bit signals, each selected by the
// message's multiplexor through an SG_MUL_VAL_ line and commented.
std::string OneMessageDbc(int signals) {
    std::string text = "BU_: Ecu\nBO_ 2566914047 Huge: " + std::to_string(signals + 1) + " Ecu\n";
    text += " SG_ Mode M : 0|8@1+ (1,0) [0|255] \"\" Ecu\n";
    std::string tail;
    for (int s = 0; s < signals; ++s) {
        const std::string name = "Signal" + std::to_string(s);
        text += " SG_ " + name + " m" + std::to_string(s % 200) + " : " +
                std::to_string(8 + 8 * s) + "|8@1+ (0.1,0) [0|25.5] \"V\" Ecu\n";
        tail += "CM_ SG_ 2566914047 " + name + " \"comment\";\n";
        tail += "SG_MUL_VAL_ 2566914047 " + name + " Mode " + std::to_string(s % 200) + "-" +
                std::to_string(s % 200) + ";\n";
    }
    return text + tail;
}

void BM_ReadOneMessageOfSignals(benchmark::State& state) {
    const std::string text = OneMessageDbc(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        DbcDatabase db;
        DbcError error;
        if (!ParseDbcText(text, db, error)) state.SkipWithError(error.reason.c_str());
        benchmark::DoNotOptimize(db);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ReadOneMessageOfSignals)->Arg(10'000)->Arg(40'000)->Unit(benchmark::kMillisecond);

void ReadDatabaseFile(benchmark::State& state, int messages, const char* name) {
    const std::string text = GeneratedDbc(messages, 240);
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::size_t read = 0;
    for (auto _ : state) {
        DbcDatabase db;
        std::string error;
        if (!ReadDbcFile(path, db, error)) state.SkipWithError(error.c_str());
        read = db.messages.size();
        benchmark::DoNotOptimize(db);
    }
    std::filesystem::remove(path);
    state.counters["bytes"] = static_cast<double>(text.size());
    state.counters["messages"] = static_cast<double>(read);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

void BM_Read5MBDatabase(benchmark::State& state) {
    ReadDatabaseFile(state, 1800, "korvex-bench-5mb.dbc");
}
BENCHMARK(BM_Read5MBDatabase)->Unit(benchmark::kMillisecond);

// The peak memory counter covers the whole process: run this one alone.
void BM_Read50MBDatabase(benchmark::State& state) {
    ReadDatabaseFile(state, 18000, "korvex-bench-50mb.dbc");
}
BENCHMARK(BM_Read50MBDatabase)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
