// Other tools' traces at the scale of long recordings: BLF files of 1,000,000
// and 10,000,000 frames read into the frame store, side by side with
// python-can's BLFReader iterating the same file and with a plain zlib
// inflate of its containers on one core (the floor); a damaged BLF and one of
// huge containers, with the frames kept and the peak memory; TRC and CSV read
// into the frame store; BLF and TRC written; pcapng read and written.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/ResidentBytes.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/formats/BlfFormat.h"
#include "core/formats/BlfLayout.h"
#include "core/formats/CsvFormat.h"
#include "core/formats/DataFormatTable.h"
#include "core/formats/LoadDataFile.h"
#include "protolens/include/protolens.h"
#include "tests/support/EdgeFrameCorpus.h"

namespace {

namespace blf = korvex::formats::blf;
using korvex::formats::DataFormat;

constexpr int kMillion = 1000000;
constexpr char kPython[] = "/usr/bin/python3";

std::filesystem::path BenchFile(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("korvex-bench-" + std::to_string(getpid()) + "-" + name);
}

std::vector<std::filesystem::path>& MadeFiles() {
    static std::vector<std::filesystem::path> files;
    return files;
}

// A vehicle bus: 60 periodic messages, standard and extended, whose data
// change a little from one frame to the next (counters, signals), a few
// remote frames and events, 0.2 ms apart on average in one recording span.
struct Recording {
    std::vector<OrigTimeEntry> clocks;
    CCycleBuffer<_VCI_CAN_OBJ> store;
};

const Recording& Frames(int count) {
    static std::map<int, Recording> made;
    Recording& r = made[count];
    if (r.store.GetCount() == count) return r;
    r.clocks = {korvex::test::EdgeClock(2024, 5, 17, 9, 30, 0, 0, 2)};
    r.store.Reset(count);
    std::uint32_t random = 0x9E3779B9u;
    std::array<_VCI_CAN_OBJ, 4096> run{};
    std::uint32_t stamp = 0;
    for (int i = 0; i < count;) {
        int n = 0;
        for (; n < static_cast<int>(run.size()) && i < count; ++n, ++i) {
            random ^= random << 13;
            random ^= random >> 17;
            random ^= random << 5;
            const auto message = static_cast<std::uint32_t>(i % 60);
            _VCI_CAN_OBJ& f = run[static_cast<std::size_t>(n)];
            f = _VCI_CAN_OBJ{};
            f.ExternFlag = message % 4 == 0 ? 1 : 0;
            f.ID = f.ExternFlag ? 0x18FE0000u + message * 0x100 : 0x100u + message * 7;
            f.DataLen = static_cast<std::uint8_t>(message % 7 == 0 ? 4 : 8);
            f.RemoteFlag = i % 1009 == 0 ? 1 : 0;
            const auto cycle = static_cast<std::uint32_t>(i / 60);
            f.Data[0] = static_cast<std::uint8_t>(cycle);
            f.Data[1] = static_cast<std::uint8_t>(message);
            f.Data[2] = static_cast<std::uint8_t>(random);
            f.Data[3] = static_cast<std::uint8_t>(cycle >> 8);
            for (int b = 4; b < 8; ++b) f.Data[b] = static_cast<std::uint8_t>(message * b);
            if (i % 9973 == 0) {
                f = _VCI_CAN_OBJ{};
                f.Reserved[0] = static_cast<std::uint8_t>(225 + i % 6);
            }
            stamp += 1 + (random >> 30);
            f.TimeStamp = stamp;
            f.TimeFlag = 1;
            f.SendType = message == 59 ? korvex::kSendTypeTransmitted : 0;
        }
        r.store.PushRun(run.data(), n);
    }
    return r;
}

bool Write(DataFormat format, const std::filesystem::path& path, int count,
           const korvex::formats::WriteOptions& options = {}) {
    const Recording& r = Frames(count);
    const std::vector<std::string> captions;
    const korvex::formats::WriteSource source{
        r.clocks, const_cast<Recording&>(r).store, captions, {}};
    return korvex::formats::FormatInfo(format).write(path, source, options);
}

const std::filesystem::path& FileOf(DataFormat format, int count) {
    static std::map<std::pair<DataFormat, int>, std::filesystem::path> made;
    auto [at, fresh] = made.try_emplace({format, count});
    if (fresh) {
        at->second =
            BenchFile(std::to_string(count) + korvex::formats::FormatInfo(format).extension);
        Write(format, at->second, count);
        MadeFiles().push_back(at->second);
    }
    return at->second;
}

// python-can's CSV log of the same frames: absolute times, base64 data.
const std::filesystem::path& PythonCanCsv(int count) {
    static const std::filesystem::path path = [count] {
        constexpr char kBase64[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const std::filesystem::path p = BenchFile("pycan.csv");
        std::FILE* file = std::fopen(p.c_str(), "wb");
        std::fputs("timestamp,arbitration_id,extended,remote,error,dlc,data\n", file);
        Recording& r = const_cast<Recording&>(Frames(count));
        _VCI_CAN_OBJ f;
        for (int i = 0; i < count && r.store.Get(i, &f); ++i) {
            char data[16] = {};
            int n = 0;
            const int length = f.RemoteFlag ? 0 : f.DataLen;
            for (int b = 0; b < length; b += 3) {
                std::uint32_t v = static_cast<std::uint32_t>(f.Data[b]) << 16;
                if (b + 1 < length) v |= static_cast<std::uint32_t>(f.Data[b + 1]) << 8;
                if (b + 2 < length) v |= f.Data[b + 2];
                for (int k = 0; k < 4; ++k)
                    data[n++] = k <= (length - b) ? kBase64[(v >> (18 - 6 * k)) & 63] : '=';
            }
            std::fprintf(file, "%.4f,0x%x,%d,%d,%d,%d,%s\n", 1715938200.0 + f.TimeStamp / 10000.0,
                         f.ID, f.ExternFlag, f.RemoteFlag, f.Reserved[0] != 0, f.DataLen, data);
        }
        std::fclose(file);
        MadeFiles().push_back(p);
        return p;
    }();
    return path;
}

// The program's own CSV export of the same frames, relative times, with the
// plug-in's column texts in its built-in language.
const std::filesystem::path& OwnCsv(int count) {
    static const std::filesystem::path path = [count] {
        CFrameStoreSink columns;
        std::int32_t language = 0;
        SetControlList(&columns);
        IOCtl(15, &language, sizeof language, 0, 0);
        SetControlList(nullptr);
        Recording& r = const_cast<Recording&>(Frames(count));
        korvex::ExportRowContext context;
        context.timeShowType = 1;
        context.origTimeList = &r.clocks;
        context.analyCANFrame = &AnalyCANFrame;
        const korvex::formats::WriteSource source{r.clocks, r.store, columns.captions, context};
        const std::filesystem::path p = BenchFile("own.csv");
        korvex::formats::FormatInfo(DataFormat::kCsv).write(p, source, {});
        MadeFiles().push_back(p);
        return p;
    }();
    return path;
}

void ReadIntoFrameStore(benchmark::State& state, const std::filesystem::path& path, int count,
                        const korvex::formats::LoadRequest& request = {}) {
    for (auto _ : state) {
        CKorvexGlobal global;
        CFrameStoreSink sink;
        global.frameSinks[0] = {&sink};
        const korvex::formats::ReadResult read =
            korvex::formats::LoadDataFile(path, std::nullopt, request, global);
        if (read.status != korvex::formats::ReadStatus::kOk || read.frames != count)
            state.SkipWithError("the file did not read back whole");
        benchmark::DoNotOptimize(sink.frameStore.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_BlfReadIntoFrameStore(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    ReadIntoFrameStore(state, FileOf(DataFormat::kBlf, count), count);
}

// Reading the file and unpacking every container one after the other, into
// one buffer: what no reader of the file can do without.
void BM_BlfInflateFloor(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::filesystem::path& path = FileOf(DataFormat::kBlf, count);
    std::vector<std::uint8_t> packed;
    std::vector<std::uint8_t> unpacked;
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        std::uint8_t head[blf::kContainerHeaderSize];
        std::fseek(file, blf::kFileHeaderSize, SEEK_SET);
        std::uint64_t total = 0;
        while (std::fread(head, 1, sizeof head, file) == sizeof head) {
            const std::uint32_t size = blf::Get32(head + blf::kObjectSizeAt);
            packed.resize(size - blf::kContainerHeaderSize);
            if (std::fread(packed.data(), 1, packed.size(), file) != packed.size()) break;
            std::fseek(file, size % 4, SEEK_CUR);
            uLongf produced = blf::Get32(head + blf::kUnpackedSizeAt);
            unpacked.resize(produced);
            uncompress(unpacked.data(), &produced, packed.data(),
                       static_cast<uLong>(packed.size()));
            total += produced;
        }
        std::fclose(file);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// The peak resident memory since the last reset, in bytes; the reset sets
// it to what is resident now.
void ResetPeakResident() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}
long PeakResident() {
    long kib = 0;
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld", &kib) == 1) break;
        std::fclose(f);
    }
    return kib * 1024;
}

// Reads `path` with the reader alone, with the frames kept, the damaged parts
// and the peak memory the read took beyond what was resident before it.
void ReadBlfOnce(benchmark::State& state, const std::filesystem::path& path) {
    korvex::formats::ReadResult result;
    long peak = 0;
    for (auto _ : state) {
        korvex::formats::CRecording recording;
        ResetPeakResident();
        const long before = korvex::bench::ResidentBytes();
        std::FILE* file = std::fopen(path.c_str(), "rb");
        result = korvex::formats::ReadBlf(file, {}, recording, {});
        std::fclose(file);
        peak = std::max(peak, PeakResident() - before);
        benchmark::DoNotOptimize(recording.frames.data());
    }
    state.counters["frames_kept"] = static_cast<double>(result.frames);
    state.counters["damaged_parts"] = static_cast<double>(result.damagedParts);
    state.counters["read_peak_MB"] = static_cast<double>(peak) / 1e6;
}

// The 1,000,000-frame file with one byte flipped in the packed data of its
// fifth container: only that container's frames may be lost.
void BM_BlfReadDamagedContainer(benchmark::State& state) {
    static const std::filesystem::path path = [] {
        const std::filesystem::path whole = FileOf(DataFormat::kBlf, kMillion);
        const std::filesystem::path damaged = BenchFile("damaged.blf");
        std::filesystem::copy_file(whole, damaged);
        MadeFiles().push_back(damaged);
        std::FILE* f = std::fopen(damaged.c_str(), "r+b");
        long at = blf::kFileHeaderSize;
        std::uint8_t head[blf::kContainerHeaderSize];
        for (int c = 0; c < 4; ++c) {
            std::fseek(f, at, SEEK_SET);
            if (std::fread(head, 1, sizeof head, f) != sizeof head) break;
            const std::uint32_t size = blf::Get32(head + blf::kObjectSizeAt);
            at += static_cast<long>(size + size % 4);
        }
        std::fseek(f, at + blf::kContainerHeaderSize + 100, SEEK_SET);
        const int byte = std::fgetc(f);
        std::fseek(f, at + blf::kContainerHeaderSize + 100, SEEK_SET);
        std::fputc(byte ^ 0x20, f);
        std::fclose(f);
        return damaged;
    }();
    ReadBlfOnce(state, path);
    state.SetItemsProcessed(state.iterations() * kMillion);
}

// 80 containers that each claim (and hold) 64 MiB of zeros, 5 MB packed:
// every one is unpacked and skipped, with a few alive at a time.
void BM_BlfReadLargeClaims(benchmark::State& state) {
    static const std::filesystem::path path = [] {
        const std::filesystem::path claims = BenchFile("claims.blf");
        MadeFiles().push_back(claims);
        constexpr uLong kClaim = 64u << 20;
        const std::vector<std::uint8_t> zeros(kClaim);
        uLongf packedSize = compressBound(kClaim);
        std::vector<std::uint8_t> packed(packedSize);
        compress2(packed.data(), &packedSize, zeros.data(), kClaim, 9);
        packed.resize(packedSize);
        std::vector<std::uint8_t> header(blf::kFileHeaderSize);
        std::copy(blf::kFileSignature, blf::kFileSignature + 4, header.begin());
        blf::Put32(header.data() + blf::kHeaderSizeAt, blf::kFileHeaderSize);
        std::FILE* f = std::fopen(claims.c_str(), "wb");
        std::fwrite(header.data(), 1, header.size(), f);
        for (int c = 0; c < 80; ++c) {
            std::uint8_t head[blf::kContainerHeaderSize] = {'L', 'O', 'B', 'J'};
            const auto size = static_cast<std::uint32_t>(blf::kContainerHeaderSize + packedSize);
            blf::Put16(head + blf::kHeaderSizeFieldAt, blf::kBaseHeaderSize);
            blf::Put16(head + blf::kHeaderVersionAt, 1);
            blf::Put32(head + blf::kObjectSizeAt, size);
            blf::Put32(head + blf::kObjectTypeAt, blf::kLogContainer);
            blf::Put16(head + blf::kMethodAt, blf::kZlib);
            blf::Put32(head + blf::kUnpackedSizeAt, kClaim);
            std::fwrite(head, 1, sizeof head, f);
            std::fwrite(packed.data(), 1, packed.size(), f);
            const std::uint8_t pad[4] = {};
            std::fwrite(pad, 1, size % 4, f);
        }
        std::fclose(f);
        return claims;
    }();
    ReadBlfOnce(state, path);
}

double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// python-can iterating the same file, timed from outside (interpreter start
// included, under 0.1 s of it).
void BM_PythonCanBlfReader(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    if (access(kPython, X_OK) != 0 || std::system("/usr/bin/python3 -c 'import can' 2>/dev/null")) {
        state.SkipWithError("python3-can is not installed");
        return;
    }
    const std::string command =
        std::string(kPython) +
        " -c 'import can,sys; n=sum(1 for _ in can.BLFReader(sys.argv[1])); "
        "sys.exit(n != " +
        std::to_string(count) + ")' " + FileOf(DataFormat::kBlf, count).string();
    // On a shared machine the wall time says little: its CPU time (user and
    // system) stands beside the process CPU time of the other benchmarks.
    double childSeconds = 0;
    for (auto _ : state) {
        const double before = ChildCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("python-can did not read it all");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        childSeconds += ChildCpuSeconds() - before;
    }
    state.counters["child_cpu_s"] =
        benchmark::Counter(childSeconds, benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_BlfWrite(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::filesystem::path out = BenchFile("out.blf");
    Frames(count);
    for (auto _ : state)
        if (!Write(DataFormat::kBlf, out, count)) state.SkipWithError("cannot write");
    state.SetItemsProcessed(state.iterations() * count);
    std::filesystem::remove(out);
}

void BM_TrcReadIntoFrameStore(benchmark::State& state) {
    ReadIntoFrameStore(state, FileOf(DataFormat::kTrc, kMillion), kMillion);
}

void BM_TrcWrite(benchmark::State& state) {
    const std::filesystem::path out = BenchFile("out.trc");
    Frames(kMillion);
    for (auto _ : state)
        if (!Write(DataFormat::kTrc, out, kMillion)) state.SkipWithError("cannot write");
    state.SetItemsProcessed(state.iterations() * kMillion);
    std::filesystem::remove(out);
}

void BM_PythonCanCsvReadIntoFrameStore(benchmark::State& state) {
    ReadIntoFrameStore(state, PythonCanCsv(kMillion), kMillion);
}

void BM_OwnCsvReadIntoFrameStore(benchmark::State& state) {
    const std::filesystem::path& path = OwnCsv(kMillion);
    korvex::formats::LoadRequest request;
    request.read.frameWords = korvex::formats::ProtocolFrameWords(&AnalyCANFrame);
    ReadIntoFrameStore(state, path, kMillion, request);
}

// A million frames to and from a pcapng capture of one SocketCAN interface.
void BM_PcapngReadIntoFrameStore(benchmark::State& state) {
    ReadIntoFrameStore(state, FileOf(DataFormat::kPcapng, kMillion), kMillion);
}

void BM_PcapngWrite(benchmark::State& state) {
    const std::filesystem::path out = BenchFile("out.pcapng");
    Frames(kMillion);
    for (auto _ : state)
        if (!Write(DataFormat::kPcapng, out, kMillion)) state.SkipWithError("cannot write");
    state.SetItemsProcessed(state.iterations() * kMillion);
    std::filesystem::remove(out);
}

// Timed by the clock on the wall, with the CPU time of every thread beside it.
void Timed(benchmark::internal::Benchmark* b) {
    b->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
}

// A million and ten million frames, three times each.
void AtScale(benchmark::internal::Benchmark* b) {
    b->Arg(kMillion)->Arg(10 * kMillion)->Iterations(3)->Apply(Timed);
}

BENCHMARK(BM_BlfReadIntoFrameStore)->Apply(AtScale);
BENCHMARK(BM_BlfInflateFloor)->Apply(AtScale);
BENCHMARK(BM_BlfReadDamagedContainer)->Iterations(3)->Apply(Timed);
BENCHMARK(BM_BlfReadLargeClaims)->Iterations(3)->Apply(Timed);
BENCHMARK(BM_PythonCanBlfReader)
    ->Arg(kMillion)
    ->Arg(10 * kMillion)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlfWrite)->Apply(AtScale);
BENCHMARK(BM_TrcReadIntoFrameStore)->Apply(Timed);
BENCHMARK(BM_TrcWrite)->Apply(Timed);
BENCHMARK(BM_PythonCanCsvReadIntoFrameStore)->Apply(Timed);
BENCHMARK(BM_OwnCsvReadIntoFrameStore)->Apply(Timed);
BENCHMARK(BM_PcapngReadIntoFrameStore)->Apply(Timed);
BENCHMARK(BM_PcapngWrite)->Apply(Timed);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const std::filesystem::path& file : MadeFiles()) std::filesystem::remove(file);
    return 0;
}
